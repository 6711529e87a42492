// Pen and pencil sketches, their colour conversions and labels, and the speckle removal.
#include "effects/sketch/sketch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "effects/sketch/grey.h"
#include "image/pixel_math.h"
#include "support/pictures.h"

namespace drollo::sketch {
namespace {

using test::FilledPicture;
using test::PatternPicture;
using test::SamePicture;

Picture GreyPicture(std::initializer_list<int> greys) {
  Picture p(static_cast<int>(greys.size()), 1, 24);
  int x = 0;
  for (int g : greys) p.setPixel(x++, 0, MakeColour(g, g, g));
  return p;
}

// Per pixel through the colour value and the library rounding: what the fast paths must equal.
Picture ReferenceSketch(const Picture& edge, int pressure, int contrast) {
  const double t = std::tan(contrast * std::numbers::pi / 180);
  Picture out(edge.width(), edge.height(), 24);
  for (int y = 0; y < edge.height(); ++y)
    for (int x = 0; x < edge.width(); ++x) {
      const TColor c = edge.pixel(x, y);
      const int grey = GreyValue(RedOf(c), GreenOf(c), BlueOf(c));
      int v;
      if (pressure >= 0) {
        v = grey > pressure ? 255 : 0;
      } else {
        const Hsl hsl = RgbToHsl(grey, grey, grey);
        const Rgb rgb = HslToRgb(hsl.H, hsl.S, PencilLightness(hsl.L, contrast, t));
        EXPECT_TRUE(rgb.R == rgb.G && rgb.G == rgb.B);
        v = rgb.R;
      }
      out.setPixel(x, y, MakeColour(v, v, v));
    }
  return out;
}

TEST(GreyValue, TablesEqualTheFormulaForEveryColour) {
  const GreyTables& grey = GreyTables::Instance();
  int wrong = 0;
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                                     static_cast<std::uint8_t>(r)};
        if (grey(bgr) != GreyValue(r, g, b) && ++wrong < 5)
          ADD_FAILURE() << r << "," << g << "," << b;
      }
  EXPECT_EQ(wrong, 0);
}

TEST(PenSketch, PressureDecidesWhite) {
  const Picture edge = GreyPicture({0, 150, 151, 254, 255});
  EXPECT_TRUE(SamePicture(GreyPicture({0, 0, 0, 0, 0}), twovalue(edge, 255)));
  EXPECT_TRUE(SamePicture(GreyPicture({0, 0, 255, 255, 255}), twovalue(edge, 150)));
}

TEST(PenSketch, EqualsThePerPixelFormula) {
  const Picture edge = PatternPicture(37, 23, 5);
  for (int pressure : {1, 100, 150, 200, 255})
    EXPECT_TRUE(SamePicture(ReferenceSketch(edge, pressure, 0), twovalue(edge, pressure)))
        << "pressure " << pressure;
}

TEST(PenSketch, ReadsOtherDepthsAsTwentyFourBits) {
  Picture indexed(5, 4, PixelFormat::Grey8());
  for (int y = 0; y < 4; ++y) indexed.mutableRow(y)[0] = 200;
  const Picture out = twovalue(indexed, 150);
  EXPECT_EQ(out.bitsPerPixel(), 24);
  EXPECT_TRUE(SamePicture(twovalue(ToBgr24(indexed), 150), out));
}

// Written into a picture: into its own bytes when it is 24 bits of the edge's size, else into new
// ones; the pixels are the same either way and whatever the picture held.
TEST(PenSketch, IntoAPictureGivesTheSameWhateverThePictureWas) {
  const Picture edge = PatternPicture(37, 23, 5);
  const Picture pen = twovalue(edge, 150), pencil = PencilSketch(edge, 45);
  std::vector<Picture> targets;
  targets.emplace_back();
  targets.push_back(PatternPicture(37, 23, 8));
  targets.push_back(PatternPicture(36, 23, 8));
  targets.emplace_back(37, 23, PixelFormat::Grey8());
  targets.emplace_back(37, 23, PixelFormat::Bgra32());
  targets.push_back(Picture::Blank(37, 23, PixelFormat::Bgr24(), 7));
  for (std::size_t i = 0; i < targets.size(); ++i) {
    Picture out = targets[i];
    const std::uint8_t* before = out.blank() ? nullptr : out.row(0);
    const bool reusable = i == 1;
    twovalueInto(edge, 150, out, {});
    EXPECT_TRUE(SamePicture(pen, out)) << "target " << i;
    EXPECT_EQ(out.row(0) == before, reusable) << "target " << i;
    PencilSketchInto(edge, 45, out, {});
    EXPECT_TRUE(SamePicture(pencil, out)) << "target " << i;
  }
}

