#include "palette/tools.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "palette/fake_tools_host.h"

namespace drollo {
namespace {

using FakeHost = test::FakeToolsHost;

// The palette as the program starts it: the work area has set both radii to 100 and the main
// window the spherical expand.
class Palette : public testing::Test {
 protected:
  Palette() {
    state.ScreenRadius = 100;
    state.PictureRadius = 100;
    state.WarpShape = Shape::Spherical;
    state.WarpAction = Warp::Expand;
  }
  ProgramState state;
  FakeHost host;
  TTools tools{state, host};
};

// --- The radius slider rule -------------------------------------------------------------------

struct RadiusCase {
  const char* name;
  bool swirlPage;  // TrackBar3 with TrackBar4, otherwise TrackBar1 with TrackBar2
  double zoom;
  std::vector<int> moves;  // successive slider positions, each one change
  int bendMin, bendMax, bendPosition;
  int pictureRadius;
};

class RadiusSlider : public Palette, public testing::WithParamInterface<RadiusCase> {};

TEST_P(RadiusSlider, SetsBendSliderRadiiAndProgressMaximum) {
  const RadiusCase& c = GetParam();
  state.ZoomPercent = c.zoom;
  TrackBar& radius = c.swirlPage ? tools.TrackBar3 : tools.TrackBar1;
  TrackBar& bend = c.swirlPage ? tools.TrackBar4 : tools.TrackBar2;
  const Label& radiusLabel = c.swirlPage ? tools.Label6 : tools.Label2;
  const Label& bendLabel = c.swirlPage ? tools.Label7 : tools.Label5;
  for (int p : c.moves) radius.SetPosition(p);

  const int p = c.moves.back();
  EXPECT_EQ(radiusLabel.Caption, std::to_string(p));
  EXPECT_EQ(bend.Min(), c.bendMin);
  EXPECT_EQ(bend.Max(), c.bendMax);
  EXPECT_EQ(bend.Position(), c.bendPosition);
  EXPECT_EQ(bendLabel.Caption, std::to_string(c.bendPosition));  // the bend's own handler ran
  EXPECT_EQ(state.ScreenRadius, p);
  EXPECT_EQ(state.PictureRadius, c.pictureRadius);
  EXPECT_EQ(state.ProgressBar1.Max, 4 * c.pictureRadius);
  EXPECT_EQ(&tools.ProgressBar1, &state.ProgressBar1);
}

INSTANTIATE_TEST_SUITE_P(
    Palette, RadiusSlider,
    testing::Values(
        // 250 / 1.5 = 166.7, 250 / 10 = 25, 250 / 3 = 83.3; 250 / 125 * 100 = 200.
        RadiusCase{"WarpTo250AtZoom125", false, 125, {250}, 25, 167, 83, 200},
        // From 500 (50..333) straight to 10: the maximum 7 is below the minimum 50 and refused.
        RadiusCase{"WarpFrom500To10KeepsOldMaximum", false, 100, {500, 10}, 1, 333, 3, 10},
        // 25 / 10 = 2.5 goes to the even 2; 25 / 200 * 100 = 12.5 goes to 12.
        RadiusCase{"HalvesGoToEven", false, 200, {25}, 2, 17, 8, 12},
        // Divided first, 46 / 80 * 100 is 57.4999... in double (46 * 100 / 80 would be 57.5,
        // then 58), and 98 / 80 * 100 is 122.5000...1.
        RadiusCase{"PictureRadiusDividesFirst46", false, 80, {46}, 5, 31, 15, 57},
        RadiusCase{"PictureRadiusDividesFirst98", false, 80, {98}, 10, 65, 33, 123},
        RadiusCase{"SwirlTo50", true, 100, {50}, 1, 17, 5, 50},
        // 500 / 3 = 166.7 is above the bend's old maximum 30 and 500 / 50 = 10 is accepted.
        RadiusCase{"SwirlTo500", true, 100, {500}, 10, 167, 50, 500},
        RadiusCase{"SwirlFrom500To10KeepsOldMaximum", true, 100, {500, 10}, 0, 167, 1, 10}),
    [](const testing::TestParamInfo<RadiusCase>& info) { return std::string(info.param.name); });

// --- Buttons and their groups -----------------------------------------------------------------

enum class Field { WarpAction, DrawingTool };

struct ButtonCase {
  const char* name;
  SpeedButton TTools::*button;
  Field field;
  int value;
  std::vector<std::string> calls;  // the calls out, in order
  const char* label12;             // expected Label12 text on page 3
};

class ToolButton : public Palette, public testing::WithParamInterface<ButtonCase> {};

TEST_P(ToolButton, SetsToolCallsOutAndShowsOnlyItselfPressedInItsGroup) {
  const ButtonCase& c = GetParam();
  // Press every other button of the palette's groups first, so the one under test has a pressed
  // neighbour to release.
  for (auto other : {&TTools::SpeedButton2, &TTools::SpeedButton12, &TTools::SpeedButton13}) {
    if (other != c.button) (tools.*other).Click();
  }
  host.calls.clear();

  (tools.*c.button).Click();

  EXPECT_EQ(c.field == Field::WarpAction ? static_cast<int>(state.WarpAction)
                                         : static_cast<int>(state.DrawingTool),
            c.value);
  EXPECT_EQ(host.calls, c.calls);
  if (c.label12) {
    EXPECT_EQ(tools.Label12.Caption, c.label12);
  }

  const std::vector<std::vector<SpeedButton TTools::*>> groups = {
      {&TTools::SpeedButton1, &TTools::SpeedButton2},
      {&TTools::SpeedButton11, &TTools::SpeedButton12, &TTools::SpeedButton3},
      {&TTools::SpeedButton14, &TTools::SpeedButton6, &TTools::SpeedButton15, &TTools::SpeedButton9,
       &TTools::SpeedButton13}};
  for (const auto& group : groups) {
    int down = 0;
    for (auto b : group) down += (tools.*b).Down;
    EXPECT_EQ(down, 1);  // every group shows exactly one pressed
    for (auto b : group) {
      if (b == c.button) {
        EXPECT_TRUE((tools.*b).Down);
      }
    }
  }
}

const std::vector<std::string> kWarpCalls = {"setsigncursor", "hint Click or Keep Down"};
const std::vector<std::string> kCursor = {"setsigncursor"};

INSTANTIATE_TEST_SUITE_P(
    Palette, ToolButton,
    testing::Values(
        ButtonCase{"Expand", &TTools::SpeedButton1, Field::WarpAction, 1, kWarpCalls, nullptr},
        ButtonCase{"Shrink", &TTools::SpeedButton2, Field::WarpAction, 2, kWarpCalls, nullptr},
        ButtonCase{"SwirlRight", &TTools::SpeedButton11, Field::WarpAction, 3, kWarpCalls, nullptr},
        ButtonCase{"SwirlLeft", &TTools::SpeedButton12, Field::WarpAction, 4, kWarpCalls, nullptr},
        ButtonCase{"Smudge",
                   &TTools::SpeedButton3,
                   Field::WarpAction,
                   5,
                   {"setsigncursor", "hint Keep Down and move"},
                   nullptr},
        ButtonCase{"Line", &TTools::SpeedButton14, Field::DrawingTool, 1, kCursor, "直线粗细:"},
        ButtonCase{"Curve", &TTools::SpeedButton6, Field::DrawingTool, 4, kCursor, "曲线粗细:"},
        ButtonCase{"Pen", &TTools::SpeedButton15, Field::DrawingTool, 2, kCursor, "钢笔粗细:"},
        ButtonCase{"Eraser", &TTools::SpeedButton9, Field::DrawingTool, 5, kCursor, "擦除范围:"},
        ButtonCase{"Text", &TTools::SpeedButton13, Field::DrawingTool, 3, kCursor, ""}),
    [](const testing::TestParamInfo<ButtonCase>& info) { return std::string(info.param.name); });

TEST_F(Palette, SmudgeSetsRadiusTo50AndHidesTheBendSlider) {
  tools.SpeedButton3.Click();
  EXPECT_TRUE(state.SmudgeMode);
  EXPECT_EQ(state.WarpAction, Warp::Smudge);
  EXPECT_EQ(tools.TrackBar3.Position(), 50);
  // The radius rule ran although the bend slider is hidden.
  EXPECT_EQ(tools.TrackBar4.Min(), 1);
  EXPECT_EQ(tools.TrackBar4.Max(), 17);
  EXPECT_EQ(tools.TrackBar4.Position(), 5);
  EXPECT_EQ(tools.Label7.Caption, "5");
  EXPECT_EQ(state.ScreenRadius, 50);
  EXPECT_EQ(state.ProgressBar1.Max, 200);
  EXPECT_FALSE(tools.TrackBar4.Visible);
  EXPECT_FALSE(tools.Label14.Visible);
  EXPECT_FALSE(tools.Label7.Visible);

  // A swirl brings the bend slider back and ends the smudge; the radius stays.
  tools.SpeedButton12.Click();
  EXPECT_FALSE(state.SmudgeMode);
  EXPECT_EQ(state.WarpAction, Warp::SwirlCounterclockwise);
  EXPECT_TRUE(tools.TrackBar4.Visible);
  EXPECT_TRUE(tools.Label14.Visible);
  EXPECT_TRUE(tools.Label7.Visible);
  EXPECT_EQ(tools.TrackBar3.Position(), 50);
}

TEST_F(Palette, SmudgeAtRadius50RunsNoRadiusRule) {
  tools.TrackBar3.SetPosition(50);
  state.ZoomPercent = 200;  // would change PictureRadius if the rule ran again
  tools.SpeedButton3.Click();
  EXPECT_EQ(state.PictureRadius, 50);
}

TEST_F(Palette, RadioButtonsChooseTheWarpShape) {
  tools.RadioButton2.Click();
  EXPECT_EQ(state.WarpShape, Shape::Vertical);
  tools.RadioButton3.Click();
  EXPECT_EQ(state.WarpShape, Shape::Horizontal);
  EXPECT_FALSE(tools.RadioButton1.Checked);
  EXPECT_FALSE(tools.RadioButton2.Checked);
  EXPECT_TRUE(tools.RadioButton3.Checked);
  tools.RadioButton1.Click();
  EXPECT_EQ(state.WarpShape, Shape::Spherical);
  EXPECT_TRUE(tools.RadioButton1.Checked);
  EXPECT_FALSE(tools.RadioButton3.Checked);
}

// --- Pen width and the eraser -----------------------------------------------------------------

TEST_F(Palette, PenWidthSliderSetsPenWidthAndBothPens) {
  tools.SpeedButton15.Click();  // pen
  state.ScreenRadius = 77;
  host.calls.clear();

  tools.TrackBar6.SetPosition(12);

  EXPECT_EQ(state.PenWidth, 12);
  EXPECT_EQ(tools.Label10.Caption, "12");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"outline pen width 12", "window pen width 12"}));
  EXPECT_EQ(state.ScreenRadius, 77);  // not the eraser: the brush radius is not the pen's
}

