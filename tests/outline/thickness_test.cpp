// Line thickness: horizontal lines of every width under both passes, the special radii and
// colours, the tabulated circle test against the direct one, and the radius box.
#include "outline/thickness.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/pictures.h"

namespace drollo::outline {
namespace {

using test::FilledPicture;
using test::SamePicture;

constexpr int kW = 40, kH = 30, kTop = 10;

// A white layer with a horizontal line of `width` rows from row kTop, across the whole layer.
TBitmap32 LineLayer(int width, TColor colour = kBlack) {
  TBitmap32 l;
  l.Assign(FilledPicture(kW, kH, kWhite));
  for (int y = kTop; y < kTop + width; ++y)
    for (int x = 0; x < kW; ++x) l.setPixel(x, y, colour);
  return l;
}

// Rows [first, last] of column x are `colour`, every other row white.
void ExpectColumn(const TBitmap32& l, int x, int first, int last, TColor colour) {
  for (int y = 0; y < kH; ++y)
    EXPECT_EQ(l.pixel(x, y), y >= first && y <= last ? colour : kWhite)
        << "column " << x << " row " << y;
}

struct LineCase {
  int width;
  int thickened;  // width after one thickening pass with r = 3 (grown evenly on both sides)
  int thinned;    // width after one thinning pass with r = 3 (shrunk evenly)
};

class HorizontalLine : public testing::TestWithParam<LineCase> {};

TEST_P(HorizontalLine, ThickenAndThinWithRadiusThree) {
  const LineCase& c = GetParam();
  const TBitmap32 l = LineLayer(c.width);
  const TBitmap32 thick = ThickenLines(l, 3);
  const TBitmap32 thin = ThinLines(l, 3);
  const int grow = (c.thickened - c.width) / 2, shrink = (c.width - c.thinned) / 2;
  for (int x = 4; x < kW - 4; ++x) {
    ExpectColumn(thick, x, kTop - grow, kTop + c.width - 1 + grow, kBlack);
    ExpectColumn(thin, x, kTop + shrink, kTop + c.width - 1 - shrink, kBlack);
  }
}

TEST_P(HorizontalLine, RadiusZeroGrowsByOnePixelAndNeverThins) {
  const LineCase& c = GetParam();
  const TBitmap32 l = LineLayer(c.width);
  const TBitmap32 thick = ThickenLines(l, 0);
  for (int x = 1; x < kW - 1; ++x) ExpectColumn(thick, x, kTop - 1, kTop + c.width, kBlack);
  EXPECT_TRUE(SamePicture(l, ThinLines(l, 0)));
}

TEST_P(HorizontalLine, PureBlueLineAlwaysGrowsAndNeverThins) {
  const LineCase& c = GetParam();
  const TColor blue = MakeColour(0, 0, 255);
  const TBitmap32 l = LineLayer(c.width, blue);
  const TBitmap32 thick = ThickenLines(l, 3);
  // Nearer to the sides than r the circle does not fit and the test says "thick".
  for (int x = 3; x < kW - 3; ++x) {
    EXPECT_EQ(thick.pixel(x, kTop - 1), kBlack) << x;
    EXPECT_EQ(thick.pixel(x, kTop + c.width), kBlack) << x;
    for (int y = kTop; y < kTop + c.width; ++y) EXPECT_EQ(thick.pixel(x, y), blue);
  }
  const TBitmap32 thin = ThinLines(l, 3);
  for (int x = 3; x < kW - 3; ++x) ExpectColumn(thin, x, kTop, kTop + c.width - 1, blue);
}

INSTANTIATE_TEST_SUITE_P(WidthsOneToEight, HorizontalLine,
                         testing::Values(LineCase{1, 3, 1}, LineCase{2, 4, 2}, LineCase{3, 3, 3},
                                         LineCase{4, 4, 2}, LineCase{5, 5, 3}, LineCase{6, 6, 4},
                                         LineCase{7, 7, 5}, LineCase{8, 8, 6}));

TEST(LineBalance, ThinsThenThickens) {
  // 8 rows thin to 6, which are thick enough to stay; 1 row stays and then grows to 3.
  const TBitmap32 eight = BalanceLines(LineLayer(8), 3);
  const TBitmap32 one = BalanceLines(LineLayer(1), 3);
  for (int x = 4; x < kW - 4; ++x) {
    ExpectColumn(eight, x, kTop + 1, kTop + 6, kBlack);
    ExpectColumn(one, x, kTop - 1, kTop + 1, kBlack);
  }
}

// Pass references through the untabulated circle test and single-pixel reads.
TBitmap32 ReferenceThicken(const TBitmap32& l, int r) {
  TBitmap32 d = l;
  for (int y = 1; y < l.height() - 1; ++y)
    for (int x = 1; x < l.width() - 1; ++x) {
      if (l.pixel(x, y) != kWhite) continue;
      if (l.pixel(x - 1, y) == kWhite && l.pixel(x + 1, y) == kWhite &&
          l.pixel(x, y - 1) == kWhite && l.pixel(x, y + 1) == kWhite)
        continue;
      if (lesslinethick(l, x, y, r)) {
        std::uint8_t* p = d.mutableRow(y) + 4 * x;
        p[0] = p[1] = p[2] = 0, p[3] = 255;
      }
    }
  return d;
}

TBitmap32 ReferenceThin(const TBitmap32& l, int r) {
  TBitmap32 d = l;
  auto bg = [&](int x, int y) {
    const TColor c = l.pixel(x, y);
    return c == kWhite || c == MakeColour(236, 233, 216) ? 1 : 0;
  };
  for (int y = 1; y < l.height() - 1; ++y)
    for (int x = 1; x < l.width() - 1; ++x) {
      const int f[8] = {bg(x - 1, y - 1), bg(x, y - 1), bg(x + 1, y - 1), bg(x + 1, y),
                        bg(x + 1, y + 1), bg(x, y + 1), bg(x - 1, y + 1), bg(x - 1, y)};
      int b = 0, a = 0;
      for (int k = 0; k < 8; ++k) b += f[k], a += f[k] == 0 && f[(k + 1) % 8] == 1;
      const int n = f[1], e = f[3], s = f[5], w = f[7];
      if (b < 2 || b > 6 || a != 1 || n * e * s != 0 || w * e * s != 0) continue;
      if (l.pixel(x - 1, y) != kWhite && l.pixel(x + 1, y) != kWhite &&
          l.pixel(x, y - 1) != kWhite && l.pixel(x, y + 1) != kWhite)
        continue;
      if (lesslinethick(l, x, y, r)) continue;
      std::uint8_t* p = d.mutableRow(y) + 4 * x;
      p[0] = p[1] = p[2] = p[3] = 255;
    }
  return d;
}

// Blobs and strokes of black, blue and the pale background colour on white.
TBitmap32 Scribble(int w, int h, std::uint32_t seed) {
  TBitmap32 l;
  l.Assign(FilledPicture(w, h, kWhite));
  const TColor colours[] = {kBlack, MakeColour(0, 0, 255), MakeColour(236, 233, 216),
                            MakeColour(90, 40, 255)};
  for (int n = 0; n < 12; ++n) {
    seed = seed * 1664525u + 1013904223u;
    const int cx = (seed >> 8) % w, cy = (seed >> 16) % h, rad = 1 + (seed >> 24) % 4;
    const TColor c = colours[(seed >> 4) % 4];
    for (int y = cy - rad; y <= cy + rad; ++y)
      for (int x = cx - 2 * rad; x <= cx + 2 * rad; ++x)
        if ((x - cx) * (x - cx) + 4 * (y - cy) * (y - cy) <= 4 * rad * rad) l.setPixel(x, y, c);
  }
  return l;
}

TEST(LineThickness, PassesEqualThePlainCircleTest) {
  for (int r : {0, 1, 2, 3, 5, 9, 40, 100000, INT_MAX}) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
      const TBitmap32 l = Scribble(37, 26, seed);
      EXPECT_TRUE(SamePicture(ReferenceThicken(l, r), ThickenLines(l, r))) << "r " << r;
      EXPECT_TRUE(SamePicture(ReferenceThin(l, r), ThinLines(l, r))) << "r " << r;
    }
  }
}

