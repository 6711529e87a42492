#include "effects/warp/swirl.h"

#include <gtest/gtest.h>

#include "effects/warp/reference_warps.h"
#include "effects/warp/region_step.h"
#include "support/pictures.h"

namespace drollo::warp {
namespace {

using drollo::test::PatternPicture;
using drollo::test::SamePicture;

TEST(SwirlGeometry, ArcAndDisplacementWorkedValues) {
  const double arc = SwirlArcRadius(100, 10);
  EXPECT_DOUBLE_EQ(arc, 130);
  EXPECT_NEAR(SwirlDisplacement(arc, 100, 10, 50), 10, 1e-12);
  EXPECT_NEAR(SwirlDisplacement(arc, 100, 10, 25), 7.5735, 5e-5);
  EXPECT_NEAR(SwirlDisplacement(arc, 100, 10, 0), 0, 1e-12);
  EXPECT_NEAR(SwirlDisplacement(arc, 100, 10, 100), 0, 1e-12);
  // Above half the radius the profile no longer reaches 0 at the centre and rim.
  const double steep = SwirlArcRadius(20, 15);
  EXPECT_NEAR(SwirlDisplacement(steep, 20, 15, 0), 2 * (15 - steep), 1e-12);
}

TEST(SwirlGeometry, ClockwiseReadsFromFurtherLeftAndUpAboveRightOfCentre) {
  // 30 right of and 40 above the centre (r = 50, z = 10).
  const SwirlParams clockwise{200, 300, 100, 10, true};
  const double arc = SwirlArcRadius(100, 10);
  const SwirlSource cw = SwirlSourceOf(clockwise, arc, 230, 260);
  EXPECT_NEAR(cw.x, 230 - 8, 1e-9);
  EXPECT_NEAR(cw.y, 260 - 6, 1e-9);
  // The other way round reads from the mirrored point, in every quadrant.
  SwirlParams counter = clockwise;
  counter.clockwise = false;
  for (const auto& [x, y] : {std::pair{230, 260}, std::pair{170, 260}, std::pair{170, 340},
                             std::pair{230, 340}, std::pair{201, 250}}) {
    const SwirlSource a = SwirlSourceOf(clockwise, arc, x, y);
    const SwirlSource b = SwirlSourceOf(counter, arc, x, y);
    EXPECT_NEAR(a.x - x, -(b.x - x), 1e-12);
    EXPECT_NEAR(a.y - y, -(b.y - y), 1e-12);
    // The offset is perpendicular to the radius.
    EXPECT_NEAR((a.x - x) * (x - 200) + (a.y - y) * (y - 300), 0, 1e-9);
  }
}

struct SwirlCase {
  const char* name;
  int width, height;
  SwirlParams p;
};

class SwirlStepTest : public testing::TestWithParam<SwirlCase> {};

TEST_P(SwirlStepTest, RegionStepEqualsCopyInCopyOut) {
  const SwirlCase& c = GetParam();
  Picture fast = PatternPicture(c.width, c.height, 21);
  Picture plain = fast;
  int ticks = 0;
  test::RunOnBox(fast, SwirlBounds(c.p), [&](const ConstView& src, const MutableView& dst) {
    swirl(src, dst, c.p, [&] { ++ticks; });
  });
  reference::Swirl(plain, c.p.a, c.p.b, c.p.R, c.p.H, c.p.clockwise);
  EXPECT_TRUE(SamePicture(plain, fast));
  EXPECT_EQ(ticks, 4 * (c.p.R - 1));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SwirlStepTest,
    testing::Values(SwirlCase{"ClockwiseInside", 260, 200, {130, 100, 80, 10, true}},
                    SwirlCase{"CounterInside", 260, 200, {130, 100, 80, 10, false}},
                    SwirlCase{"AcrossLeftAndTop", 260, 200, {15, 10, 60, 20, true}},
                    SwirlCase{"AcrossRightAndBottom", 260, 200, {250, 190, 60, 20, false}},
                    SwirlCase{"SteepProfile", 260, 200, {130, 100, 30, 25, true}},
                    SwirlCase{"LargerThanPicture", 80, 60, {40, 30, 90, 12, false}},
                    SwirlCase{"CentreRightOfPicture", 260, 200, {275, 100, 60, 20, true}}),
    [](const testing::TestParamInfo<SwirlCase>& info) { return info.param.name; });

TEST(SwirlStep, CentreAndEverythingFromTheRimOutKeepTheirColours) {
  const SwirlParams p{100, 80, 50, 10, true};
  const Picture before = PatternPicture(200, 160, 4);
  Picture after = before;
  test::RunOnBox(after, SwirlBounds(p),
                 [&](const ConstView& src, const MutableView& dst) { swirl(src, dst, p); });
  for (int y = 0; y < 160; ++y)
    for (int x = 0; x < 200; ++x)
      if ((x - p.a) * (x - p.a) + (y - p.b) * (y - p.b) >= p.R * p.R || (x == p.a && y == p.b)) {
        ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
      }
  EXPECT_FALSE(after.samePixels(before));
}

// Presses ever nearer to each edge, across the point where the patch's source positions no
// longer keep clear of it and the sampler is handed them in another form: the same bytes as the
// reference all the way, for a gentle swirl and one that reaches far.
TEST(SwirlStep, PressesWalkingUpToEachEdgeEqualTheReference) {
  const Picture start = PatternPicture(120, 90, 9);
  for (const auto& [R, H] : {std::pair{24, 6}, std::pair{20, 14}})
    test::ForPressesWalkingToEachEdge(120, 90, [&, R = R, H = H](int a, int b, int d) {
      const SwirlParams p{a, b, R, H, (d / 3) % 2 == 0};
      Picture fast = start;
      Picture plain = start;
      test::RunOnBox(fast, SwirlBounds(p),
                     [&](const ConstView& src, const MutableView& dst) { swirl(src, dst, p); });
      reference::Swirl(plain, a, b, R, H, p.clockwise);
      EXPECT_TRUE(SamePicture(plain, fast)) << a << "," << b << " R " << R << " H " << H;
    });
}

}  // namespace
}  // namespace drollo::warp
