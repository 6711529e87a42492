// Turning the palette's pages: the tools each page switches on, the outline layer's display, the
// edge picture of the sketch page and the undo and redo controls from the page's history.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "outline/edge.h"
#include "palette/fake_tools_host.h"
#include "palette/tools.h"
#include "support/pictures.h"

namespace drollo {
namespace {

class PageChange : public testing::Test {
 protected:
  PageChange() {
    state.ScreenRadius = 100;
    state.PictureRadius = 100;
    state.WarpShape = Shape::Spherical;
    state.WarpAction = Warp::Expand;
    state.WorkingPicture = test::PatternPicture(9, 7);
    state.OutlineBitmap = TBitmap32(9, 7);
    ResetPictureHistory(state);
    ResetOutlineHistory(state);
    // The work area's display of the layer, which the outline page asks for; it records the page
    // the notebook reports while it runs.
    host.layerNote = [this] { return " on page " + std::to_string(state.PageIndex); };
  }
  // A recorded picture edit on the page showing.
  void Edit() {
    state.CurrentHistoryPicture().setPixel(1, 1, state.CurrentHistoryPicture().pixel(1, 1) ^ 1);
    backup(state);
  }
  void TurnTo(int page) {
    host.calls.clear();
    tools.TabbedNotebook1.SetPageIndex(page);
  }
  ProgramState state;
  test::FakeToolsHost host;
  TTools tools{state, host};
};

// --- Each page's state ------------------------------------------------------------------------

TEST_F(PageChange, WarpPageSelectsSphericalExpandAndTakesItsSliders) {
  tools.TabbedNotebook1.SetPageIndex(1);
  tools.RadioButton3.Click();
  tools.SpeedButton2.Click();
  tools.TrackBar1.SetPosition(46);
  tools.TrackBar2.SetPosition(12);
  // The zoom changes after the slider moved, so only the page change brings the radius in line.
  state.ZoomPercent = 80;

  TurnTo(0);

  EXPECT_EQ(state.WarpShape, Shape::Spherical);
  EXPECT_EQ(state.WarpAction, Warp::Expand);
  EXPECT_FALSE(state.SmudgeMode);
  EXPECT_EQ(state.ScreenRadius, 46);
  // 46 / 80 * 100 is 57.4999... in double; multiplying first would give 57.5 and then 58.
  EXPECT_EQ(state.PictureRadius, 57);
  EXPECT_EQ(state.WarpStrength, 12);
  // The maximum follows the slider's position, not the radius in picture pixels.
  EXPECT_EQ(state.ProgressBar1.Max, 46 * 4);
  EXPECT_TRUE(tools.SpeedButton1.Down);
  EXPECT_FALSE(tools.SpeedButton2.Down);
  EXPECT_TRUE(tools.RadioButton1.Checked);
  EXPECT_FALSE(tools.RadioButton3.Checked);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hint Click or Keep Down", "image2 hidden",
                                                  "caption 工作区域", "setsigncursor"}));
  EXPECT_EQ(state.PageIndex, 0);
}

TEST_F(PageChange, SwirlPageSelectsClockwiseSwirlAndShowsItsBendSlider) {
  tools.TabbedNotebook1.SetPageIndex(1);
  tools.SpeedButton3.Click();  // the smudge hides the bend slider and sets the radius to 50
  tools.TabbedNotebook1.SetPageIndex(0);
  tools.TrackBar4.SetPosition(7);
  state.ZoomPercent = 200;

  TurnTo(1);

  EXPECT_EQ(state.WarpShape, Shape::Spherical);
  EXPECT_EQ(state.WarpAction, Warp::SwirlClockwise);
  EXPECT_FALSE(state.SmudgeMode);
  EXPECT_EQ(state.ScreenRadius, 50);
  EXPECT_EQ(state.PictureRadius, 25);
  EXPECT_EQ(state.WarpStrength, 7);
  EXPECT_EQ(state.ProgressBar1.Max, 200);
  EXPECT_TRUE(tools.SpeedButton11.Down);
  EXPECT_FALSE(tools.SpeedButton3.Down);
  EXPECT_TRUE(tools.TrackBar4.Visible);
  EXPECT_TRUE(tools.Label14.Visible);
  EXPECT_TRUE(tools.Label7.Visible);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hint Click or Keep Down", "image2 hidden",
                                                  "caption 工作区域", "setsigncursor"}));
}

TEST_F(PageChange, SketchPageComputesEdgePictureWithoutToolCursor) {
  state.WarpAction = Warp::Shrink;
  TurnTo(2);

  EXPECT_EQ(state.WarpShape, Shape::None);
  EXPECT_EQ(state.WarpAction, Warp::Shrink);  // left as it was
  EXPECT_TRUE(test::SamePicture(outline::picsobel(state.WorkingPicture), state.EdgePicture));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"hint ", "image1 cursor arrow", "image2 hidden",
                                                  "caption 工作区域"}));
}

// The edge picture is made from a 24-bit copy; the working picture keeps its depth, so a .bmp is
// saved as it was opened until an effect changes it.
TEST_F(PageChange, SketchPageReadsThePictureWithoutConvertingIt) {
  Picture grey(5, 4, PixelFormat::Grey8());
  for (int y = 0; y < 4; ++y) grey.setPixel(y, y, kWhite);
  state.WorkingPicture = grey;

  TurnTo(2);

  EXPECT_EQ(state.WorkingPicture.bitsPerPixel(), 8);
  EXPECT_TRUE(test::SamePicture(grey, state.WorkingPicture));
  EXPECT_TRUE(test::SamePicture(outline::picsobel(ToBgr24(grey)), state.EdgePicture));
}

class OutlinePage : public PageChange, public testing::WithParamInterface<bool> {};

