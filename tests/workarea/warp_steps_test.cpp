#include <gtest/gtest.h>

#include "effects/warp/reference_warps.h"
#include "palette/tools.h"
#include "support/pictures.h"
#include "workarea/work_area.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

class WarpStepTest : public testing::Test {
 protected:
  WarpStepTest() { state.WorkingPicture = PatternPicture(240, 180, 17); }

  // Marks every tile clean, as after the history recorded the picture.
  void ForgetWrites() { state.WorkingPicture.setSyncedWith({}); }

  ProgramState state;
  TTools tools{state};
  TWork_area area{state, tools};
};

struct SphereStepCase {
  const char* name;
  int action;  // 1 bulge, 2 pinch
  double zoom;
  int a, b;
  int R, H;  // expected in picture pixels, from the default sliders 100 and 30
};

class SphericalStretchTest : public WarpStepTest,
                             public testing::WithParamInterface<SphereStepCase> {};

TEST_P(SphericalStretchTest, StepsLikeTheCopyInCopyOutWarpAndStoresRadiusAndStrength) {
  const SphereStepCase& c = GetParam();
  state.WarpAction = static_cast<Warp>(c.action);
  state.ZoomPercent = c.zoom;
  Picture expected = state.WorkingPicture;
  if (c.action == 1)
    warp::reference::Bulge(expected, c.a, c.b, c.R, c.H);
  else
    warp::reference::Pinch(expected, c.a, c.b, c.R, c.H);

  area.SphericalStretch(c.a, c.b);

  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  EXPECT_EQ(state.PictureRadius, c.R);
  EXPECT_EQ(state.WarpStrength, c.H);
  EXPECT_EQ(state.ProgressBar1.Position, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SphericalStretchTest,
    testing::Values(SphereStepCase{"BulgeAtZoom100", 1, 100, 120, 90, 100, 30},
                    SphereStepCase{"PinchAtZoom100", 2, 100, 120, 90, 100, 30},
                    // Zoomed in twice, the patch covers the same screen area.
                    SphereStepCase{"BulgeAtZoom200", 1, 200, 120, 90, 50, 15},
                    SphereStepCase{"PinchAtZoom200", 2, 200, 120, 90, 50, 15},
                    SphereStepCase{"BulgeAtZoom75NearCorner", 1, 75, 230, 5, 133, 40},
                    SphereStepCase{"PinchAtZoom75NearCorner", 2, 75, 230, 5, 133, 40}),
    [](const testing::TestParamInfo<SphereStepCase>& info) { return info.param.name; });

TEST_F(WarpStepTest, StrengthRoundingToZeroLeavesThePictureAlone) {
  state.WarpAction = Warp::Expand;
  tools.TrackBar2.SetPosition(3);
  state.ZoomPercent = 1000;  // 3 screen pixels are 0.3 picture pixels
  const Picture before = state.WorkingPicture;
  ForgetWrites();
  area.SphericalStretch(120, 90);
  state.WarpAction = Warp::Shrink;
  area.SphericalStretch(120, 90);
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
  EXPECT_FALSE(state.WorkingPicture.anyTileWritten());
  EXPECT_EQ(state.PictureRadius, 10);
  EXPECT_EQ(state.WarpStrength, 0);
}

TEST_F(WarpStepTest, OtherActionsDoNothing) {
  const Picture before = state.WorkingPicture;
  for (int action : {0, 5, 6}) {
    state.WarpAction = static_cast<Warp>(action);
    area.SphericalStretch(120, 90);
  }
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
}

TEST_F(WarpStepTest, OnlyThePatchTilesAreMarkedWritten) {
  tools.TrackBar1.SetPosition(20);
  tools.TrackBar2.SetPosition(6);
  state.WarpAction = Warp::Expand;
  ForgetWrites();
  area.SphericalStretch(30, 30);  // patch columns and rows 11..49: tile (0, 0) only
  for (int ty = 0; ty < state.WorkingPicture.tilesY(); ++ty)
    for (int tx = 0; tx < state.WorkingPicture.tilesX(); ++tx)
      EXPECT_EQ(state.WorkingPicture.tileWritten(tx, ty), tx == 0 && ty == 0) << tx << "," << ty;
}

// A round patch leaves the corners of its box alone: their tiles are neither marked written nor
// copied for the history, and the step still equals the reference.
TEST_F(WarpStepTest, ARoundStepLeavesTheTilesOfItsBoxCornersUnwritten) {
  state.WorkingPicture = PatternPicture(400, 400, 3);
  tools.TrackBar1.SetPosition(100);
  tools.TrackBar2.SetPosition(30);
  state.WarpAction = Warp::Expand;
  Picture expected = state.WorkingPicture;
  warp::reference::Bulge(expected, 224, 224, 100, 30);
  ForgetWrites();
  area.SphericalStretch(224, 224);  // the box: columns and rows 125..323, tiles 1..5
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  const Picture& p = state.WorkingPicture;
  for (int t : {1, 5})
    for (int u : {1, 5}) EXPECT_FALSE(p.tileWritten(t, u)) << t << "," << u;
  for (int t : {1, 3, 5}) EXPECT_TRUE(p.tileWritten(t, 3) && p.tileWritten(3, t)) << t;
  EXPECT_FALSE(p.tileWritten(0, 3) || p.tileWritten(6, 3));
}

TEST_F(WarpStepTest, PictureOfAnotherDepthIsStepAt24Bits) {
  Picture grey(120, 90, PixelFormat::Grey8());
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x)
      grey.mutableRow(y)[x] = static_cast<std::uint8_t>(x * 2 + y);
  state.WorkingPicture = grey;
  state.WarpAction = Warp::Shrink;
  Picture expected = ToBgr24(grey);
  warp::reference::Pinch(expected, 60, 45, 100, 30);
  area.SphericalStretch(60, 45);
  EXPECT_EQ(state.WorkingPicture.bitsPerPixel(), 24);
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
}

// The window is told of the bar each time it has moved by a hundredth of its length, once for each
// hundredth: a click's columns advance the model's bar one by one, and the window hears of every
// part of that it could show.
TEST(WarpStepProgress, TheWindowHearsOfEachHundredthTheBarReachesOnce) {
  struct Display : TWork_areaHost {
    std::vector<ProgressBarState> told;
    void Advanced(const ProgressBarState& bar) override { told.push_back(bar); }
  } display;
  ProgramState state;
  state.WorkingPicture = PatternPicture(240, 180, 17);
  TTools tools{state};
  TWork_area area{state, tools, &display};
  state.WarpAction = Warp::Expand;
  area.SphericalStretch(120, 90);  // R = 100: 4 * 99 columns of a bar 500 long
  ASSERT_EQ(display.told.size(), 396u * 100 / 500);
  for (std::size_t i = 0; i < display.told.size(); ++i) {
    EXPECT_EQ(display.told[i].Hundredths(), static_cast<int>(i) + 1);
    EXPECT_EQ(display.told[i].Position, 5 * (static_cast<int>(i) + 1));
  }
  EXPECT_EQ(state.ProgressBar1.Position, 0);
}

}  // namespace
}  // namespace drollo
