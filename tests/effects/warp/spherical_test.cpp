#include "effects/warp/spherical.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "effects/warp/reference_warps.h"
#include "effects/warp/region_step.h"
#include "support/pictures.h"

namespace drollo::warp {
namespace {

using drollo::test::PatternPicture;
using drollo::test::SamePicture;

enum class Lens { kBulge, kPinch };

void Reference(Lens lens, Picture& picture, const SphereParams& p) {
  if (lens == Lens::kBulge)
    reference::Bulge(picture, p.a, p.b, p.R, p.H);
  else
    reference::Pinch(picture, p.a, p.b, p.R, p.H);
}

// --- The region-limited step: read the picture, write only the patch's bounding box -------------
int RegionStep(Lens lens, Picture& picture, const SphereParams& p) {
  const Rect box = SphereBounds(p).intersected(picture.rect());
  int ticks = 0;
  Progress progress = [&ticks] { ++ticks; };
  Picture patch(std::max(box.width(), 1), std::max(box.height(), 1), 24);
  MutableView dst{patch.rawData(), static_cast<std::ptrdiff_t>(patch.stride()), box, 3};
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(dst.row(y) + 3 * box.left, picture.row(y) + 3 * box.left, 3 * box.width());
  if (lens == Lens::kBulge)
    bulge(picture.view(), dst, p, progress);
  else
    pinch(picture.view(), dst, p, progress);
  const MutableView out = picture.region(box);
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(out.row(y) + 3 * box.left, dst.row(y) + 3 * box.left, 3 * box.width());
  return ticks;
}

// --- Worked values (R = 100, H = 30) -------------------------------------------------------------
TEST(SphereGeometry, DefaultSlidersGiveTheSphereOfTheCap) {
  const Sphere s = MakeSphere(100, 30);
  EXPECT_NEAR(s.rho, 181.6667, 1e-4);
  EXPECT_NEAR(s.sigma, 151.6667, 1e-4);
  EXPECT_NEAR(s.sigma / s.rho, 0.8349, 1e-4);
}

TEST(SphereGeometry, BulgeWorkedValues) {
  const Sphere s = MakeSphere(100, 30);
  EXPECT_NEAR(BulgeAxisSource(s, 0, 50), 43.420, 5e-4);
  EXPECT_NEAR(BulgeAxisSource(s, 0, -50), -43.420, 5e-4);
  // The destination pixel at offset (30, 40) from the centre (200, 300).
  const SourcePosition from =
      BulgeSource(200, 300, -30, -40, MakeBulgeTerms(s, 30, -30), MakeBulgeTerms(s, 30, -40));
  EXPECT_NEAR(from.x - 200, 26.052, 5e-4);
  EXPECT_NEAR(from.y - 300, 34.736, 5e-4);
  // The column's half-height is the circle's.
  EXPECT_NEAR(MakeBulgeTerms(s, 30, 50).w, std::sqrt(7500.0), 1e-9);
}

TEST(SphereGeometry, PinchWorkedValues) {
  const Sphere s = MakeSphere(100, 30);
  EXPECT_NEAR(PinchAxisSource(s, 0, 50), 56.879, 5e-4);
  EXPECT_NEAR(PinchAxisSource(s, 0, -50), -56.879, 5e-4);
  const SourcePosition from =
      PinchSource(230, 340, -30, -40, MakePinchTerms(s, -30), MakePinchTerms(s, -40));
  EXPECT_NEAR(from.x - 200, 34.086, 5e-4);
  EXPECT_NEAR(from.y - 300, 45.447, 5e-4);
  // Above and left of the centre the source moves the other way.
  const SourcePosition mirrored =
      PinchSource(170, 260, 30, 40, MakePinchTerms(s, 30), MakePinchTerms(s, 40));
  EXPECT_NEAR(mirrored.x - 200, -34.086, 5e-4);
  EXPECT_NEAR(mirrored.y - 300, -45.447, 5e-4);
  EXPECT_NEAR(PinchHalfHeight(s, MakePinchTerms(s, 50)), 82.25, 5e-3);
}

// --- Whole steps
// ----------------------------------------------------------------------------------
struct StepCase {
  const char* name;
  Lens lens;
  int width, height;
  SphereParams p;
};

class SphereStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(SphereStepTest, RegionStepEqualsCopyInCopyOut) {
  const StepCase& c = GetParam();
  Picture fast = PatternPicture(c.width, c.height, 7);
  Picture plain = fast;
  const int ticks = RegionStep(c.lens, fast, c.p);
  Reference(c.lens, plain, c.p);
  EXPECT_TRUE(SamePicture(plain, fast));
  // One tick per column of the quadrant pass, inside the picture or not.
  EXPECT_EQ(ticks, (c.lens == Lens::kBulge ? 4 : 2) * (c.p.R - 1));
}

TEST_P(SphereStepTest, RepeatedStepsCompound) {
  const StepCase& c = GetParam();
  Picture fast = PatternPicture(c.width, c.height, 3);
  Picture plain = fast;
  RegionStep(c.lens, fast, c.p);
  const Picture once = fast;
  RegionStep(c.lens, fast, c.p);
  Reference(c.lens, plain, c.p);
  Reference(c.lens, plain, c.p);
  EXPECT_TRUE(SamePicture(plain, fast));
  EXPECT_FALSE(once.samePixels(fast));
}

const SphereParams kDefault{150, 110, 60, 30};
INSTANTIATE_TEST_SUITE_P(
    Steps, SphereStepTest,
    testing::Values(
        StepCase{"BulgeInside", Lens::kBulge, 300, 220, kDefault},
        StepCase{"PinchInside", Lens::kPinch, 300, 220, kDefault},
        StepCase{"BulgeAcrossLeft", Lens::kBulge, 300, 220, {10, 100, 60, 30}},
        StepCase{"PinchAcrossLeft", Lens::kPinch, 300, 220, {10, 100, 60, 30}},
        StepCase{"BulgeAcrossRight", Lens::kBulge, 300, 220, {290, 120, 60, 30}},
        StepCase{"PinchAcrossRight", Lens::kPinch, 300, 220, {290, 120, 60, 30}},
        StepCase{"BulgeAcrossTop", Lens::kBulge, 300, 220, {140, 5, 60, 30}},
        StepCase{"PinchAcrossTop", Lens::kPinch, 300, 220, {140, 5, 60, 30}},
        StepCase{"BulgeAcrossBottom", Lens::kBulge, 300, 220, {160, 215, 60, 30}},
        StepCase{"PinchAcrossBottom", Lens::kPinch, 300, 220, {160, 215, 60, 30}},
        StepCase{"BulgeTopLeftCorner", Lens::kBulge, 300, 220, {3, 4, 50, 20}},
        StepCase{"PinchTopLeftCorner", Lens::kPinch, 300, 220, {3, 4, 50, 20}},
        StepCase{"BulgeBottomRightCorner", Lens::kBulge, 300, 220, {296, 217, 50, 20}},
        StepCase{"PinchBottomRightCorner", Lens::kPinch, 300, 220, {296, 217, 50, 20}},
        StepCase{"BulgeLargerThanPicture", Lens::kBulge, 90, 70, {45, 35, 120, 40}},
        StepCase{"PinchLargerThanPicture", Lens::kPinch, 90, 70, {45, 35, 120, 40}},
        // A press just off the picture, left and right of it.
        StepCase{"BulgeCentreLeftOfPicture", Lens::kBulge, 300, 220, {-12, 100, 60, 30}},
        StepCase{"PinchCentreRightOfPicture", Lens::kPinch, 300, 220, {310, 90, 60, 30}},
        // H above R: sigma is negative and the patch is point-mirrored.
        StepCase{"BulgeNegativeSigmaAtBorder", Lens::kBulge, 300, 220, {8, 9, 30, 45}},
        StepCase{"PinchNegativeSigmaAtBorder", Lens::kPinch, 300, 220, {8, 9, 30, 45}},
        StepCase{"BulgeNegativeSigma", Lens::kBulge, 300, 220, {150, 110, 40, 60}},
        StepCase{"PinchNegativeSigma", Lens::kPinch, 300, 220, {150, 110, 40, 60}},
        // Past the radius whose offset terms are kept in a table: computed per pixel.
        StepCase{"BulgeBeyondTheTable", Lens::kBulge, 300, 220, {150, 110, 1030, 400}},
        StepCase{"PinchBeyondTheTable", Lens::kPinch, 300, 220, {150, 110, 1030, 400}}),
    [](const testing::TestParamInfo<StepCase>& info) { return info.param.name; });

// Presses ever nearer to each edge, across the point where the pinch's source positions no longer
// keep clear of it and the sampler is handed them in another form: the same bytes as the
// reference all the way.
TEST(SphereStep, PinchesWalkingUpToEachEdgeEqualTheReference) {
  const Picture start = PatternPicture(120, 90, 9);
  for (const auto& [R, H] : {std::pair{24, 12}, std::pair{20, 30}})
    warp::test::ForPressesWalkingToEachEdge(120, 90, [&, R = R, H = H](int a, int b, int) {
      const SphereParams p{a, b, R, H};
      Picture fast = start;
      Picture plain = start;
      RegionStep(Lens::kPinch, fast, p);
      Reference(Lens::kPinch, plain, p);
      EXPECT_TRUE(SamePicture(plain, fast)) << a << "," << b << " R " << R << " H " << H;
    });
}

class SphereShapeTest : public testing::TestWithParam<Lens> {};

TEST_P(SphereShapeTest, CentreAndRimKeepTheirColoursAndAxesCopyOneSourcePixel) {
  const Lens lens = GetParam();
  const SphereParams p{100, 90, 50, 20};
  const Picture before = PatternPicture(200, 180, 11);
  Picture after = before;
  RegionStep(lens, after, p);
  EXPECT_EQ(after.pixel(p.a, p.b), before.pixel(p.a, p.b));
  for (const auto& [x, y] : {std::pair{p.a - p.R, p.b}, std::pair{p.a + p.R, p.b},
                             std::pair{p.a, p.b - p.R}, std::pair{p.a, p.b + p.R}})
    EXPECT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
  const Sphere s = MakeSphere(p.R, p.H);
  auto axis = [&](int c, int v) {
    return Round(lens == Lens::kBulge ? BulgeAxisSource(s, c, v) : PinchAxisSource(s, c, v));
  };
  for (int d = 1; d < p.R; ++d) {
    EXPECT_EQ(after.pixel(p.a + d, p.b), before.pixel(axis(p.a, p.a + d), p.b)) << d;
    EXPECT_EQ(after.pixel(p.a - d, p.b), before.pixel(axis(p.a, p.a - d), p.b)) << d;
    EXPECT_EQ(after.pixel(p.a, p.b + d), before.pixel(p.a, axis(p.b, p.b + d))) << d;
    EXPECT_EQ(after.pixel(p.a, p.b - d), before.pixel(p.a, axis(p.b, p.b - d))) << d;
  }
  EXPECT_FALSE(after.samePixels(before));
}

TEST_P(SphereShapeTest, NegativeSigmaMirrorsThroughTheCentre) {
  const Lens lens = GetParam();
  const SphereParams p{100, 90, 20, 40};  // rho 25, sigma -15
  const Picture before = PatternPicture(200, 180, 5);
  Picture after = before;
  RegionStep(lens, after, p);
  for (int d = 1; d < p.R; ++d) {
    const Sphere s = MakeSphere(p.R, p.H);
    const double from =
        lens == Lens::kBulge ? BulgeAxisSource(s, p.a, p.a - d) : PinchAxisSource(s, p.a, p.a - d);
    if (lens == Lens::kBulge) {
      EXPECT_GT(from, p.a) << d;  // left of the centre reads the right
    }
    EXPECT_EQ(after.pixel(p.a - d, p.b), before.pixel(Round(from), p.b));
  }
}

TEST_P(SphereShapeTest, AxisReadsBeyondThePictureTakeTheBorderPixel) {
  const Lens lens = GetParam();
  // Centre near the left border, sigma negative: the bulge's left axis reads to the right and its
  // right axis far to the left of column 0.
  const SphereParams p{2, 30, 40, 80};
  const Picture before = PatternPicture(60, 60, 9);
  Picture after = before;
  RegionStep(lens, after, p);
  const Sphere s = MakeSphere(p.R, p.H);
  for (int x = p.a + 1; x < p.a + p.R && x < 60; ++x) {
    const double from =
        lens == Lens::kBulge ? BulgeAxisSource(s, p.a, x) : PinchAxisSource(s, p.a, x);
    const int column = std::clamp(Round(from), 0, 59);
    EXPECT_EQ(after.pixel(x, p.b), before.pixel(column, p.b)) << x;
  }
}

INSTANTIATE_TEST_SUITE_P(Lenses, SphereShapeTest, testing::Values(Lens::kBulge, Lens::kPinch),
                         [](const testing::TestParamInfo<Lens>& info) {
                           return info.param == Lens::kBulge ? "Bulge" : "Pinch";
                         });

}  // namespace
}  // namespace drollo::warp
