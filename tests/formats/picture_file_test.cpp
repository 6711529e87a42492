#include "formats/picture_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "formats/bmp.h"
#include "formats/jpeg.h"
#include "formats/sample_files.h"
#include "formats/temp_folder.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

using samples::Bytes;

// --- Type keys ----------------------------------------------------------------------------------

struct KeyCase {
  const char* fileName;
  bool readAsJpeg;
};

class LoadPictureFileKey : public testing::TestWithParam<KeyCase> {};

// Every file holds the same JPEG; only the name decides whether it is read.
TEST_P(LoadPictureFileKey, TheLastFourCharactersDecide) {
  test::TempFolder folder;
  folder.write(GetParam().fileName, EncodeJpeg(drollo::test::PatternPicture(10, 6)));
  const std::optional<Picture> p = LoadPictureFile(folder.file(GetParam().fileName));
  ASSERT_TRUE(p.has_value());
  if (GetParam().readAsJpeg) {
    EXPECT_EQ(p->width(), 10);
    EXPECT_EQ(p->height(), 6);
    EXPECT_EQ(p->bitsPerPixel(), 24);
  } else {
    EXPECT_EQ(p->width(), 0);
    EXPECT_EQ(p->height(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, LoadPictureFileKey,
                         testing::Values(KeyCase{"a.JPEG", true}, KeyCase{"a.jpeg", true},
                                         KeyCase{"a.jpg", true}, KeyCase{"a.JpG", true},
                                         KeyCase{"xjpeg", true}, KeyCase{"a.jpe", false},
                                         KeyCase{"a.tif", false}, KeyCase{"a.png", false},
                                         KeyCase{"jpg", false}, KeyCase{"a.jpg.txt", false}),
                         [](const auto& info) {
                           std::string n = info.param.fileName;
                           for (char& c : n)
                             if (c == '.') c = '_';
                           return n;
                         });

TEST(TypeKey, IsTheLastFourCharactersInUpperCase) {
  EXPECT_EQ(TypeKey("photo.jpeg"), "JPEG");
  EXPECT_EQ(TypeKey("photo.jpg"), ".JPG");
  EXPECT_EQ(TypeKey("dir.bmp/x.ico"), ".ICO");
  EXPECT_EQ(TypeKey("a.b"), "A.B");
}

TEST(LoadPictureFile, AMissingFileGivesNoPictureWhateverItsKey) {
  test::TempFolder folder;
  for (const char* name : {"none.jpg", "none.bmp", "none.ico", "none.tif", "none"})
    EXPECT_FALSE(LoadPictureFile(folder.file(name)).has_value()) << name;
  EXPECT_FALSE(LoadPictureFile("").has_value());
}

struct DepthCase {
  const char* name;
  const char* fileName;
  Bytes (*make)();
  int bits;
};

class LoadPictureFileDepth : public testing::TestWithParam<DepthCase> {};

TEST_P(LoadPictureFileDepth, EachTypeGivesItsDepth) {
  test::TempFolder folder;
  folder.write(GetParam().fileName, GetParam().make());
  const std::optional<Picture> p = LoadPictureFile(folder.file(GetParam().fileName));
  ASSERT_TRUE(p.has_value());
  EXPECT_FALSE(p->empty());
  EXPECT_EQ(p->bitsPerPixel(), GetParam().bits);
}

Bytes Bmp32() {
  return EncodeBmp(Picture(3, 3, PixelFormat::Bgra32()));
}
Bytes Bmp8() {
  return EncodeBmp(Picture(3, 3, PixelFormat::Grey8()));
}
Bytes Bmp1() {
  return EncodeBmp(Picture(3, 3, 1));
}
Bytes GreyJpeg() {
  return samples::JpegFile(samples::JpegKind::kGrey, 8, 8, 50, 0, 0);
}
Bytes ColourJpeg() {
  return samples::JpegFile(samples::JpegKind::kColour, 8, 8, 50, 60, 70);
}
Bytes Gif() {
  return samples::GifFile(2, 2, 0, 0, 2, 2, {{0, 0, 0, 0}, {9, 9, 9, 0}}, {0, 1, 1, 0}, -1, false);
}
Bytes Icon() {
  return samples::IconFile(
      {samples::IconBitmap(2, 2, 32, std::vector<Bgra>(4, Bgra{1, 2, 3, 255}), {0, 0, 0, 0})});
}
Bytes Wmf() {
  return EncodePlaceableMetafile(Picture(3, 2, PixelFormat::Grey8()));
}

INSTANTIATE_TEST_SUITE_P(Types, LoadPictureFileDepth,
                         testing::Values(DepthCase{"bmp32", "p.bmp", Bmp32, 32},
                                         DepthCase{"bmp8", "p.BMP", Bmp8, 8},
                                         DepthCase{"bmp1", "p.bmp", Bmp1, 1},
                                         DepthCase{"grey_jpeg", "p.jpg", GreyJpeg, 8},
                                         DepthCase{"colour_jpeg", "p.jpeg", ColourJpeg, 24},
                                         DepthCase{"gif", "p.gif", Gif, 24},
                                         DepthCase{"ico", "p.ico", Icon, 24},
                                         DepthCase{"wmf", "p.wmf", Wmf, 24}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadPictureFile, AnUnreadableIconGivesAnIconError) {
  test::TempFolder folder;
  folder.write("bad.ico", Bytes{0, 0, 1, 0, 1, 0, 16, 16});
  try {
    LoadPictureFile(folder.file("bad.ico"));
    FAIL() << "no error";
  } catch (const IconFileError& e) {
    EXPECT_STREQ(e.what(), "The icon file is truncated.");
  }
  // Other types give the general error.
  folder.write("bad.gif", Bytes{'G', 'I', 'F'});
  try {
    LoadPictureFile(folder.file("bad.gif"));
    FAIL() << "no error";
  } catch (const IconFileError&) {
    FAIL() << "a GIF error reported as an icon error";
  } catch (const PictureFileError&) {
  }
}

TEST(LoadPictureFile, ContentThatDoesNotMatchTheKeyIsAnError) {
  test::TempFolder folder;
  folder.write("photo.bmp", EncodeJpeg(drollo::test::PatternPicture(4, 4)));
  EXPECT_THROW(LoadPictureFile(folder.file("photo.bmp")), PictureFileError);
}

class FakeMetafileReader : public MetafileReader {
 public:
  mutable int calls = 0;
  mutable std::size_t bytesSeen = 0;
  Picture Read(std::span<const std::uint8_t> file, const DecodeLimits&) const override {
    ++calls;
    bytesSeen = file.size();
    return Picture(5, 4, 24);
  }
};

TEST(LoadPictureFile, MetafileNamesGoThroughTheGivenReader) {
  test::TempFolder folder;
  folder.write("a.emf", Bytes(17, 1));
  folder.write("b.WMF", Bytes(9, 1));
  FakeMetafileReader reader;
  EXPECT_EQ(LoadPictureFile(folder.file("a.emf"), reader)->width(), 5);
  EXPECT_EQ(reader.bytesSeen, 17u);
  EXPECT_EQ(LoadPictureFile(folder.file("b.WMF"), reader)->height(), 4);
  EXPECT_EQ(reader.calls, 2);
}

// --- Names and saving ---------------------------------------------------------------------------

struct ExtensionCase {
  const char* name;
  const char* extension;
  const char* expected;
};

class WithExtensionRule : public testing::TestWithParam<ExtensionCase> {};

TEST_P(WithExtensionRule, ReplacesThePartAfterTheLastDotOfTheFileName) {
  EXPECT_EQ(WithExtension(GetParam().name, GetParam().extension), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, WithExtensionRule,
    testing::Values(ExtensionCase{"/home/me/cat.bmp", ".jpg", "/home/me/cat.jpg"},
                    ExtensionCase{"cat.jpg", ".bmp", "cat.bmp"},
                    ExtensionCase{"cat", ".wmf", "cat.wmf"},
                    ExtensionCase{"my.pictures/cat", ".jpg", "my.pictures/cat.jpg"},
                    ExtensionCase{"cat.tar.gz", ".jpg", "cat.tar.jpg"},
                    ExtensionCase{"cat.", ".jpg", "cat.jpg"},
                    ExtensionCase{"cat.wmf", ".wmf", "cat.wmf"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SaveAsMetafile, WritesUnderTheNameWithTheWmfExtensionAndReadsBack) {
  test::TempFolder folder;
  const Picture p = drollo::test::PatternPicture(12, 9);
  const std::string written = SaveAsMetafile(p, folder.file("out.bmp"));
  EXPECT_EQ(written, folder.file("out.wmf"));
  EXPECT_FALSE(std::filesystem::exists(folder.file("out.bmp")));
  const std::optional<Picture> back = LoadPictureFile(written);
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(drollo::test::SamePicture(p, *back));
}

TEST(SavePicture, BmpAndJpegFilesReadBackThroughTheirNames) {
  test::TempFolder folder;
  Picture p(9, 5, PixelFormat::Indexed(4, {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 200, 0}}));
  p.setPixel(3, 2, MakeColour(200, 0, 0));
  SaveAsBmp(p, folder.file("p.bmp"));
  EXPECT_TRUE(drollo::test::SamePicture(p, *LoadPictureFile(folder.file("p.bmp"))));
  SaveAsJpeg(p, folder.file("p.jpg"));
  EXPECT_EQ(LoadPictureFile(folder.file("p.jpg"))->width(), 9);
}

std::vector<std::string> FolderEntries(const test::TempFolder& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SavePicture, AFailedSaveLeavesTheExistingFileAndNoTemporaryFile) {
  test::TempFolder folder;
  folder.write("keep.jpg", Bytes{'o', 'l', 'd'});
  EXPECT_THROW(SaveAsJpeg(Picture(), folder.file("keep.jpg")), PictureFileError);
  EXPECT_THROW(SaveAsMetafile(Picture(40000, 1, 24), folder.file("keep.jpg")), PictureFileError);
  EXPECT_EQ(folder.read("keep.jpg"), (Bytes{'o', 'l', 'd'}));

  // The rename fails when the name is a folder: the temporary file is removed again.
  std::filesystem::create_directory(folder.file("taken.bmp"));
  folder.write("taken.bmp/inside", Bytes{1});
  EXPECT_THROW(SaveAsBmp(Picture(2, 2, 24), folder.file("taken.bmp")), PictureFileError);
  EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"keep.jpg", "taken.bmp"}));
  EXPECT_TRUE(std::filesystem::exists(folder.file("taken.bmp/inside")));
}

TEST(SavePicture, AFileThatCannotBeCreatedIsReportedByName) {
  test::TempFolder folder;
  const std::string name = folder.file("no such folder/p.bmp");
  try {
    SaveAsBmp(Picture(2, 2, 24), name);
    FAIL() << "no error";
  } catch (const PictureFileError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + name + "\"", 0), 0u)
        << e.what();
  }
}

TEST(SavePicture, OverwritingKeepsTheFilesPermissions) {
  test::TempFolder folder;
  folder.write("p.bmp", Bytes{1, 2, 3});
  ::chmod(folder.file("p.bmp").c_str(), 0640);
  SaveAsBmp(Picture(2, 2, 24), folder.file("p.bmp"));
  struct stat st {};
  ASSERT_EQ(::stat(folder.file("p.bmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(LoadPictureFile(folder.file("p.bmp"))->width(), 2);
  EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"p.bmp"}));
}

}  // namespace
}  // namespace drollo::formats
