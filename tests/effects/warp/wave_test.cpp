#include "effects/warp/wave.h"

#include <gtest/gtest.h>

#include "effects/warp/reference_warps.h"
#include "support/pictures.h"
#include "support/threads.h"

namespace drollo::warp {
namespace {

using drollo::test::PatternPicture;
using drollo::test::SamePicture;

Picture Waved(const Picture& src, int A, int B, int K, int* ticks = nullptr) {
  Picture dst(src.width(), src.height(), 24);
  const MutableView view{dst.rawData(), static_cast<std::ptrdiff_t>(dst.stride()), dst.rect(), 3};
  wave(src.view(), view, A, B, K, [ticks] {
    if (ticks) ++*ticks;
  });
  return dst;
}

TEST(WaveFolds, ColumnsFoldModuloTheWidthAndRowsModuloTheHeightLessOne) {
  EXPECT_EQ(FoldColumn(-1, 10), 8);
  EXPECT_EQ(FoldColumn(-2, 10), 7);
  EXPECT_EQ(FoldColumn(10, 10), 0);
  EXPECT_EQ(FoldColumn(11, 10), 1);
  EXPECT_EQ(FoldColumn(4, 10), 4);
  EXPECT_EQ(FoldRow(-1, 10), 8);
  EXPECT_EQ(FoldRow(10, 10), 1);
  EXPECT_EQ(FoldRow(11, 10), 2);
  // A picture one row high folds every row to row 0.
  EXPECT_EQ(FoldRow(1, 1), 0);
  EXPECT_EQ(FoldRow(2, 1), 0);
  EXPECT_EQ(FoldRow(-2, 1), 0);
}

TEST(Wave, WorkedPixels) {
  const Picture src = PatternPicture(40, 30, 2);
  const Picture dst = Waved(src, 2, 6, 2);
  EXPECT_EQ(dst.pixel(0, 0), src.pixel(0, 2));
  EXPECT_EQ(dst.pixel(0, 10), src.pixel(2, 12));
}

struct WaveCase {
  const char* name;
  int width, height;
};

class WaveTest : public testing::TestWithParam<WaveCase> {};

TEST_P(WaveTest, EqualsThePlainFormulation) {
  const WaveCase& c = GetParam();
  const Picture src = PatternPicture(c.width, c.height, 8);
  Picture expected = src;
  reference::Wave(expected, 2, 6, 2);
  int ticks = 0;
  EXPECT_TRUE(SamePicture(expected, Waved(src, 2, 6, 2, &ticks)));
  EXPECT_EQ(ticks, c.height);
  Picture other = src;
  reference::Wave(other, -3, 5, 4);
  EXPECT_TRUE(SamePicture(other, Waved(src, -3, 5, 4)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WaveTest,
                         testing::Values(WaveCase{"Ordinary", 97, 61}, WaveCase{"OneRow", 50, 1},
                                         WaveCase{"OneColumn", 1, 40}, WaveCase{"TwoByTwo", 2, 2},
                                         WaveCase{"WiderThanOldRowLimit", 11000, 3}),
                         [](const testing::TestParamInfo<WaveCase>& info) {
                           return info.param.name;
                         });

TEST(Wave, SameBytesWithOneTwoAndSevenThreads) {
  const Picture src = PatternPicture(311, 257, 4);
  EXPECT_TRUE(drollo::test::SameForEveryThreadCount([&] { return Waved(src, -3, 5, 4); }));
}

}  // namespace
}  // namespace drollo::warp
