#include "formats/jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "formats/sample_files.h"
#include "formats/temp_folder.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

using samples::Bytes;
using samples::JpegKind;

// The example tables of the JPEG standard, in natural order; libjpeg scales them for a quality.
constexpr int kLuminance[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                                58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                                22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                                77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                                103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};
constexpr int kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                  24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

std::vector<int> ScaledTable(const int* table, int quality) {
  const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  std::vector<int> out;
  for (int i = 0; i < 64; ++i) out.push_back(std::clamp((table[i] * scale + 50) / 100, 1, 255));
  return out;
}

// Zigzag position i of a coded table holds the coefficient at natural position kNaturalOrder[i].
constexpr int kNaturalOrder[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                   12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                   35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                   58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// What the marker segments before the first scan say, read straight from the file's bytes; a
// file whose segments do not lead to a scan is a failure.
struct JpegHeaders {
  std::vector<int> frameMarkers;           // every start-of-frame marker (0xC0 to 0xCF
                                           // but 0xC4, 0xC8 and 0xCC), in file order
  std::vector<std::uint8_t> frame;         // the body of the first of them
  std::map<int, std::vector<int>> tables;  // table id -> 64 values in natural order
  std::vector<int> tablePrecisions;        // Pq of every table, in file order
};

testing::AssertionResult ReadHeaders(const Bytes& file, JpegHeaders& out) {
  if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8)
    return testing::AssertionFailure() << "no start-of-image marker";
  std::size_t at = 2;
  while (at + 4 <= file.size()) {
    if (file[at] != 0xFF) return testing::AssertionFailure() << "no marker at byte " << at;
    const int marker = file[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const std::size_t length = file[at + 2] << 8 | file[at + 3];
    if (length < 2 || at + 2 + length > file.size())
      return testing::AssertionFailure()
             << "segment " << std::hex << marker << " overruns the file";
    const std::uint8_t* body = file.data() + at + 4;
    const std::size_t bodySize = length - 2;
    if (marker == 0xDA) return testing::AssertionSuccess();
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      out.frameMarkers.push_back(marker);
      if (out.frame.empty()) out.frame.assign(body, body + bodySize);
    }
    if (marker == 0xDB) {
      std::size_t i = 0;
      while (i < bodySize) {
        const int precision = body[i] >> 4, id = body[i] & 15;
        const std::size_t valueBytes = precision == 0 ? 1 : 2;
        if (i + 1 + 64 * valueBytes > bodySize)
          return testing::AssertionFailure() << "quantisation table " << id << " is cut short";
        out.tablePrecisions.push_back(precision);
        std::vector<int> natural(64);
        for (int k = 0; k < 64; ++k) {
          const std::uint8_t* v = body + i + 1 + k * valueBytes;
          natural[kNaturalOrder[k]] = valueBytes == 1 ? v[0] : v[0] << 8 | v[1];
        }
        out.tables[id] = natural;
        i += 1 + 64 * valueBytes;
      }
    }
    at += 2 + length;
  }
  return testing::AssertionFailure() << "no start-of-scan marker";
}

int MaxDifference(const Picture& a, const Picture& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const TColor p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(RedOf(p) - RedOf(q)), std::abs(GreenOf(p) - GreenOf(q)),
                        std::abs(BlueOf(p) - BlueOf(q))});
    }
  return worst;
}

Picture Smooth(int width, int height) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.setPixel(x, y, MakeColour(4 * x, 3 * y, 200 - x - y));
  return p;
}

struct WrittenFile {
  const char* name;
  Bytes (*encode)(const Picture&);
};
void PrintTo(const WrittenFile& file, std::ostream* os) {
  *os << file.name;
}

class JpegWriterHeaders : public testing::TestWithParam<WrittenFile> {};