TEST_P(OutlinePage, SelectsLineToolShowsLayerAndNamesTheCaptionByCheckBox) {
  const bool showPicture = GetParam();
  tools.CheckBox1.Checked = showPicture;
  tools.TabbedNotebook1.SetPageIndex(3);
  tools.SpeedButton9.Click();
  tools.TrackBar6.SetPosition(9);
  state.CurveStage = 2;
  tools.TabbedNotebook1.SetPageIndex(0);
  state.DrawingTool = DrawTool::None;
  state.PenWidth = 0;

  TurnTo(3);

  EXPECT_EQ(state.WarpShape, Shape::None);
  EXPECT_EQ(state.DrawingTool, DrawTool::Line);
  EXPECT_EQ(state.PenWidth, 9);
  EXPECT_EQ(state.CurveStage, 0);
  EXPECT_TRUE(tools.SpeedButton14.Down);
  EXPECT_FALSE(tools.SpeedButton9.Down);
  const std::string caption =
      showPicture ? "caption 工作区域" : "caption Work_Outline without Draft";
  // The layer is composed while the notebook still reports the old page.
  EXPECT_EQ(host.calls,
            (std::vector<std::string>{"image2 cursor cross", "hint ", "image2 shown",
                                      "Image2showto on page 0", caption, "setsigncursor"}));
  EXPECT_EQ(state.PageIndex, 3);
}

INSTANTIATE_TEST_SUITE_P(PageChange, OutlinePage, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "PictureShown" : "PictureHidden";
                         });

TEST_F(PageChange, AnyOtherPageOnlySetsTheCursors) {
  const ProgramState before = state;
  host.calls.clear();
  tools.TabbedNotebook1Change(4);
  EXPECT_EQ(host.calls, std::vector<std::string>{"setsigncursor"});
  EXPECT_EQ(state.WarpShape, before.WarpShape);
  EXPECT_EQ(state.WarpAction, before.WarpAction);
  EXPECT_EQ(state.PictureRadius, before.PictureRadius);
}

// --- The worked sequences ---------------------------------------------------------------------

TEST_F(PageChange, VerticalThenSwirlPageThenWarpPageLeavesSphericalChecked) {
  tools.RadioButton2.Click();
  ASSERT_EQ(state.WarpShape, Shape::Vertical);
  tools.TabbedNotebook1.SetPageIndex(1);
  tools.TabbedNotebook1.SetPageIndex(0);
  EXPECT_TRUE(tools.RadioButton1.Checked);
  EXPECT_FALSE(tools.RadioButton2.Checked);
  EXPECT_FALSE(tools.RadioButton3.Checked);
  EXPECT_EQ(state.WarpShape, Shape::Spherical);
}

TEST_F(PageChange, SketchPageTwiceRecomputesEdgePictureFromThePictureAsItThenIs) {
  tools.TabbedNotebook1.SetPageIndex(2);
  const Picture firstEdge = state.EdgePicture;
  // A sketch changes the picture; the edge picture stays until the page is entered again.
  tools.SpeedButton4.Click();
  EXPECT_TRUE(test::SamePicture(firstEdge, state.EdgePicture));
  const Picture sketched = state.WorkingPicture;

  tools.TabbedNotebook1.SetPageIndex(0);
  EXPECT_TRUE(state.EdgePicture.empty());  // dropped off the sketch page
  tools.TabbedNotebook1.SetPageIndex(2);

  EXPECT_FALSE(state.EdgePicture.samePixels(firstEdge));
  EXPECT_TRUE(test::SamePicture(outline::picsobel(sketched), state.EdgePicture));
}

struct HistoryCase {
  const char* name;
  int pictureEdits, pictureUndos;  // on the warp page
  int outlineEdits, outlineUndos;  // on the outline page
  int fromPage, toPage;
  bool undo, redo;
};

class HistoryControls : public PageChange, public testing::WithParamInterface<HistoryCase> {};

TEST_P(HistoryControls, FollowTheRingOfTheNewPage) {
  const HistoryCase& c = GetParam();
  for (int i = 0; i < c.pictureEdits; ++i) Edit();
  for (int i = 0; i < c.pictureUndos; ++i) Undo1Click(state);
  tools.TabbedNotebook1.SetPageIndex(3);
  for (int i = 0; i < c.outlineEdits; ++i) Edit();
  for (int i = 0; i < c.outlineUndos; ++i) Undo1Click(state);
  tools.TabbedNotebook1.SetPageIndex(c.fromPage);

  TurnTo(c.toPage);

  EXPECT_EQ(state.UndoControlsEnabled, c.undo);
  EXPECT_EQ(state.RedoControlsEnabled, c.redo);
  if (c.toPage != 3) {
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "image2 hidden"), host.calls.end());
  }
}

INSTANTIATE_TEST_SUITE_P(
    PageChange, HistoryControls,
    testing::Values(
        // From the outline page back to the warp page: the picture ring decides, whatever the
        // outline ring holds.
        HistoryCase{"OutlineToWarpNothingToUndo", 0, 0, 2, 1, 3, 0, false, false},
        HistoryCase{"OutlineToWarpPictureUndoThree", 3, 0, 0, 0, 3, 0, true, false},
        HistoryCase{"OutlineToSwirlPictureRedo", 2, 2, 3, 0, 3, 1, false, true},
        HistoryCase{"OutlineToSketch", 2, 1, 0, 0, 3, 2, true, true},
        // Into the outline page: the outline ring decides.
        HistoryCase{"WarpToOutlineNothingToUndo", 4, 0, 0, 0, 0, 3, false, false},
        HistoryCase{"SketchToOutlineUndoAndRedo", 0, 0, 3, 1, 2, 3, true, true}),
    [](const testing::TestParamInfo<HistoryCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace drollo
