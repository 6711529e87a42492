#include "formats/exif.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "formats/temp_folder.h"

namespace drollo::formats {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes StoredBlock(const char* name) {
  const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() /
                    "fuzz" / "seeds" / "exif" / name;
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), {});
}

// Blocks written by exiftool in both byte orders, with a thumbnail: rewritten upright, exiftool
// still reads every other tag, and the thumbnail is gone.
TEST(Exif, AnUprightBlockKeepsItsTagsAndLosesOrientationAndThumbnail) {
  const struct {
    const char* name;
    int orientation;
  } cases[] = {{"photo_le.exif", 6}, {"photo_be.exif", 8}};
  for (const auto& c : cases) {
    const Bytes block = StoredBlock(c.name);
    ASSERT_GT(block.size(), 700u) << c.name;
    EXPECT_EQ(ExifOrientation(block), c.orientation) << c.name;
    const Bytes upright = UprightExif(block);
    EXPECT_EQ(ExifOrientation(upright), 1) << c.name;
    EXPECT_LE(upright.size() + 699, block.size()) << c.name << ": the thumbnail's bytes stay";
    test::TempFolder folder;
    folder.write("upright.exif", upright);
    EXPECT_EQ(test::RunCommand("exiftool -f -s3 -n -Orientation -Model -DateTimeOriginal "
                               "-GPSLatitude -ThumbnailLength '" +
                               folder.file("upright.exif") + "' 2>&1"),
              "1\nPhone 7\n2024:05:17 09:41:07\n48.8584\n-\n")
        << c.name;
  }
}

// A directory with one orientation entry of the given type, count and value, little-endian.
Bytes OneEntry(std::uint16_t type, std::uint16_t value, std::uint8_t count = 1) {
  const auto t = static_cast<std::uint8_t>(type);
  const auto v = static_cast<std::uint8_t>(value);
  // clang-format off
  return Bytes{'I', 'I', 42, 0, 8, 0, 0, 0,         // header, IFD0 at 8
               1, 0,                                // one entry:
               0x12, 0x01, t, 0, count, 0, 0, 0,    //   tag, type, count
               v, 0, 0, 0,                          //   value
               0, 0, 0, 0};                         // no next directory
  // clang-format on
}

TEST(Exif, MissingOrInvalidOrientationsReadAsUpright) {
  EXPECT_EQ(ExifOrientation(OneEntry(3, 5)), 5);
  EXPECT_EQ(ExifOrientation(OneEntry(3, 9)), 1);
  EXPECT_EQ(ExifOrientation(OneEntry(3, 0)), 1);
  EXPECT_EQ(ExifOrientation(OneEntry(4, 6)), 1);     // not a SHORT
  EXPECT_EQ(ExifOrientation(OneEntry(3, 6, 3)), 1);  // an offset to three values, not a value
  EXPECT_EQ(ExifOrientation(Bytes{'I', 'I', 42, 0, 200, 0, 0, 0}), 1);
  EXPECT_EQ(ExifOrientation(Bytes{}), 1);
  EXPECT_TRUE(UprightExif(Bytes{'X', 'X', 42, 0, 8, 0, 0, 0}).empty());
  const Bytes upright = UprightExif(OneEntry(3, 7));
  EXPECT_EQ(upright, OneEntry(3, 1));
}

}  // namespace
}  // namespace drollo::formats