TEST_F(Palette, EraserSizeFollowsPenWidthSlider) {
  tools.TrackBar6.SetPosition(8);
  host.calls.clear();
  tools.SpeedButton9.Click();
  EXPECT_EQ(state.ScreenRadius, 8);
  EXPECT_EQ(tools.Label12.Caption, "擦除范围:");

  host.calls.clear();
  tools.TrackBar6.SetPosition(80);  // clamped to 50
  EXPECT_EQ(state.PenWidth, 50);
  EXPECT_EQ(state.ScreenRadius, 50);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"outline pen width 50", "window pen width 50",
                                                  "setsigncursor"}));
}

// --- Colour choice ----------------------------------------------------------------------------

struct ColourCase {
  const char* name;
  std::optional<TColor> answer;
  TColor want;
};

class ColourChoice : public Palette, public testing::WithParamInterface<ColourCase> {};

TEST_P(ColourChoice, PensTakeThePanelColourAfterTheDialog) {
  const TColor before = MakeColour(10, 20, 30);
  tools.Panel2.Color = before;
  host.dialogAnswer = GetParam().answer;

  tools.Panel2.Click();

  const TColor want = GetParam().want;
  EXPECT_EQ(host.dialogPresets, std::vector<TColor>{before});
  EXPECT_EQ(tools.Panel2.Color, want);
  const std::string w = std::to_string(want);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"memo colour " + w, "outline pen colour " + w,
                                                  "window pen colour " + w}));
}

