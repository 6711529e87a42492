// Photo files made by independent tools (make_photos.py: PIL, ImageMagick, cwebp, img2webp,
// tiffcp, heif-enc, exiftool) must open with the pixels their independent decoders give, turned
// upright, and a photo's metadata must survive a save, as exiftool reads it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <libheif/heif.h>

#include "formats/exif.h"
#include "formats/file_types.h"
#include "formats/png.h"
#include "formats/temp_folder.h"

namespace drollo::formats {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

fs::path SourceFolder() {
  return fs::path(__FILE__).parent_path();
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Bytes ReadBytes(const fs::path& p) {
  const std::string s = ReadText(p);
  return Bytes(s.begin(), s.end());
}

// The files are made once per version of the script and shared by the test processes, which
// CTest may run side by side: the first to come makes them under a lock, the others wait.
const fs::path& Photos() {
  static const fs::path folder = [] {
    const fs::path script = SourceFolder() / "make_photos.py";
    const fs::path root = fs::path(testing::TempDir()) / "drollo_photos";
    const fs::path dir =
        root / std::to_string(std::hash<std::string>{}(ReadText(script)) & 0xFFFFFFFF);
    fs::create_directories(root);
    const int lock = ::open((root / "lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (lock >= 0) ::flock(lock, LOCK_EX);
    if (!fs::exists(dir / "manifest.txt")) {
      fs::remove_all(dir);
      int status = 0;
      const std::string output = test::RunCommand(
          "/usr/bin/python3 '" + script.string() + "' '" + dir.string() + "' 2>&1", &status);
      if (status != 0) ADD_FAILURE() << "make_photos.py failed:\n" << output;
    }
    if (lock >= 0) ::close(lock);
    return dir;
  }();
  return folder;
}

// A binary PPM as a 24-bit picture (blue, green, red).
Picture ReadPpm(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255 || w <= 0 || h <= 0) return Picture();
  Picture out(w, h, 24);
  std::vector<char> rgb(static_cast<std::size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    in.read(rgb.data(), static_cast<std::streamsize>(rgb.size()));
    std::uint8_t* d = out.mutableRow(y);
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) d[3 * x + c] = static_cast<std::uint8_t>(rgb[3 * x + 2 - c]);
  }
  return out;
}

// Empty when the pictures agree within `tolerance`; else where and how they first differ.
std::string Difference(const Picture& got, const Picture& want, int tolerance) {
  if (got.width() != want.width() || got.height() != want.height() || got.bitsPerPixel() != 24) {
    return "got " + std::to_string(got.width()) + " x " + std::to_string(got.height()) + " at " +
           std::to_string(got.bitsPerPixel()) + " bits, want " + std::to_string(want.width()) +
           " x " + std::to_string(want.height()) + " at 24";
  }
  for (int y = 0; y < got.height(); ++y)
    for (int x = 0; x < got.width(); ++x)
      for (int c = 0; c < 3; ++c) {
        const int a = got.row(y)[3 * x + c], b = want.row(y)[3 * x + c];
        if (std::abs(a - b) > tolerance) {
          return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) +
                 ") channel " + std::to_string(c) + " (blue, green, red): " + std::to_string(a) +
                 " instead of " + std::to_string(b);
        }
      }
  return {};
}

// Every line of the manifest: PNG (8 and 16 bits, grey, palette, tRNS, alpha, interlaced), WebP
// (lossy, lossless, alpha, first frame of an animation), TIFF (RGB, grey, palette, CMYK, alpha,
// LZW, deflate, tiles, 16 bits, first of two pages), HEIC (with alpha) and AVIF, the eight EXIF
// orientations of a JPEG, an orientation in a PNG's eXIf chunk, in a TIFF's own tag and in the EXIF
// of a HEIC without rotation property, and a PNG named .jpg.
TEST(PhotoFiles, EachOpensUprightWithItsIndependentDecodersPixels) {
  std::istringstream manifest(ReadText(Photos() / "manifest.txt"));
  std::string line;
  int checked = 0, madeAgain = 0;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string file, reference;
    int tolerance = 0;
    if (!(fields >> file >> reference >> tolerance)) continue;
    const Picture want = ReadPpm(Photos() / reference);
    try {
      const LoadedPicture got = LoadPicture((Photos() / file).string());
      const std::string d = Difference(got.picture, want, tolerance);
      EXPECT_EQ(d, "") << file;
      // Where the file is kept to make the picture again, it makes the very same bytes.
      if (got.origin) {
        EXPECT_TRUE(got.origin->picture()->samePixels(got.picture)) << file;
        ++madeAgain;
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << file << ": " << e.what();
    }
    ++checked;
  }
  EXPECT_GE(checked, 40);
  EXPECT_GE(madeAgain, 10);
}

TEST(PhotoFiles, APictureLargerThanTheLimitIsRefusedByEveryReader) {
  for (const char* file : {"rgb.png", "lossy.webp", "rgb.tif", "photo.heic", "photo.avif",
                           "orientation6.jpg", "animated.webp"}) {
    try {
      LoadPicture((Photos() / file).string(), ReadOptions{nullptr, DecodeLimits{40 * 30 - 1}});
      ADD_FAILURE() << file << " opened";
    } catch (const PictureFileError& e) {
      EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  }
}

// A HEIC as cameras write it: the picture stored as the sensor saw it, a rotation property for
// `orientation`, and an EXIF block repeating it. Written with libheif's encoder, since the
// command-line one writes no rotation property.
std::string CameraHeic(const fs::path& file, const Picture& stored, int orientation,
                       const Bytes& exif) {
  heif_context* ctx = heif_context_alloc();
  heif_image* image = nullptr;
  heif_encoder* encoder = nullptr;
  heif_encoding_options* options = heif_encoding_options_alloc();
  heif_image_handle* handle = nullptr;
  std::string failure;
  const auto check = [&failure](heif_error e) {
    if (e.code != heif_error_Ok && failure.empty()) failure = e.message;
    return failure.empty();
  };
  if (check(heif_image_create(stored.width(), stored.height(), heif_colorspace_RGB,
                              heif_chroma_interleaved_RGB, &image)) &&
      check(heif_image_add_plane(image, heif_channel_interleaved, stored.width(), stored.height(),
                                 8)) &&
      check(heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder))) {
    int stride = 0;
    std::uint8_t* rgb = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < stored.height(); ++y)
      for (int x = 0; x < stored.width(); ++x)
        for (int c = 0; c < 3; ++c) rgb[y * stride + 3 * x + c] = stored.row(y)[3 * x + 2 - c];
    heif_encoder_set_lossy_quality(encoder, 90);
    options->image_orientation = static_cast<heif_orientation>(orientation);
    if (check(heif_context_encode_image(ctx, image, encoder, options, &handle)) &&
        check(heif_context_add_exif_metadata(ctx, handle, exif.data(),
                                             static_cast<int>(exif.size()))))
      check(heif_context_write_to_file(ctx, file.c_str()));
  }
  if (handle) heif_image_handle_release(handle);
  if (encoder) heif_encoder_release(encoder);
  heif_encoding_options_free(options);
  if (image) heif_image_release(image);
  heif_context_free(ctx);
  return failure;
}