// The file is read here, without another decoder, so the check runs wherever the tests do.
TEST_P(JpegWriterHeaders, BaselineColourFrameWithTheQuality90Tables) {
  const Bytes file = GetParam().encode(drollo::test::PatternPicture(40, 24));
  JpegHeaders headers;
  ASSERT_TRUE(ReadHeaders(file, headers));

  // One baseline frame: 8 bits, 24 rows of 40, three components; Y sampled 2 x 2 with table 0,
  // Cb and Cr 1 x 1 with table 1.
  ASSERT_EQ(headers.frameMarkers, std::vector<int>{0xC0});
  const std::vector<std::uint8_t> frame = {8, 0, 24, 0, 40, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
  EXPECT_EQ(headers.frame, frame);

  EXPECT_EQ(headers.tablePrecisions, (std::vector<int>{0, 0}));  // baseline: 8-bit values
  ASSERT_EQ(headers.tables.size(), 2u);
  // libjpeg scales the standard tables to 20 % at quality 90: the first rows worked out by hand.
  const std::vector<int>& luminance = headers.tables[0];
  const std::vector<int>& chrominance = headers.tables[1];
  EXPECT_EQ(std::vector<int>(luminance.begin(), luminance.begin() + 8),
            (std::vector<int>{3, 2, 2, 3, 5, 8, 10, 12}));
  EXPECT_EQ(std::vector<int>(chrominance.begin(), chrominance.begin() + 8),
            (std::vector<int>{3, 4, 5, 9, 20, 20, 20, 20}));
  EXPECT_EQ(luminance, ScaledTable(kLuminance, 90));
  EXPECT_EQ(chrominance, ScaledTable(kChrominance, 90));
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegWriterHeaders,
    testing::Values(WrittenFile{"Plain", [](const Picture& p) { return EncodeJpeg(p); }},
                    WrittenFile{"WithExifAndProfile",
                                [](const Picture& p) {
                                  PhotoMetadata metadata;
                                  metadata.exif = drollo::test::CameraExif(1);
                                  metadata.icc = std::vector<std::uint8_t>(300, 0x5C);
                                  return EncodeJpeg(p, metadata);
                                }}),
    [](const testing::TestParamInfo<WrittenFile>& info) { return info.param.name; });

TEST(JpegWriter, DjpegDecodesTheSamePixelsAsOurReader) {
  if (!test::HaveTool("djpeg")) GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
  test::TempFolder folder;
  const Picture source = drollo::test::PatternPicture(21, 13);
  const Bytes file = EncodeJpeg(source);
  folder.write("out.jpg", file);
  const std::string ppm =
      test::RunCommand("djpeg -pnm '" + folder.file("out.jpg") + "' 2>/dev/null");
  const std::string header = "P6\n21 13\n255\n";
  ASSERT_EQ(ppm.substr(0, header.size()), header);
  const Picture ours = DecodeJpeg(file);
  ASSERT_EQ(ours.bitsPerPixel(), 24);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 21; ++x) {
      const std::size_t i = header.size() + 3 * (y * 21 + x);
      const auto u = [&](std::size_t k) { return static_cast<unsigned char>(ppm[k]); };
      ASSERT_EQ(ours.pixel(x, y), MakeColour(u(i), u(i + 1), u(i + 2))) << x << "," << y;
    }
}

TEST(JpegWriter, GreyPicturesAreWrittenInColour) {
  Picture grey(9, 9, PixelFormat::Grey8());
  for (int x = 0; x < 9; ++x) grey.setPixel(x, 4, MakeColour(200, 200, 200));
  const Picture back = DecodeJpeg(EncodeJpeg(grey));
  EXPECT_EQ(back.bitsPerPixel(), 24);
  EXPECT_LE(MaxDifference(ToBgr24(grey), back), 40);
}

TEST(JpegWriter, RoundTripStaysCloseToTheSmoothPicture) {
  const Picture p = Smooth(32, 20);
  EXPECT_LE(MaxDifference(p, DecodeJpeg(EncodeJpeg(p))), 6);
}

