#include "effects/warp/smudge.h"

#include <gtest/gtest.h>

#include "effects/warp/reference_warps.h"
#include "effects/warp/region_step.h"
#include "support/pictures.h"

namespace drollo::warp {
namespace {

using drollo::test::PatternPicture;
using drollo::test::SamePicture;

TEST(SmudgePlan, LeftDragWorkedExample) {
  const std::vector<SmudgeRun> runs = PlanSmudge(100, 100, 80, 100, 50);
  ASSERT_EQ(runs.size(), 1u);
  const SmudgeRun& run = runs[0];
  EXPECT_EQ(run.cls, 5);
  EXPECT_DOUBLE_EQ(run.L, 20);
  EXPECT_DOUBLE_EQ(run.mx, 90);
  EXPECT_DOUBLE_EQ(run.my, 100);
  EXPECT_DOUBLE_EQ(run.R, 60);
  EXPECT_DOUBLE_EQ(run.o, 115);
  EXPECT_EQ(SmudgeBounds(run).left, 31);
  EXPECT_EQ(SmudgeBounds(run).right - 1, 149);

  struct Expect {
    int x;
    double from;
  };
  for (const Expect& e : {Expect{80, 90}, Expect{90, 98.5714286}, Expect{100, 107.1428571},
                          Expect{60, 66}, Expect{31, 31.2}}) {
    const SmudgeSourcePosition s = SmudgeSource(run, e.x, 100);
    EXPECT_NEAR(s.x, e.from, 1e-6) << e.x;
    EXPECT_DOUBLE_EQ(s.y, 100) << e.x;
  }
  struct Chord {
    double d, t, m;
  };
  for (const Chord& c :
       {Chord{0, 10, 60}, Chord{30, 7.551, 51.961}, Chord{45, 4.443, 39.686}, Chord{60, 0, 0}}) {
    const SmudgeChord chord = SmudgeChordAt(run, c.d);
    EXPECT_NEAR(chord.t, c.t, 1e-3) << c.d;  // the expected values are cut after three places
    EXPECT_NEAR(chord.m, c.m, 1e-3) << c.d;
  }
}

TEST(SmudgePlan, LongDragIsShortenedToHalfTheRadius) {
  const std::vector<SmudgeRun> runs = PlanSmudge(100, 100, 0, 100, 50);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].endX, 75);
  EXPECT_EQ(runs[0].endY, 100);
}

TEST(SmudgePlan, ClickWithoutMovementOrRadiusDoesNothing) {
  EXPECT_TRUE(PlanSmudge(100, 100, 100, 100, 50).empty());
  EXPECT_TRUE(PlanSmudge(100, 100, 60, 100, 0).empty());
}

struct DiagonalCase {
  int xu, yu;
  int cls;
  int endX, endY;
  double mx, my;
};

class SmudgeDiagonalTest : public testing::TestWithParam<DiagonalCase> {};

TEST_P(SmudgeDiagonalTest, EndPointAndCentre) {
  const DiagonalCase& c = GetParam();
  const std::vector<SmudgeRun> runs = PlanSmudge(100, 100, c.xu, c.yu, 50);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].cls, c.cls);
  EXPECT_DOUBLE_EQ(runs[0].L, 25);
  EXPECT_EQ(runs[0].endX, c.endX);
  EXPECT_EQ(runs[0].endY, c.endY);
  EXPECT_DOUBLE_EQ(runs[0].mx, c.mx);
  EXPECT_DOUBLE_EQ(runs[0].my, c.my);
}

INSTANTIATE_TEST_SUITE_P(Drags, SmudgeDiagonalTest,
                         testing::Values(DiagonalCase{140, 70, 3, 120, 85, 110, 92.5},
                                         DiagonalCase{60, 130, 4, 80, 115, 90, 107.5},
                                         DiagonalCase{60, 70, 1, 80, 85, 90, 92.5},
                                         DiagonalCase{140, 130, 2, 120, 115, 110, 107.5}));

TEST(SmudgePlan, DiagonalEndingOnTheRowOfThePressIsFollowedByTheAxisClass) {
  const std::vector<SmudgeRun> runs = PlanSmudge(100, 100, 0, 99, 50);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].cls, 1);
  EXPECT_EQ(runs[0].endY, 100);
  EXPECT_EQ(runs[1].cls, 5);
  EXPECT_EQ(runs[1].endX, 75);
}

