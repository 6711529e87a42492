#include "formats/metafile.h"

#include <gtest/gtest.h>

#include "formats/icon.h"
#include "formats/sample_files.h"
#include "formats/temp_folder.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

using samples::Bytes;

unsigned Word(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::uint32_t Dword(const Bytes& b, std::size_t at) {
  return Word(b, at) | (Word(b, at + 2) << 16);
}

TEST(PlaceableMetafile, HeaderHoldsKeyBoxInchAndChecksum) {
  const Bytes file = EncodePlaceableMetafile(drollo::test::PatternPicture(605, 469));
  EXPECT_EQ(Dword(file, 0), 0x9AC6CDD7u);
  EXPECT_EQ(Word(file, 6), 0u);     // left
  EXPECT_EQ(Word(file, 8), 0u);     // top
  EXPECT_EQ(Word(file, 10), 605u);  // right
  EXPECT_EQ(Word(file, 12), 469u);  // bottom
  EXPECT_EQ(Word(file, 14), 96u);   // units per inch
  unsigned checksum = 0;
  for (int i = 0; i < 10; ++i) checksum ^= Word(file, 2 * i);
  EXPECT_EQ(Word(file, 20), checksum);
  // The metafile header's size counts every word after the placeable header.
  EXPECT_EQ(Dword(file, 22 + 6) * 2, file.size() - 22);
  // Anisotropic mapping mode, then window origin and extent (height before width).
  EXPECT_EQ(Word(file, 40 + 4), 0x0103u);
  EXPECT_EQ(Word(file, 40 + 6), 8u);
  EXPECT_EQ(Word(file, 48 + 4), 0x020Bu);
  EXPECT_EQ(Word(file, 58 + 4), 0x020Cu);
  EXPECT_EQ(Word(file, 58 + 6), 469u);
  EXPECT_EQ(Word(file, 58 + 8), 605u);
  EXPECT_EQ(Word(file, 68 + 4), 0x0F43u);
  // Last record: end of file.
  EXPECT_EQ(Dword(file, file.size() - 6), 3u);
  EXPECT_EQ(Word(file, file.size() - 2), 0u);
}

class MetafileRoundTrip : public testing::TestWithParam<int> {};

TEST_P(MetafileRoundTrip, OurReaderGivesTheTwentyFourBitPictureBack) {
  const Picture source = drollo::test::PatternPicture(23, 11);
  Picture p(23, 11, GetParam());
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 23; ++x) p.setPixel(x, y, source.pixel(x, y));
  const Picture back = BuiltInMetafileReader().Read(EncodePlaceableMetafile(p), {});
  EXPECT_TRUE(drollo::test::SamePicture(ToBgr24(p), back));
}

INSTANTIATE_TEST_SUITE_P(Depths, MetafileRoundTrip, testing::Values(1, 8, 16, 24, 32),
                         [](const auto& info) { return "bits" + std::to_string(info.param); });

// wmf2gd draws the bitmap with gd's resampling, which blends neighbouring pixels a little even at
// the same size and rounds each channel down; a picture of flat blocks of very different colours
// makes every pixel away from a block edge agree to within that rounding, and shows any shift,
// mirroring or channel swap.
TEST(PlaceableMetafile, Wmf2gdRendersTheSamePicture) {
  if (!test::HaveTool("wmf2gd")) GTEST_SKIP() << "wmf2gd (libwmf-bin) is not installed";
  constexpr int kBlock = 6, kW = 7 * kBlock, kH = 4 * kBlock;
  Picture p(kW, kH, 24);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int bx = x / kBlock, by = y / kBlock;
      p.setPixel(x, y, MakeColour(bx * 36, by * 80, (bx * 7 + by * 13) * 9 % 256));
    }
  test::TempFolder folder;
  folder.write("pic.wmf", EncodePlaceableMetafile(p));
  int status = 0;
  const std::string size =
      "--maxwidth=" + std::to_string(kW) + " --maxheight=" + std::to_string(kH);
  const std::string out =
      test::RunCommand("wmf2gd " + size + " --maxsize -o '" + folder.file("pic.png") + "' '" +
                           folder.file("pic.wmf") + "' 2>&1",
                       &status);
  ASSERT_EQ(status, 0) << out;
  const Picture rendered = DecodePngOverWhite(folder.read("pic.png"));
  ASSERT_EQ(rendered.width(), kW);
  ASSERT_EQ(rendered.height(), kH);
  int compared = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int ix = x % kBlock, iy = y % kBlock;
      if (ix == 0 || iy == 0 || ix == kBlock - 1 || iy == kBlock - 1) continue;
      const TColor got = rendered.pixel(x, y), want = p.pixel(x, y);
      ASSERT_NEAR(RedOf(got), RedOf(want), 1) << "pixel " << x << "," << y;
      ASSERT_NEAR(GreenOf(got), GreenOf(want), 1) << "pixel " << x << "," << y;
      ASSERT_NEAR(BlueOf(got), BlueOf(want), 1) << "pixel " << x << "," << y;
      ++compared;
    }
  EXPECT_EQ(compared, 7 * 4 * 16);
}

TEST(PlaceableMetafile, PicturesTheFormatCannotHoldAreRefused) {
  EXPECT_THROW(EncodePlaceableMetafile(Picture()), PictureFileError);
  EXPECT_THROW(EncodePlaceableMetafile(Picture(40000, 1, 24)), PictureFileError);
}

TEST(MetafileReader, EnhancedMetafilesAreToldApartAndRefused) {
  Bytes emf(88, 0);
  emf[0] = 1;
  emf[40] = ' ';
  emf[41] = 'E';
  emf[42] = 'M';
  emf[43] = 'F';
  try {
    BuiltInMetafileReader().Read(emf, {});
    FAIL() << "no error";
  } catch (const PictureFileError& e) {
    EXPECT_NE(std::string(e.what()).find("Enhanced"), std::string::npos);
  }
}

TEST(MetafileReader, BrokenFilesAreErrors) {
  const Bytes good = EncodePlaceableMetafile(drollo::test::PatternPicture(9, 7));
  for (std::size_t keep : {std::size_t{0}, std::size_t{10}, std::size_t{22}, std::size_t{45},
                           std::size_t{80}, good.size() / 2}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
    EXPECT_THROW(BuiltInMetafileReader().Read(cut, {}), PictureFileError) << "kept " << keep;
  }
  Bytes noInch = good;
  noInch[14] = noInch[15] = 0;
  EXPECT_THROW(BuiltInMetafileReader().Read(noInch, {}), PictureFileError);
  Bytes huge = good;
  huge[10] = huge[11] = huge[12] = huge[13] = 0x7F;  // 32639 x 32639
  huge[14] = 1;
  huge[15] = 0;  // one unit per inch: 96 times larger still
  EXPECT_THROW(BuiltInMetafileReader().Read(huge, {}), PictureFileError);
}

// A metafile without the placeable header takes its size from the window extent.
TEST(MetafileReader, PlainMetafilesTakeTheirSizeFromTheWindowExtent) {
  const Picture p = drollo::test::PatternPicture(6, 4);
  Bytes file = EncodePlaceableMetafile(p);
  file.erase(file.begin(), file.begin() + 22);
  EXPECT_TRUE(drollo::test::SamePicture(p, BuiltInMetafileReader().Read(file, {})));
}

}  // namespace
}  // namespace drollo::formats