// Regression: applying the EXIF orientation after libheif has applied the rotation property
// turns camera photos twice.
TEST(PhotoFiles, AHeicWithARotationPropertyIsTurnedOnceNotAgainByItsExif) {
  const Bytes exif = ReadBytes(SourceFolder().parent_path().parent_path() / "fuzz" / "seeds" /
                               "exif" / "photo_le.exif");
  ASSERT_EQ(ExifOrientation(exif), 6);
  test::TempFolder folder;
  const fs::path heic = folder.file("camera.heic");
  const Picture stored = ReadPpm(Photos() / "rgb.png.ref.ppm");  // 40 x 30
  ASSERT_EQ(CameraHeic(heic, stored, 6, exif), "");
  const std::string decoded = folder.file("camera.png");
  test::RunCommand("heif-convert '" + heic.string() + "' '" + decoded + "' 2>&1");
  test::RunCommand(
      "/usr/bin/python3 -c \"import sys; from PIL import Image; "
      "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2])\" '" +
      decoded + "' '" + folder.file("camera.ppm") + "'");
  const Picture reference = ReadPpm(folder.file("camera.ppm"));
  ASSERT_EQ(reference.width(), 30) << "heif-convert does not turn the picture";
  const LoadedPicture loaded = LoadPicture(heic.string());
  EXPECT_EQ(Difference(loaded.picture, reference, 0), "");
  EXPECT_EQ(ExifOrientation(loaded.metadata.exif), 1);
}