TEST(LineThickness, FrameNeverChangesAndTinyLayersPassThrough) {
  const TBitmap32 l = Scribble(20, 15, 7);
  for (const TBitmap32& out : {ThickenLines(l, 3), ThinLines(l, 3), ThickenLines(l, 0)}) {
    for (int x = 0; x < 20; ++x) {
      EXPECT_EQ(out.pixel(x, 0), l.pixel(x, 0));
      EXPECT_EQ(out.pixel(x, 14), l.pixel(x, 14));
    }
    for (int y = 0; y < 15; ++y) {
      EXPECT_EQ(out.pixel(0, y), l.pixel(0, y));
      EXPECT_EQ(out.pixel(19, y), l.pixel(19, y));
    }
  }
  for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {2, 7}, {7, 2}}) {
    TBitmap32 tiny(w, h);
    EXPECT_TRUE(SamePicture(tiny, ThickenLines(tiny, 3)));
    EXPECT_TRUE(SamePicture(tiny, ThinLines(tiny, 3)));
  }
}

TEST(CircleTest, UniformCircleCountsAsThinEdgeOfWideAreaDoesNot) {
  TBitmap32 l;
  l.Assign(FilledPicture(20, 20, kWhite));
  EXPECT_TRUE(lesslinethick(l, 10, 10, 3));
  // The left edge of a black area wider than the circle.
  for (int y = 0; y < 20; ++y)
    for (int x = 11; x < 20; ++x) l.setPixel(x, y, kBlack);
  EXPECT_FALSE(lesslinethick(l, 11, 10, 3));
}

