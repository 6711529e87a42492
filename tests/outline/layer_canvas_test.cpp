// The layer operations the core does itself: the eraser's disc and the text commit's copy of
// exact font-colour pixels, each against a plain reference and with the written tiles checked.
#include "outline/layer_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/pictures.h"

namespace drollo::outline {
namespace {

TBitmap32 BlackLayer(int w, int h) {
  TBitmap32 l;
  l.Assign(test::FilledPicture(w, h, kBlack));
  l.setSyncedWith({});
  return l;
}

struct DiscCase {
  const char* name;
  int cx, cy, r;
};

class EraseDiscTest : public testing::TestWithParam<DiscCase> {};

// Column by column: |dy| <= Round(sqrt(r^2 - dx^2)).
TEST_P(EraseDiscTest, MatchesTheColumnRuleAndKeepsOutsideAndFourthBytes) {
  const DiscCase& c = GetParam();
  TBitmap32 layer = BlackLayer(150, 130);
  layer.SetAlpha(7);
  layer.setSyncedWith({});
  EraseDisc(layer, c.cx, c.cy, c.r);
  for (int y = 0; y < layer.height(); ++y)
    for (int x = 0; x < layer.width(); ++x) {
      const int dx = x - c.cx, dy = y - c.cy;
      bool in = std::abs(dx) <= c.r;
      if (in) in = std::abs(dy) <= static_cast<int>(std::nearbyint(std::sqrt(c.r * c.r - dx * dx)));
      ASSERT_EQ(layer.pixel(x, y), in ? kWhite : kBlack) << x << "," << y;
      ASSERT_EQ(layer.row(y)[4 * x + 3], 7);
    }
  // Only the tiles of the disc's box are written.
  const Rect box{c.cx - c.r, c.cy - c.r, c.cx + c.r + 1, c.cy + c.r + 1};
  for (int ty = 0; ty < layer.tilesY(); ++ty)
    for (int tx = 0; tx < layer.tilesX(); ++tx)
      EXPECT_EQ(layer.tileWritten(tx, ty), !layer.tileRect(tx, ty).intersected(box).empty())
          << tx << "," << ty;
}

INSTANTIATE_TEST_SUITE_P(Discs, EraseDiscTest,
                         testing::Values(DiscCase{"Radius5", 40, 30, 5},
                                         DiscCase{"RadiusZeroIsOnePixel", 10, 10, 0},
                                         DiscCase{"AcrossTheTopLeftCorner", 2, 3, 20},
                                         DiscCase{"AcrossTheBottomRight", 140, 125, 33},
                                         DiscCase{"WhollyOutside", -50, 40, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

// The eraser's radius comes from a number box with no upper bound: a radius as large as an int
// holds must finish at once (the loops run over the layer, not the disc) and erase exactly the
// layer's part of the disc, computed without overflow.
TEST(EraseDisc, HugeRadiiCostTheLayerAndEraseExactlyTheDiscsPart) {
  constexpr int kMax = std::numeric_limits<int>::max();
  const struct {
    int cx, cy, r;
  } cases[] = {
      {10, 10, kMax}, {-2000000000, 15, kMax}, {20, -2147483000, kMax - 1}, {-100000, 5, 100010}};
  for (const auto& c : cases) {
    TBitmap32 layer = BlackLayer(40, 30);
    EraseDisc(layer, c.cx, c.cy, c.r);
    for (int y = 0; y < layer.height(); ++y)
      for (int x = 0; x < layer.width(); ++x) {
        const long double dx = static_cast<long double>(x) - c.cx;
        const long double dy = static_cast<long double>(y) - c.cy;
        const long double r = c.r;
        bool in = std::fabs(dx) <= r;
        if (in) in = std::fabs(dy) <= std::nearbyint(std::sqrt(r * r - dx * dx));
        ASSERT_EQ(layer.pixel(x, y), in ? kWhite : kBlack) << c.cx << " " << x << "," << y;
      }
  }
}

TEST(CopyFontColourPixels, CopiesOnlyExactColourAndClipsToTheLayer) {
  constexpr TColor font = MakeColour(200, 10, 10);
  Picture label(6, 4, PixelFormat::Bgra32());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) label.setPixel(x, y, (x + y) % 2 ? font : MakeColour(200, 10, 11));
  TBitmap32 layer;
  layer.Assign(test::FilledPicture(8, 5, kWhite));
  CopyFontColourPixels(label, font, layer, -2, 3);  // only label columns 2..5, rows 0..1 land
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x) {
      const int col = x + 2, row = y - 3;
      const bool ink = row >= 0 && row < 4 && col < 6 && (col + row) % 2 == 1;
      EXPECT_EQ(layer.pixel(x, y), ink ? font : kWhite) << x << "," << y;
    }
}

}  // namespace
}  // namespace drollo::outline