TEST(JpegWriter, PicturesTheFormatCannotHoldAreRefused) {
  EXPECT_THROW(EncodeJpeg(Picture()), PictureFileError);
  EXPECT_THROW(EncodeJpeg(Picture(70000, 1, 24)), PictureFileError);
}

struct KindCase {
  const char* name;
  JpegKind kind;
};

class JpegReaderColours : public testing::TestWithParam<KindCase> {};

// Every colour kind decodes to 24 bits of the colour written; the CMYK kinds through the ink of
// their black channel (64 of 255), so that inverting it wrongly shows.
TEST_P(JpegReaderColours, GiveTwentyFourBitsOfTheWrittenColour) {
  const int r = 200, g = 40, b = 120;
  const Picture p = DecodeJpeg(samples::JpegFile(GetParam().kind, 16, 16, r, g, b));
  ASSERT_EQ(p.bitsPerPixel(), 24);
  ASSERT_EQ(p.width(), 16);
  const bool cmyk = GetParam().kind == JpegKind::kCmykAdobe ||
                    GetParam().kind == JpegKind::kCmykPlain ||
                    GetParam().kind == JpegKind::kYcckAdobe;
  const auto ink = [&](int v) { return cmyk ? (v * 191 + 127) / 255 : v; };
  const TColor got = p.pixel(7, 9);
  EXPECT_NEAR(RedOf(got), ink(r), 3);
  EXPECT_NEAR(GreenOf(got), ink(g), 3);
  EXPECT_NEAR(BlueOf(got), ink(b), 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegReaderColours,
                         testing::Values(KindCase{"colour", JpegKind::kColour},
                                         KindCase{"progressive", JpegKind::kProgressive},
                                         KindCase{"cmyk_adobe_inverted", JpegKind::kCmykAdobe},
                                         KindCase{"cmyk_plain", JpegKind::kCmykPlain},
                                         KindCase{"ycck_adobe", JpegKind::kYcckAdobe}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JpegReader, GreyscaleFilesGiveEightBitsWithAGreyTable) {
  const Picture p = DecodeJpeg(samples::JpegFile(JpegKind::kGrey, 8, 8, 77, 0, 0));
  EXPECT_EQ(p.format(), PixelFormat::Grey8());
  EXPECT_NEAR(RedOf(p.pixel(3, 3)), 77, 1);
}

TEST(JpegReader, AFileWithoutItsEndMarkerIsReadWhole) {
  for (const Picture& p : {drollo::test::PatternPicture(40, 40), Smooth(16, 16)}) {
    const Bytes good = EncodeJpeg(p);
    const Bytes noEnd(good.begin(), good.end() - 2);
    EXPECT_TRUE(drollo::test::SamePicture(DecodeJpeg(good), DecodeJpeg(noEnd)));
  }
}

TEST(JpegReader, TruncatedAndCorruptFilesAreErrors) {
  const Bytes good = EncodeJpeg(drollo::test::PatternPicture(40, 40));
  for (std::size_t keep : {std::size_t{0}, std::size_t{2}, std::size_t{100}, good.size() / 2,
                           good.size() - 40, good.size() - 6}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
    EXPECT_THROW(DecodeJpeg(cut), PictureFileError) << "kept " << keep << " bytes";
  }
  Bytes notJpeg = good;
  notJpeg[0] = 'X';
  EXPECT_THROW(DecodeJpeg(notJpeg), PictureFileError);
}

TEST(JpegReader, PicturesOverTheLimitAreRefused) {
  const Bytes file = EncodeJpeg(drollo::test::PatternPicture(40, 40));
  EXPECT_THROW(DecodeJpeg(file, DecodeLimits{1599}), PictureFileError);
  EXPECT_EQ(DecodeJpeg(file, DecodeLimits{1600}).width(), 40);
}

}  // namespace
}  // namespace drollo::formats
