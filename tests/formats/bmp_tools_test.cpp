// Bitmap files checked against the Debian tools of libjpeg-turbo-progs: djpeg writes bitmaps
// (info and OS/2 core headers, 24 bits and 8 bits with a colour table) that our reader must read
// exactly as djpeg's own PNM output, and cjpeg must read the bitmaps our writer makes.
#include <gtest/gtest.h>

#include <sstream>

#include "formats/bmp.h"
#include "formats/jpeg.h"
#include "formats/temp_folder.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

// A binary PPM or PGM (P6 or P5, maxval 255) as a 24-bit picture.
Picture ParsePpm(const std::string& text) {
  std::istringstream in(text);
  std::string magic;
  int width = 0, height = 0, maxval = 0;
  in >> magic >> width >> height >> maxval;
  in.get();
  if ((magic != "P6" && magic != "P5") || maxval != 255) return Picture();
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int r = in.get();
      const int g = magic == "P6" ? in.get() : r;
      const int b = magic == "P6" ? in.get() : r;
      p.setPixel(x, y, MakeColour(r, g, b));
    }
  return p;
}

class BmpWithDjpeg : public testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("djpeg") || !test::HaveTool("cjpeg"))
      GTEST_SKIP() << "djpeg and cjpeg (libjpeg-turbo-progs) are not installed";
    folder_.write("in.jpg", EncodeJpeg(drollo::test::PatternPicture(29, 17)));
  }
  std::string Run(const std::string& args) {
    return test::RunCommand("djpeg " + args + " '" + folder_.file("in.jpg") + "' 2>/dev/null");
  }
  test::TempFolder folder_;
};

TEST_F(BmpWithDjpeg, TwentyFourBitInfoHeaderFilesReadExactly) {
  const std::string bmp = Run("-bmp");
  const Picture p =
      DecodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size()));
  EXPECT_EQ(p.bitsPerPixel(), 24);
  EXPECT_TRUE(drollo::test::SamePicture(ParsePpm(Run("-pnm")), p));
}

TEST_F(BmpWithDjpeg, CoreHeaderFilesReadExactly) {
  const std::string bmp = Run("-os2");
  const Picture p =
      DecodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size()));
  EXPECT_TRUE(drollo::test::SamePicture(ParsePpm(Run("-pnm")), ToBgr24(p)));
}

TEST_F(BmpWithDjpeg, ColourTableFilesReadAtEightBits) {
  const std::string bmp = Run("-bmp -colors 16");
  const Picture p =
      DecodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size()));
  EXPECT_EQ(p.bitsPerPixel(), 8);
  EXPECT_TRUE(drollo::test::SamePicture(ParsePpm(Run("-pnm -colors 16")), ToBgr24(p)));
}

class BmpWithCjpeg : public testing::TestWithParam<int> {};

// cjpeg reads 8-, 24- and 32-bit bitmaps with info headers; at quality 100 its JPEG decodes to
// within a few levels of the picture, and any mistake in the headers, row order or colour
// order would show far more.
TEST_P(BmpWithCjpeg, ReadsTheBitmapsWeWrite) {
  if (!test::HaveTool("djpeg") || !test::HaveTool("cjpeg"))
    GTEST_SKIP() << "djpeg and cjpeg (libjpeg-turbo-progs) are not installed";
  const Picture source = drollo::test::PatternPicture(23, 13);
  PixelFormat format = GetParam() == 8 ? PixelFormat::Grey8() : PixelFormat::Bgr24();
  if (GetParam() == 32) {
    format.bitsPerPixel = 32;  // plain 32 bits, no alpha: an info header
    format.redMask = 0xFF0000;
    format.greenMask = 0xFF00;
    format.blueMask = 0xFF;
  }
  Picture p(23, 13, format);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 23; ++x) p.setPixel(x, y, source.pixel(x, y));
  test::TempFolder folder;
  folder.write("p.bmp", EncodeBmp(p));
  const std::string ppm =
      test::RunCommand("cjpeg -quality 100 -sample 1x1 '" + folder.file("p.bmp") +
                       "' 2>/dev/null | djpeg -pnm 2>/dev/null");
  const Picture back = ParsePpm(ppm);
  ASSERT_EQ(back.width(), 23);
  ASSERT_EQ(back.height(), 13);
  const Picture want = ToBgr24(p);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 23; ++x) {
      const TColor a = want.pixel(x, y), b = back.pixel(x, y);
      ASSERT_NEAR(RedOf(a), RedOf(b), 4) << x << "," << y;
      ASSERT_NEAR(GreenOf(a), GreenOf(b), 4) << x << "," << y;
      ASSERT_NEAR(BlueOf(a), BlueOf(b), 4) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpWithCjpeg, testing::Values(8, 24, 32),
                         [](const auto& info) { return "bits" + std::to_string(info.param); });

}  // namespace
}  // namespace drollo::formats