// --- Metadata ------------------------------------------------------------------------------------

// exiftool's plain values of the tags, one a line, "-" for a tag that is not there.
std::string ExifTool(const std::string& file, const std::string& tags) {
  return test::RunCommand("exiftool -f -s3 -n " + tags + " '" + file + "' 2>&1");
}

Bytes ExifToolProfile(const std::string& file) {
  const std::string s = test::RunCommand("exiftool -b -ICC_Profile '" + file + "' 2>/dev/null");
  return Bytes(s.begin(), s.end());
}

const char* const kKeptTags = "-DateTimeOriginal -Make -Model -GPSLatitude -Orientation";
const char* const kKeptValues = "2024:05:17 09:41:07\nDrollo Test\nPhone 7\n48.8584\n1\n";

TEST(PhotoMetadata, AJpegPhotoSavedAsJpegOrPngKeepsItsExifAndProfileUpright) {
  const std::string photo = (Photos() / "photo.jpg").string();
  const Bytes profile = ReadBytes(Photos() / "photo.icc");
  ASSERT_FALSE(profile.empty());
  const LoadedPicture loaded = LoadPicture(photo);
  EXPECT_EQ(loaded.picture.width(), 48);  // stored 64 x 48, orientation 6
  EXPECT_EQ(loaded.metadata.icc, profile);

  test::TempFolder folder;
  const std::string jpeg =
      SavePicture(loaded.picture, folder.file("saved.bmp"), FileType::Jpeg, loaded.metadata);
  EXPECT_EQ(jpeg, folder.file("saved.jpg"));
  const std::string png =
      SavePicture(loaded.picture, folder.file("saved"), FileType::Png, loaded.metadata);
  for (const std::string& saved : {jpeg, png}) {
    EXPECT_EQ(ExifTool(saved, kKeptTags), kKeptValues) << saved;
    EXPECT_EQ(ExifTool(saved, "-ThumbnailImage -ThumbnailLength"), "-\n-\n") << saved;
    EXPECT_EQ(ExifToolProfile(saved), profile) << saved;
    // Upright once, not turned again when opened.
    const LoadedPicture again = LoadPicture(saved);
    EXPECT_EQ(again.picture.width(), 48) << saved;
    EXPECT_EQ(again.metadata, loaded.metadata) << saved;
  }
  // Pictures saved without metadata carry none.
  const std::string plain = SavePicture(loaded.picture, folder.file("plain.jpg"), FileType::Jpeg);
  EXPECT_EQ(ExifTool(plain, "-DateTimeOriginal -ICC_Profile"), "-\n-\n");
}

// --- Writing PNG ---------------------------------------------------------------------------------

// PIL's view of a PNG: its mode, then its pixel bytes in hexadecimal.
std::string PilPixels(const std::string& file) {
  return test::RunCommand(
      "/usr/bin/python3 -c \"import sys; from PIL import Image; "
      "im = Image.open(sys.argv[1]); print(im.mode, im.tobytes().hex())\" '" +
      file + "' 2>&1");
}

TEST(PngWriter, PicturesAreWrittenLosslesslyAsRgbAndLayersAsRgba) {
  test::TempFolder folder;
  Picture picture(3, 2, 24);
  Picture layer(3, 2, PixelFormat::Bgra32());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      std::uint8_t* p = picture.mutableRow(y) + 3 * x;
      std::uint8_t* q = layer.mutableRow(y) + 4 * x;
      const int v = 10 * (3 * y + x);
      p[0] = q[0] = static_cast<std::uint8_t>(v);        // blue
      p[1] = q[1] = static_cast<std::uint8_t>(v + 1);    // green
      p[2] = q[2] = static_cast<std::uint8_t>(200 + v);  // red, wrong if the order is swapped
      q[3] = static_cast<std::uint8_t>(255 - v);
    }
  const std::string a = SavePicture(picture, folder.file("picture.x"), FileType::Png);
  EXPECT_EQ(PilPixels(a), "RGB c80100d20b0adc1514e61f1ef02928fa3332\n");
  const std::string b = SavePicture(layer, folder.file("layer"), FileType::Png);
  EXPECT_EQ(PilPixels(b), "RGBA c80100ffd20b0af5dc1514ebe61f1ee1f02928d7fa3332cd\n");
  // A grey picture is written in colour, and reads back as it was.
  Picture grey(2, 1, PixelFormat::Grey8());
  grey.mutableRow(0)[0] = 7;
  grey.mutableRow(0)[1] = 250;
  const std::string c = SavePicture(grey, folder.file("grey.png"), FileType::Png);
  EXPECT_EQ(PilPixels(c), "RGB 070707fafafa\n");
}