struct RadiusText {
  const char* text;
  RadiusInput::Outcome outcome;
  int value;
};

class RadiusBox : public testing::TestWithParam<RadiusText> {};

TEST_P(RadiusBox, ValidatesAndConverts) {
  const RadiusText& t = GetParam();
  const RadiusInput in = ParseRadius(t.text);
  EXPECT_EQ(in.outcome, t.outcome);
  switch (t.outcome) {
    case RadiusInput::Outcome::Valid:
      EXPECT_EQ(in.value, t.value);
      break;
    case RadiusInput::Outcome::InvalidInteger:
      EXPECT_EQ(in.message, "Invalid integer");
      EXPECT_EQ(in.caption, "Sorry");
      break;
    case RadiusInput::Outcome::ConversionError:
      EXPECT_EQ(in.message, std::string("'") + t.text + "' 不是有效的整型值");
      break;
  }
}

using O = RadiusInput::Outcome;
INSTANTIATE_TEST_SUITE_P(
    Texts, RadiusBox,
    testing::Values(RadiusText{"3", O::Valid, 3}, RadiusText{"007", O::Valid, 7},
                    RadiusText{"0", O::Valid, 0}, RadiusText{"2147483647", O::Valid, INT_MAX},
                    RadiusText{"000000000000000000012", O::Valid, 12},
                    RadiusText{"3a", O::InvalidInteger, 0}, RadiusText{"-3", O::InvalidInteger, 0},
                    RadiusText{" 3", O::InvalidInteger, 0}, RadiusText{"", O::InvalidInteger, 0},
                    RadiusText{"2147483648", O::ConversionError, 0},
                    RadiusText{"99999999999999999999", O::ConversionError, 0}));

}  // namespace
}  // namespace drollo::outline
