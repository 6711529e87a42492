// Speckle removal of the sketch page: the 3x3 median per channel against SelectionSort.
#include <gtest/gtest.h>

#include "effects/sketch/sketch.h"
#include "image/median9.h"
#include "image/pixel_math.h"
#include "support/pictures.h"

namespace drollo::sketch {
namespace {

using test::FilledPicture;
using test::SamePicture;

// Random bytes, with few distinct values so that ties are common.
Picture NoisePicture(int w, int h, std::uint32_t seed, int levels) {
  Picture p(w, h, 24);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* r = p.mutableRow(y);
    for (int k = 0; k < 3 * w; ++k) {
      seed = seed * 1664525u + 1013904223u;
      r[k] = static_cast<std::uint8_t>((seed >> 24) % levels * (255 / (levels - 1)));
    }
  }
  return p;
}

// The filter as described: nine values per channel, SelectionSort, element 4.
Picture ReferenceMedian(const Picture& in) {
  Picture out = in;
  for (int y = 1; y + 1 < in.height(); ++y)
    for (int x = 1; x + 1 < in.width(); ++x)
      for (int c = 0; c < 3; ++c) {
        int v[9], n = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) v[n++] = in.row(y + dy)[3 * (x + dx) + c];
        SelectionSort(v, 8);
        out.mutableRow(y)[3 * x + c] = static_cast<std::uint8_t>(v[4]);
      }
  return out;
}

class SpeckleRemoval : public testing::TestWithParam<int> {};

TEST_P(SpeckleRemoval, EqualsSelectionSortMedian) {
  const int w = GetParam();
  for (int h : {1, 2, 3, 4, 9}) {
    for (int levels : {2, 5, 256}) {
      const Picture in = NoisePicture(w, h, static_cast<std::uint32_t>(w * 31 + h), levels);
      EXPECT_TRUE(SamePicture(ReferenceMedian(in), RemoveSpeckles(in)))
          << w << "x" << h << " levels " << levels;
    }
  }
}

// Widths around the sixteen-byte blocks of the fast path.
INSTANTIATE_TEST_SUITE_P(Widths, SpeckleRemoval,
                         testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 17, 33, 64));

TEST(SpeckleRemovalLines, SingleDotAndOnePixelLineVanishTwoPixelLineStays) {
  Picture p = FilledPicture(12, 12, kWhite);
  p.setPixel(3, 3, kBlack);
  for (int x = 0; x < 12; ++x) p.setPixel(x, 7, kBlack);  // one pixel wide
  const Picture once = RemoveSpeckles(p);
  EXPECT_EQ(once.pixel(3, 3), kWhite);
  for (int x = 1; x < 11; ++x) EXPECT_EQ(once.pixel(x, 7), kWhite) << x;
  EXPECT_EQ(once.pixel(0, 7), kBlack);  // the frame keeps its colours
  EXPECT_EQ(once.pixel(11, 7), kBlack);

  Picture two = FilledPicture(12, 12, kWhite);
  for (int x = 0; x < 12; ++x) two.setPixel(x, 5, kBlack), two.setPixel(x, 6, kBlack);
  EXPECT_TRUE(SamePicture(two, RemoveSpeckles(two)));
  // Vertical lines behave the same.
  Picture vertical = FilledPicture(12, 12, kWhite);
  for (int y = 0; y < 12; ++y) vertical.setPixel(4, y, kBlack);
  const Picture cleaned = RemoveSpeckles(vertical);
  for (int y = 1; y < 11; ++y) EXPECT_EQ(cleaned.pixel(4, y), kWhite) << y;
}

TEST(SpeckleRemovalLines, ChannelsAreFilteredOnTheirOwn) {
  // A pixel's red and blue medians come from different neighbours.
  Picture p(3, 3, 24);
  for (int i = 0; i < 9; ++i) {
    std::uint8_t* px = p.mutableRow(i / 3) + 3 * (i % 3);
    px[0] = static_cast<std::uint8_t>(i * 10);        // blue 0..80: median 40
    px[1] = 7;                                        // green constant
    px[2] = static_cast<std::uint8_t>(200 - i * 20);  // red 200..40: median 120
  }
  const Picture out = RemoveSpeckles(p);
  EXPECT_EQ(out.pixel(1, 1), MakeColour(120, 7, 40));
}

TEST(SpeckleRemovalLines, ResultIsTwentyFourBitsForAnyDepth) {
  Picture grey(6, 5, PixelFormat::Grey8());
  grey.mutableRow(2)[3] = 255;
  const Picture out = RemoveSpeckles(grey);
  EXPECT_EQ(out.bitsPerPixel(), 24);
  EXPECT_TRUE(SamePicture(Picture(6, 5, 24), out));
}

}  // namespace
}  // namespace drollo::sketch
