#include <gtest/gtest.h>

#include "effects/warp/reference_warps.h"
#include "palette/tools.h"
#include "support/pictures.h"
#include "workarea/work_area.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

class WarpFamilyTest : public testing::Test {
 protected:
  WarpFamilyTest() { state.WorkingPicture = PatternPicture(230, 170, 23); }

  ProgramState state;
  TTools tools{state};
  TWork_area area{state, tools};
};

struct SwirlStepCase {
  const char* name;
  int action;
  double zoom;
  int R, H;  // from the swirl page's default sliders 100 and 10
};

class SwirlThroughSphericalStretch : public WarpFamilyTest,
                                     public testing::WithParamInterface<SwirlStepCase> {};

TEST_P(SwirlThroughSphericalStretch, StepsLikeTheCopyInCopyOutSwirl) {
  const SwirlStepCase& c = GetParam();
  state.WarpAction = static_cast<Warp>(c.action);
  state.ZoomPercent = c.zoom;
  Picture expected = state.WorkingPicture;
  warp::reference::Swirl(expected, 110, 80, c.R, c.H, c.action == 3);
  area.SphericalStretch(110, 80);
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  EXPECT_EQ(state.PictureRadius, c.R);
  EXPECT_EQ(state.WarpStrength, c.H);
  EXPECT_EQ(state.ProgressBar1.Position, 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, SwirlThroughSphericalStretch,
                         testing::Values(SwirlStepCase{"ClockwiseZoom100", 3, 100, 100, 10},
                                         SwirlStepCase{"CounterZoom100", 4, 100, 100, 10},
                                         SwirlStepCase{"ClockwiseZoom50", 3, 50, 200, 20}),
                         [](const testing::TestParamInfo<SwirlStepCase>& info) {
                           return info.param.name;
                         });

struct StretchStepCase {
  const char* name;
  int shape;   // 2 vertical, 3 horizontal
  int action;  // 1 expand, 2 shrink
};

class StretchThroughWorkArea : public WarpFamilyTest,
                               public testing::WithParamInterface<StretchStepCase> {};

TEST_P(StretchThroughWorkArea, StepsLikeTheCopyInCopyOutStretch) {
  const StretchStepCase& c = GetParam();
  state.WarpAction = static_cast<Warp>(c.action);
  Picture expected = state.WorkingPicture;
  warp::reference::Stretch(expected, 200, 30, 100, 30, c.shape == 2, c.action == 1);
  if (c.shape == 2)
    area.VerticalStretch(200, 30);
  else
    area.HorizontalStretch(200, 30);
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  EXPECT_EQ(state.PictureRadius, 100);
  EXPECT_EQ(state.WarpStrength, 30);
  // Only the shrinks paint through a buffer.
  EXPECT_EQ(area.DoubleBuffered, c.action == 2);
}

INSTANTIATE_TEST_SUITE_P(Steps, StretchThroughWorkArea,
                         testing::Values(StretchStepCase{"VerticalExpand", 2, 1},
                                         StretchStepCase{"VerticalShrink", 2, 2},
                                         StretchStepCase{"HorizontalExpand", 3, 1},
                                         StretchStepCase{"HorizontalShrink", 3, 2}),
                         [](const testing::TestParamInfo<StretchStepCase>& info) {
                           return info.param.name;
                         });

TEST_F(WarpFamilyTest, StrengthRoundingToZeroLeavesThePictureAlone) {
  tools.TrackBar2.SetPosition(3);
  tools.TrackBar4.SetPosition(2);
  state.ZoomPercent = 1000;
  const Picture before = state.WorkingPicture;
  state.WorkingPicture.setSyncedWith({});
  for (int action : {1, 2}) {
    state.WarpAction = static_cast<Warp>(action);
    area.VerticalStretch(100, 80);
    area.HorizontalStretch(100, 80);
  }
  for (int action : {3, 4}) {
    state.WarpAction = static_cast<Warp>(action);
    area.SphericalStretch(100, 80);
  }
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
  EXPECT_FALSE(state.WorkingPicture.anyTileWritten());
  EXPECT_EQ(state.WarpStrength, 0);
}

TEST_F(WarpFamilyTest, SmudgeWorkedDragThroughTheZoom) {
  tools.TrackBar3.SetPosition(50);
  state.WarpCentre = {100, 100};
  Picture expected = state.WorkingPicture;
  warp::reference::Smudge(expected, 100, 100, 80, 100, 50);
  area.tumopic(80, 100);
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  EXPECT_EQ(state.ScreenRadius, 50);
  EXPECT_EQ(state.ProgressBar1.Position, 0);

  // Zoomed in twice: the control position and the slider are halved into picture pixels.
  state.ZoomPercent = 200;
  state.WarpCentre = {60, 50};
  expected = state.WorkingPicture;
  warp::reference::Smudge(expected, 60, 50, 90, 60, 25);
  area.tumopic(180, 120);
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  EXPECT_EQ(state.ScreenRadius, 50);
}

TEST_F(WarpFamilyTest, SmudgeWithoutMovementOrRadiusChangesNothing) {
  tools.TrackBar3.SetPosition(10);
  state.WarpCentre = {100, 100};
  const Picture before = state.WorkingPicture;
  area.tumopic(100, 100);
  state.ZoomPercent = 2500;  // 10 screen pixels are 0.4 picture pixels
  area.tumopic(5000, 2500);
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
}

TEST_F(WarpFamilyTest, WaveWrapRecordsOneHistoryEntry) {
  ResetPictureHistory(state);
  const Picture before = state.WorkingPicture;
  Picture expected = before;
  warp::reference::Wave(expected, 2, 6, 2);
  area.WaveWrap(2, 6, 2);
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  EXPECT_EQ(state.PictureHistory.undoCount(), 1);
  EXPECT_TRUE(state.UndoControlsEnabled);
  EXPECT_EQ(state.ProgressBar1.Position, 0);
  Undo1Click(state);
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
}

TEST_F(WarpFamilyTest, WaveWrapWithZeroDivisorDoesNothing) {
  ResetPictureHistory(state);
  const Picture before = state.WorkingPicture;
  area.WaveWrap(0, 6, 2);
  area.WaveWrap(2, 0, 2);
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
  EXPECT_EQ(state.PictureHistory.undoCount(), 0);
}

}  // namespace
}  // namespace drollo

namespace drollo {
namespace {

// Zoomed out to 1 %, the largest radius slider is 50000 picture pixels: squares of offsets leave
// the int range, and the steps must still only touch the picture.
TEST_F(WarpFamilyTest, FarZoomedOutStepsStayInsideThePicture) {
  state.WorkingPicture = PatternPicture(60, 40, 3);
  state.ZoomPercent = 1;
  tools.TrackBar1.SetPosition(500);
  tools.TrackBar3.SetPosition(500);
  const Picture before = state.WorkingPicture;
  for (int action : {1, 2, 3, 4}) {
    state.WarpAction = static_cast<Warp>(action);
    area.SphericalStretch(30, 20);
    EXPECT_EQ(state.WorkingPicture.pixel(30, 20), before.pixel(30, 20)) << action;
    EXPECT_EQ(state.PictureRadius, 50000);
  }
  for (int action : {1, 2}) {
    state.WarpAction = static_cast<Warp>(action);
    area.VerticalStretch(30, 20);
    area.HorizontalStretch(30, 20);
  }
  state.WarpCentre = {30, 20};
  area.tumopic(20, 10);
  EXPECT_EQ(state.WorkingPicture.width(), 60);
  EXPECT_EQ(state.WorkingPicture.height(), 40);
}

}  // namespace
}  // namespace drollo