struct SmudgeCase {
  const char* name;
  int xd, yd, xu, yu, r;
};

class SmudgeStepTest : public testing::TestWithParam<SmudgeCase> {};

TEST_P(SmudgeStepTest, RegionStepEqualsCopyInCopyOut) {
  const SmudgeCase& c = GetParam();
  Picture fast = PatternPicture(220, 180, 31);
  Picture plain = fast;
  const std::vector<SmudgeRun> runs = PlanSmudge(c.xd, c.yd, c.xu, c.yu, c.r);
  ASSERT_FALSE(runs.empty());
  Rect box = SmudgeBounds(runs[0]);
  for (const SmudgeRun& run : runs) {
    const Rect b = SmudgeBounds(run);
    box = Rect{std::min(box.left, b.left), std::min(box.top, b.top), std::max(box.right, b.right),
               std::max(box.bottom, b.bottom)};
  }
  int ticks = 0, columns = 0;
  test::RunOnBox(fast, box, [&](const ConstView& src, const MutableView& dst) {
    for (const SmudgeRun& run : runs) {
      smudge(src, dst, run, [&] { ++ticks; });
      const Rect b = SmudgeBounds(run);
      columns += b.width();
    }
  });
  reference::Smudge(plain, c.xd, c.yd, c.xu, c.yu, c.r);
  EXPECT_TRUE(SamePicture(plain, fast));
  EXPECT_EQ(ticks, columns);
}

INSTANTIATE_TEST_SUITE_P(
    Drags, SmudgeStepTest,
    testing::Values(
        SmudgeCase{"Left", 100, 90, 80, 90, 50}, SmudgeCase{"Right", 100, 90, 113, 90, 41},
        SmudgeCase{"Down", 100, 90, 100, 131, 50}, SmudgeCase{"Up", 100, 90, 100, 77, 33},
        SmudgeCase{"UpLeft", 100, 90, 60, 60, 50}, SmudgeCase{"DownRight", 100, 90, 130, 125, 50},
        SmudgeCase{"UpRight", 100, 90, 140, 60, 50}, SmudgeCase{"DownLeft", 100, 90, 60, 120, 50},
        SmudgeCase{"UpLeftThenLeft", 100, 90, 0, 89, 50},
        // Discs touching the left column, where classes 3 and 4 meet x = 0.
        SmudgeCase{"UpRightAtLeftEdge", 10, 90, 30, 75, 50},
        SmudgeCase{"DownLeftAtLeftEdge", 12, 60, 2, 75, 50},
        SmudgeCase{"UpRightAtTopLeftCorner", 5, 8, 20, 0, 40},
        SmudgeCase{"DownRightAtBottomRight", 210, 170, 219, 179, 60}),
    [](const testing::TestParamInfo<SmudgeCase>& info) { return info.param.name; });

class SmudgeLeftColumnTest : public testing::TestWithParam<std::pair<int, int>> {};

// At the left picture column the slope tests of classes 3 and 4 would divide by zero: the column
// is classified like its right neighbour, so its source lies next to that neighbour's.
TEST_P(SmudgeLeftColumnTest, LeftColumnReadsNextToItsNeighbour) {
  const auto [xu, yu] = GetParam();
  const std::vector<SmudgeRun> runs = PlanSmudge(10, 90, xu, yu, 50);
  ASSERT_EQ(runs.size(), 1u);
  const SmudgeRun& run = runs[0];
  ASSERT_TRUE(run.cls == 3 || run.cls == 4);
  const Rect b = SmudgeBounds(run);
  for (int y = std::max(b.top, 0); y < b.bottom; ++y) {
    const SmudgeSourcePosition s0 = SmudgeSource(run, 0, y), s1 = SmudgeSource(run, 1, y);
    EXPECT_TRUE(std::isfinite(s0.x) && std::isfinite(s0.y)) << y;
    EXPECT_LT(std::hypot(s1.x - s0.x, s1.y - s0.y), 3.0) << "row " << y;
  }
}

INSTANTIATE_TEST_SUITE_P(Drags, SmudgeLeftColumnTest,
                         testing::Values(std::pair{30, 75}, std::pair{25, 60}, std::pair{2, 105},
                                         std::pair{0, 100}));

}  // namespace
}  // namespace drollo::warp