TEST(ColourConversion, WorkedValues) {
  EXPECT_EQ(RgbToHsl(255, 0, 0), (Hsl{0, 100, 50}));
  EXPECT_EQ(RgbToHsl(0, 0, 255), (Hsl{240, 100, 50}));
  EXPECT_EQ(RgbToHsl(200, 200, 200), (Hsl{0, 0, 78}));
  EXPECT_EQ(HslToRgb(0, 100, 50), (Rgb{255, 0, 0}));
  EXPECT_EQ(HslToRgb(120, 100, 50), (Rgb{0, 255, 0}));
  EXPECT_EQ(HslToRgb(0, 0, 50), (Rgb{128, 128, 128}));
  EXPECT_EQ(HslToRgb(0, 0, 100), (Rgb{255, 255, 255}));
  EXPECT_EQ(HslToRgb(0, 0, 0), (Rgb{0, 0, 0}));
}

TEST(ColourConversion, OutOfRangeGivesBlack) {
  for (const Hsl& h : {Hsl{360, 50, 50}, Hsl{-1, 50, 50}, Hsl{0, 101, 50}, Hsl{0, -1, 50},
                       Hsl{0, 50, 101}, Hsl{0, 50, -1}})
    EXPECT_EQ(HslToRgb(h.H, h.S, h.L), (Rgb{0, 0, 0}));
}

struct PencilRow {
  int contrast;
  std::array<int, 6> out;  // for greys 0, 64, 128, 200, 240, 255
};

class PencilCurve : public testing::TestWithParam<PencilRow> {};

TEST_P(PencilCurve, MatchesTheTable) {
  const PencilRow& row = GetParam();
  const auto table = PencilTable(row.contrast);
  const int greys[6] = {0, 64, 128, 200, 240, 255};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(table[greys[i]], row.out[i]) << "grey " << greys[i];
  const Picture edge = GreyPicture({0, 64, 128, 200, 240, 255});
  const Picture out = PencilSketch(edge, row.contrast);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(out.pixel(i, 0), MakeColour(row.out[i], row.out[i], row.out[i]));
}

INSTANTIATE_TEST_SUITE_P(Contrasts, PencilCurve,
                         testing::Values(PencilRow{0, {255, 255, 255, 255, 255, 255}},
                                         PencilRow{20, {153, 176, 199, 225, 240, 245}},
                                         PencilRow{44, {8, 69, 131, 199, 240, 252}},
                                         PencilRow{45, {0, 64, 128, 199, 240, 255}},
                                         PencilRow{60, {0, 0, 61, 186, 255, 255}},
                                         PencilRow{89, {0, 0, 0, 0, 128, 255}}));

TEST(PencilSketch, ContrastZeroIsAllWhite) {
  const Picture edge = PatternPicture(20, 9, 3);
  EXPECT_TRUE(SamePicture(FilledPicture(20, 9, kWhite), PencilSketch(edge, 0)));
}

TEST(PencilSketch, ContrastFortyFiveQuantisesToLightnessSteps) {
  const auto table = PencilTable(45);
  for (int g = 0; g < 256; ++g) {
    const int l = Round(g / 255.0 * 100);
    const int v = l > 50 ? Round(128 + 127 * (l - 50) / 50.0)
                         : (l < 50 ? Round(128 + 128 * (l - 50) / 50.0) : 128);
    EXPECT_EQ(table[g], v) << "grey " << g;
  }
}

TEST(PencilSketch, ContrastEightyNineIsNearlyAThreshold) {
  const auto table = PencilTable(89);
  for (int g = 0; g < 256; ++g) {
    const int l = RgbToHsl(g, g, g).L;
    const int expected = l >= 95 ? 255 : (l == 94 ? 128 : 0);
    EXPECT_EQ(table[g], expected) << "grey " << g << " lightness " << l;
  }
}

TEST(PencilSketch, EqualsThePerPixelChain) {
  const Picture edge = PatternPicture(29, 17, 9);
  for (int contrast : {0, 13, 44, 45, 46, 70, 89})
    EXPECT_TRUE(SamePicture(ReferenceSketch(edge, -1, contrast), PencilSketch(edge, contrast)))
        << "contrast " << contrast;
}

TEST(SketchLabels, ShowPressureAndContrastPercent) {
  EXPECT_EQ(PenPressureLabel(150), "150");
  EXPECT_EQ(PencilContrastLabel(0), "0");
  EXPECT_EQ(PencilContrastLabel(45), "51");
  EXPECT_EQ(PencilContrastLabel(89), "100");
}

}  // namespace
}  // namespace drollo::sketch