// Regression: libpng took memory for a whole ancillary chunk before reading it, 2 GiB for an eXIf
// chunk claiming that length in a file of 127 bytes.
TEST(PngReader, AChunkLongerThanTheFileIsRefusedBeforeLibpngReadsIt) {
  Bytes png = ReadBytes(Photos() / "rgb.png");
  const Bytes chunk = {0x7F, 0, 0, 0, 'e', 'X', 'I', 'f', 'M', 'M', 0, 42};
  png.insert(png.begin() + 33, chunk.begin(), chunk.end());  // after the header chunk
  try {
    ReadPng(png);
    FAIL() << "opened";
  } catch (const PictureFileError& e) {
    EXPECT_STREQ(e.what(), "The PNG file cannot be read: it is truncated.");
  }
}

// --- Opening by content, and what cannot be opened -----------------------------------------------

TEST(LoadPicture, UnknownOrUnreadableFilesGiveAnErrorNamingTheFileAndTheReason) {
  test::TempFolder folder;
  folder.write("notes.png", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
  folder.write("notes.xyz", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
  folder.write("empty.jpg", Bytes{});
  Bytes cut = ReadBytes(Photos() / "rgb.tif");
  cut.resize(cut.size() / 2);
  folder.write("cut.tif", cut);
  const struct {
    const char* file;
    const char* reason;
  } cases[] = {
      {"notes.png", "PNG"},   {"notes.xyz", "not a picture"},
      {"empty.jpg", "empty"}, {"missing.jpg", "No such file"},
      {"cut.tif", "TIFF"},
  };
  for (const auto& c : cases) {
    try {
      LoadPicture(folder.file(c.file));
      ADD_FAILURE() << c.file << " opened";
    } catch (const PictureFileError& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find(folder.file(c.file)), std::string::npos) << text;
      EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
  }
}

TEST(FileTypes, TheDialogsKeepTheirOldEntriesFirstAndInOrder) {
  EXPECT_EQ(OpenDialogFilter(),
            "*.jpg|*.jpg|*.jpeg|*.jpeg|*.bmp|*.bmp|*.wmf|*.wmf|*.emf|*.emf|*.gif|*.gif|"
            "*.png|*.png|*.webp|*.webp|*.tif|*.tif|*.tiff|*.tiff|*.heic|*.heic|*.heif|*.heif|"
            "*.avif|*.avif|All pictures|*.jpg *.jpeg *.bmp *.wmf *.emf *.gif *.png *.webp *.tif "
            "*.tiff *.heic *.heif *.avif *.ico|All files|*.*");
  EXPECT_EQ(OpenDialogAllPicturesEntry(), 14);
  EXPECT_EQ(SaveDialogFilter(), "*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf|*.png|*.png");
  const FileType saved[] = {FileType::Jpeg, FileType::Bmp, FileType::Metafile, FileType::Png};
  for (int i = 1; i <= 4; ++i) {
    ASSERT_NE(FileTypeForSaveFilter(i), nullptr);
    EXPECT_EQ(FileTypeForSaveFilter(i)->type, saved[i - 1]);
  }
  EXPECT_EQ(FileTypeForSaveFilter(5), nullptr);
  EXPECT_EQ(FileTypeForName("dir.png/Photo.JPEG")->type, FileType::Jpeg);
  EXPECT_EQ(FileTypeForName("scan.TIF")->type, FileType::Tiff);
  EXPECT_EQ(FileTypeForName("dir.png/photo"), nullptr);
  EXPECT_THROW(SavePicture(Picture(1, 1, 24), "x.gif", FileType::Gif), PictureFileError);
}

}  // namespace
}  // namespace drollo::formats