INSTANTIATE_TEST_SUITE_P(
    Palette, ColourChoice,
    testing::Values(ColourCase{"Confirmed", MakeColour(200, 0, 5), MakeColour(200, 0, 5)},
                    ColourCase{"CancelledStillCopiesPanelColour", std::nullopt,
                               MakeColour(10, 20, 30)}),
    [](const testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

// --- Sketch page labels -----------------------------------------------------------------------

TEST_F(Palette, SketchLabelsShowPressureAndContrastPercentage) {
  EXPECT_EQ(tools.Label9.Caption, "150");
  EXPECT_EQ(tools.Label11.Caption, "51");  // 45 * 100 / 89 = 50.6
  tools.TrackBar5.SetPosition(7);
  EXPECT_EQ(tools.Label9.Caption, "7");
  for (auto [p, text] : {std::pair{0, "0"}, {1, "1"}, {44, "49"}, {89, "100"}}) {
    tools.TrackBar7.SetPosition(p);
    EXPECT_EQ(tools.Label11.Caption, text) << "position " << p;
  }
}

TEST_F(Palette, ListenersRunAfterEveryHandler) {
  int runs = 0;
  tools.Subscribe([&] { ++runs; });
  tools.RadioButton2.Click();
  EXPECT_EQ(runs, 1);
  tools.TrackBar2.SetPosition(tools.TrackBar2.Position());  // no change, no handler
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace drollo
