#include "image/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/pictures.h"

namespace drollo {
namespace {

// The plain definition: every target pixel is the area-weighted mean of the source pixels under
// it, the target laid over the whole source.
Picture ReferenceResample(const Picture& src, int w, int h) {
  Picture out(w, h, 24);
  const double sx = double(src.width()) / w;
  const double sy = double(src.height()) / h;
  for (int ty = 0; ty < h; ++ty) {
    for (int tx = 0; tx < w; ++tx) {
      double acc[3] = {0, 0, 0};
      double area = 0;
      const double x0 = tx * sx, x1 = (tx + 1) * sx, y0 = ty * sy, y1 = (ty + 1) * sy;
      for (int y = int(y0); y < src.height() && y < y1; ++y) {
        const double oy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
        for (int x = int(x0); x < src.width() && x < x1; ++x) {
          const double a = oy * (std::min<double>(x + 1, x1) - std::max<double>(x, x0));
          if (a <= 0) continue;
          for (int c = 0; c < 3; ++c) acc[c] += a * src.row(y)[3 * x + c];
          area += a;
        }
      }
      for (int c = 0; c < 3; ++c)
        out.mutableRow(ty)[3 * tx + c] = static_cast<std::uint8_t>(std::floor(acc[c] / area + 0.5));
    }
  }
  return out;
}

struct SizeCase {
  int sw, sh, tw, th;
};

class AreaResampleTest : public testing::TestWithParam<SizeCase> {};

TEST_P(AreaResampleTest, MatchesTheAreaWeightedMean) {
  const SizeCase c = GetParam();
  const Picture src = test::PatternPicture(c.sw, c.sh, 7);
  const Picture got = AreaResample(src, c.tw, c.th);
  const Picture want = ReferenceResample(src, c.tw, c.th);
  ASSERT_EQ(got.width(), c.tw);
  ASSERT_EQ(got.height(), c.th);
  ASSERT_EQ(got.bitsPerPixel(), 24);
  // The reference works in floating point; a sum landing on a half may round the other way.
  int off = 0;
  for (int y = 0; y < c.th; ++y)
    for (int i = 0; i < 3 * c.tw; ++i) {
      const int d = std::abs(int(got.row(y)[i]) - int(want.row(y)[i]));
      ASSERT_LE(d, 1) << "byte " << i << " of row " << y;
      off += d;
    }
  EXPECT_LE(off, c.tw * c.th * 3 / 100 + 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AreaResampleTest,
                         testing::Values(SizeCase{605, 469, 302, 234}, SizeCase{605, 469, 378, 292},
                                         SizeCase{40, 30, 97, 61}, SizeCase{37, 23, 5, 3},
                                         SizeCase{10, 10, 1, 1}, SizeCase{3, 2, 7, 9},
                                         SizeCase{64, 1, 13, 5}));

TEST(AreaResample, SameSizeGivesThePictureBack) {
  const Picture src = test::PatternPicture(33, 17);
  EXPECT_TRUE(test::SamePicture(src, AreaResample(src, 33, 17)));
}

TEST(AreaResample, HalvingAveragesBlocksOfFour) {
  Picture src(2, 2, 24);
  src.setPixel(0, 0, MakeColour(0, 0, 0));
  src.setPixel(1, 0, MakeColour(100, 0, 0));
  src.setPixel(0, 1, MakeColour(200, 0, 0));
  src.setPixel(1, 1, MakeColour(100, 40, 0));
  const Picture got = AreaResample(src, 1, 1);
  EXPECT_EQ(got.pixel(0, 0), MakeColour(100, 10, 0));
}

TEST(AreaResample, OtherDepthsAreReadAsTheirColours) {
  Picture grey(4, 4, PixelFormat::Grey8());
  for (int y = 0; y < 4; ++y) std::fill_n(grey.mutableRow(y), 4, std::uint8_t(90));
  const Picture got = AreaResample(grey, 3, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 3; ++x) ASSERT_EQ(got.pixel(x, y), MakeColour(90, 90, 90));
}

TEST(AreaResample, EmptySizes) {
  EXPECT_TRUE(AreaResample(Picture(), 4, 4).width() == 4);
  EXPECT_TRUE(AreaResample(test::PatternPicture(4, 4), 0, 4).empty());
}

}  // namespace
}  // namespace drollo
