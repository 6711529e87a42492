#include "effects/warp/stretch.h"

#include <gtest/gtest.h>

#include "effects/warp/reference_warps.h"
#include "effects/warp/region_step.h"
#include "support/pictures.h"

namespace drollo::warp {
namespace {

using drollo::test::PatternPicture;
using drollo::test::SamePicture;

enum class Kind { kVerticalExpand, kVerticalShrink, kHorizontalExpand, kHorizontalShrink };

bool IsVertical(Kind k) {
  return k == Kind::kVerticalExpand || k == Kind::kVerticalShrink;
}
bool IsExpand(Kind k) {
  return k == Kind::kVerticalExpand || k == Kind::kHorizontalExpand;
}

int Step(Kind kind, Picture& picture, const SphereParams& p) {
  int ticks = 0;
  const Progress progress = [&] { ++ticks; };
  const Rect box = kind == Kind::kVerticalExpand     ? VerticalExpandBounds(p)
                   : kind == Kind::kHorizontalExpand ? HorizontalExpandBounds(p)
                                                     : SphereBounds(p);
  test::RunOnBox(picture, box, [&](const ConstView& src, const MutableView& dst) {
    switch (kind) {
      case Kind::kVerticalExpand:
        verticalExpand(src, dst, p, progress);
        break;
      case Kind::kVerticalShrink:
        verticalShrink(src, dst, p, progress);
        break;
      case Kind::kHorizontalExpand:
        horizontalExpand(src, dst, p, progress);
        break;
      case Kind::kHorizontalShrink:
        horizontalShrink(src, dst, p, progress);
        break;
    }
  });
  return ticks;
}

TEST(StretchGeometry, WorkedValues) {
  const Sphere s = MakeSphere(100, 30);
  // The pixel 40 above the centre in column a + 30.
  EXPECT_NEAR(300 - ExpandSource(300, 40, MakeBulgeTerms(s, 30, -30)), 34.736, 5e-4);
  const SourcePosition shrink =
      PinchSource(230, 260, -30, 40, MakePinchTerms(s, -30), MakePinchTerms(s, 40));
  EXPECT_NEAR(300 - shrink.y, 45.447, 5e-4);
  // The horizontal variants with the axes exchanged.
  EXPECT_NEAR(200 - ExpandSource(200, 40, MakeBulgeTerms(s, 30, -30)), 34.736, 5e-4);
  const SourcePosition across =
      PinchSource(160, 330, 40, -30, MakePinchTerms(s, 40), MakePinchTerms(s, -30));
  EXPECT_NEAR(200 - across.x, 45.447, 5e-4);
}

TEST(StretchGeometry, ExpandRootWithoutPositiveArgumentGivesNoSource) {
  // Strength equal to the radius: sigma is 0 and the end rows reach the sphere's edge.
  const Sphere s = MakeSphere(40, 40);
  EXPECT_TRUE(std::isnan(ExpandSource(0, 40, MakeBulgeTerms(s, 40, 0))));
}

struct StretchCase {
  const char* name;
  Kind kind;
  int width, height;
  SphereParams p;
};

class StretchStepTest : public testing::TestWithParam<StretchCase> {};

TEST_P(StretchStepTest, RegionStepEqualsCopyInCopyOut) {
  const StretchCase& c = GetParam();
  Picture fast = PatternPicture(c.width, c.height, 13);
  Picture plain = fast;
  const int ticks = Step(c.kind, fast, c.p);
  reference::Stretch(plain, c.p.a, c.p.b, c.p.R, c.p.H, IsVertical(c.kind), IsExpand(c.kind));
  EXPECT_TRUE(SamePicture(plain, fast));
  EXPECT_EQ(ticks, IsExpand(c.kind) ? 2 * c.p.R - 1 : 2 * (c.p.R - 1));
}

// Vertical expands pressed ever nearer to each edge, across the point where the source rows no
// longer keep clear of it and the sampler is handed the positions in another form: the same bytes
// as the reference all the way, for a gentle expand and one whose strength is its radius.
TEST(StretchStep, VerticalExpandsWalkingUpToEachEdgeEqualTheReference) {
  const Picture start = PatternPicture(120, 90, 9);
  for (const auto& [R, H] : {std::pair{24, 8}, std::pair{20, 20}})
    test::ForPressesWalkingToEachEdge(120, 90, [&, R = R, H = H](int a, int b, int) {
      const SphereParams p{a, b, R, H};
      Picture fast = start;
      Picture plain = start;
      Step(Kind::kVerticalExpand, fast, p);
      reference::Stretch(plain, a, b, R, H, true, true);
      EXPECT_TRUE(SamePicture(plain, fast)) << a << "," << b << " R " << R << " H " << H;
    });
}

TEST_P(StretchStepTest, PixelsKeepTheirColumnOrRowOfOrigin) {
  const StretchCase& c = GetParam();
  // Every column (vertical) or row (horizontal) of one colour stays one colour.
  Picture stripes(c.width, c.height, 24);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      stripes.setPixel(
          x, y,
          IsVertical(c.kind) ? MakeColour(x % 256, x / 256, 7) : MakeColour(y % 256, y / 256, 7));
  Picture after = stripes;
  Step(c.kind, after, c.p);
  // Except where the sampler pulls a position on the picture's last column back to the one
  // before it (and, for the horizontal variants, one on the last row to the row above).
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const bool edge = IsVertical(c.kind) ? x == c.width - 1 : y == c.height - 1;
      const TColor expected =
          !edge || after.pixel(x, y) == stripes.pixel(x, y)
              ? stripes.pixel(x, y)
              : stripes.pixel(IsVertical(c.kind) ? x - 1 : x, IsVertical(c.kind) ? y : y - 1);
      ASSERT_EQ(after.pixel(x, y), expected) << x << "," << y;
    }
  EXPECT_EQ(after.pixel(c.p.a, c.p.b), stripes.pixel(c.p.a, c.p.b));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StretchStepTest,
    testing::Values(
        StretchCase{"VerticalExpandInside", Kind::kVerticalExpand, 240, 200, {120, 100, 70, 30}},
        StretchCase{"VerticalShrinkInside", Kind::kVerticalShrink, 240, 200, {120, 100, 70, 30}},
        StretchCase{
            "HorizontalExpandInside", Kind::kHorizontalExpand, 240, 200, {120, 100, 70, 30}},
        StretchCase{
            "HorizontalShrinkInside", Kind::kHorizontalShrink, 240, 200, {120, 100, 70, 30}},
        StretchCase{"VerticalExpandCentreLeftOfPicture",
                    Kind::kVerticalExpand,
                    240,
                    200,
                    {-15, 100, 50, 20}},
        StretchCase{"VerticalExpandCentreRightOfPicture",
                    Kind::kVerticalExpand,
                    240,
                    200,
                    {255, 100, 50, 20}},
        StretchCase{"HorizontalExpandCentreRightOfPicture",
                    Kind::kHorizontalExpand,
                    240,
                    200,
                    {250, 100, 50, 20}},
        StretchCase{"VerticalExpandTopLeft", Kind::kVerticalExpand, 240, 200, {6, 4, 50, 20}},
        StretchCase{"VerticalShrinkTopLeft", Kind::kVerticalShrink, 240, 200, {6, 4, 50, 20}},
        StretchCase{"HorizontalExpandTopLeft", Kind::kHorizontalExpand, 240, 200, {6, 4, 50, 20}},
        StretchCase{"HorizontalShrinkTopLeft", Kind::kHorizontalShrink, 240, 200, {6, 4, 50, 20}},
        StretchCase{
            "VerticalExpandBottomRight", Kind::kVerticalExpand, 240, 200, {236, 197, 50, 20}},
        StretchCase{
            "VerticalShrinkBottomRight", Kind::kVerticalShrink, 240, 200, {236, 197, 50, 20}},
        StretchCase{
            "HorizontalExpandBottomRight", Kind::kHorizontalExpand, 240, 200, {236, 197, 50, 20}},
        StretchCase{
            "HorizontalShrinkBottomRight", Kind::kHorizontalShrink, 240, 200, {236, 197, 50, 20}},
        // Strength above the radius mirrors about the centre line; at equal strength and radius
        // the expands' end rows meet roots without a positive argument.
        StretchCase{
            "VerticalExpandNegativeSigma", Kind::kVerticalExpand, 240, 200, {120, 100, 30, 45}},
        StretchCase{
            "HorizontalShrinkNegativeSigma", Kind::kHorizontalShrink, 240, 200, {120, 100, 30, 45}},
        StretchCase{"VerticalExpandStrengthEqualsRadius",
                    Kind::kVerticalExpand,
                    240,
                    200,
                    {120, 100, 40, 40}},
        StretchCase{"HorizontalExpandStrengthNearRadius",
                    Kind::kHorizontalExpand,
                    240,
                    200,
                    {120, 100, 40, 39}},
        // Radii above the expands' kept table compute each source when it is needed.
        StretchCase{"VerticalExpandBeyondTheTable",
                    Kind::kVerticalExpand,
                    200,
                    2100,
                    {100, 1040, 1030, 400}},
        StretchCase{"HorizontalExpandBeyondTheTable",
                    Kind::kHorizontalExpand,
                    2100,
                    200,
                    {1040, 100, 1030, 400}}),
    [](const testing::TestParamInfo<StretchCase>& info) { return info.param.name; });

}  // namespace
}  // namespace drollo::warp
