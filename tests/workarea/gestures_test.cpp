// The work area driven as a user drives it: presses, moves, releases, timer ticks, the wheel and
// the scroll bars. Warped pictures are compared with the same steps applied directly to a second
// program state, so each gesture's count of steps and history entries is what is checked; the
// smudge, whose drag plans its own steps, with the copy-in, copy-out smudge.
#include <gtest/gtest.h>

#include <cmath>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "effects/warp/reference_warps.h"
#include "effects/warp/smudge.h"
#include "outline/layer_display.h"
#include "palette/tools.h"
#include "support/pictures.h"
#include "workarea/work_area.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

class FakeWorkAreaHost : public TWork_areaHost {
 public:
  std::optional<bool> cropButton;  // the last state the work area gave SpeedButton11
  std::optional<bool> copyAction;  // the last state the work area gave Action6
  std::vector<Rect> confined;
  int released = 0;
  int repaints = 0;
  Rect lastRepaint, lastKept;
  bool minimized = false;

  void SetCropButtonEnabled(bool enabled) override { cropButton = enabled; }
  void SetCopyActionEnabled(bool enabled) override { copyAction = enabled; }
  void Repaint(const Rect& area, const Rect& keep) override {
    ++repaints;
    lastRepaint = area;
    lastKept = keep;
    log.emplace_back(area, keep);
  }
  // Whether a repaint asked for so far covers window pixel p: inside an area (its right and bottom
  // edges included, as the window repaints them) and outside the part that area keeps.
  bool Covers(Point p) const {
    for (const auto& [area, keep] : log)
      if (p.x >= area.left && p.x <= area.right && p.y >= area.top && p.y <= area.bottom &&
          !keep.contains(p.x, p.y))
        return true;
    return false;
  }
  std::vector<std::pair<Rect, Rect>> log;
  void ConfinePointer(const Rect& image1) override { confined.push_back(image1); }
  void ReleasePointer() override { ++released; }
  void Minimize() override { minimized = true; }
};

constexpr TShiftState kLeft{.Left = true};
constexpr TShiftState kRight{.Right = true};
constexpr TShiftState kNone{};

// A started work area on a 120 x 90 picture, the palette on the warp page with its start tools.
class WorkAreaGestures : public testing::Test {
 protected:
  WorkAreaGestures() {
    relay.Attach(area);
    state.WorkingPicture = PatternPicture(120, 90, 5);
    area.FormCreate();
    area.FormShow();
    state.WarpShape = Shape::Spherical;
    state.WarpAction = Warp::Expand;
    ResetPictureHistory(state);
    ResetOutlineHistory(state);
  }

  // A left click as the desktop layer delivers it: press, click, release.
  void LeftClick(int x, int y) {
    area.Image1MouseDown(TMouseButton::Left, kLeft, x, y);
    area.Image1Click();
    area.Image1MouseUp(TMouseButton::Left, kNone, x, y);
  }
  void Drag(TShiftState held, TMouseButton button, Point from, Point to) {
    area.Image1MouseDown(button, held, from.x, from.y);
    area.Image1MouseMove(held, to.x, to.y);
    area.Image1MouseUp(button, kNone, to.x, to.y);
  }

  // The start picture after `steps` warp steps of the current tool at picture point `c`, applied
  // directly to another state.
  Picture Stepped(Point c, int steps) {
    ProgramState ref;
    TTools refTools{ref};
    TWork_area refArea{ref, refTools};
    ref.WorkingPicture = PatternPicture(120, 90, 5);
    ref.WarpShape = state.WarpShape;
    ref.WarpAction = state.WarpAction;
    ref.ZoomPercent = state.ZoomPercent;
    for (int i = 0; i < steps; ++i) {
      if (ref.WarpShape == Shape::Spherical) refArea.SphericalStretch(c.x, c.y);
      if (ref.WarpShape == Shape::Vertical) refArea.VerticalStretch(c.x, c.y);
      if (ref.WarpShape == Shape::Horizontal) refArea.HorizontalStretch(c.x, c.y);
    }
    return ref.WorkingPicture;
  }

  int HistoryEntries() const {
    return state.PictureHistory.undoCount() + state.OutlineHistory.undoCount();
  }

  ProgramState state;
  TToolsHostRelay relay;
  TTools tools{state, relay};
  FakeWorkAreaHost host;
  TWork_area area{state, tools, &host};
};

// --- Warp presses -------------------------------------------------------------------------------

struct WarpTool {
  const char* name;
  int page;
  int shape;
  int action;
};

class WarpPress : public WorkAreaGestures, public testing::WithParamInterface<WarpTool> {
 protected:
  void SetUp() override {
    const WarpTool& t = GetParam();
    tools.TabbedNotebook1.SetPageIndex(t.page);
    state.WarpShape = static_cast<Shape>(t.shape);
    state.WarpAction = static_cast<Warp>(t.action);
  }
};

TEST_P(WarpPress, QuickClickIsOneStepAndOneHistoryEntry) {
  LeftClick(50, 40);
  EXPECT_TRUE(SamePicture(Stepped({50, 40}, 1), state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 1);
  EXPECT_FALSE(area.Timer1.Enabled);
  EXPECT_TRUE(state.UndoControlsEnabled);
}

TEST_P(WarpPress, PressHeldThreeAndAHalfSecondsIsFourStepsAndOneEntry) {
  area.Image1MouseDown(TMouseButton::Left, kLeft, 50, 40);
  ASSERT_TRUE(area.Timer1.Enabled);
  EXPECT_EQ(area.Timer1.Interval, 1000);
  for (int second = 1; second <= 3; ++second) {
    // The pointer wanders meanwhile; the centre stays where the press was.
    area.Image1MouseMove(kLeft, 50 + 7 * second, 40 - 3 * second);
    area.Timer1Timer();
  }
  area.Image1Click();
  area.Image1MouseUp(TMouseButton::Left, kNone, 71, 31);
  EXPECT_TRUE(SamePicture(Stepped({50, 40}, 4), state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 1);
  // A tick that was already queued when the button came up does nothing.
  area.Timer1Timer();
  EXPECT_TRUE(SamePicture(Stepped({50, 40}, 4), state.WorkingPicture));
}

TEST_P(WarpPress, CentreIsThePressPositionDividedByTheZoom) {
  state.ZoomPercent = 200;
  area.Image1MouseDown(TMouseButton::Left, kLeft, 101, 81);
  // 50.5 and 40.5: halves go to the even neighbour.
  EXPECT_EQ(state.WarpCentre, (Point{50, 40}));
  area.Image1Click();
  area.Image1MouseUp(TMouseButton::Left, kNone, 101, 81);
  EXPECT_TRUE(SamePicture(Stepped({50, 40}, 1), state.WorkingPicture));
}

INSTANTIATE_TEST_SUITE_P(
    Tools, WarpPress,
    testing::Values(WarpTool{"SphericalExpand", 0, 1, 1}, WarpTool{"SphericalShrink", 0, 1, 2},
                    WarpTool{"VerticalShrink", 0, 2, 2}, WarpTool{"HorizontalExpand", 0, 3, 1},
                    WarpTool{"SwirlClockwise", 1, 1, 3},
                    WarpTool{"SwirlCounterClockwise", 1, 1, 4}),
    [](const testing::TestParamInfo<WarpTool>& info) { return info.param.name; });

TEST_F(WorkAreaGestures, RightPressStartsNoTimerAndRecordsNothing) {
  const Picture before = state.WorkingPicture;
  area.Image1MouseDown(TMouseButton::Right, kRight, 50, 40);
  EXPECT_FALSE(area.Timer1.Enabled);
  area.Image1MouseUp(TMouseButton::Right, kNone, 50, 40);
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 0);
}

// --- Smudge -------------------------------------------------------------------------------------

struct SmudgeDrag {
  const char* name;
  Point press;
  std::vector<Point> moves;
  Point release;
  std::size_t runs;  // class runs the drag plans
};
void PrintTo(const SmudgeDrag& drag, std::ostream* os) {
  *os << drag.name;
}

class SmudgeGesture : public WorkAreaGestures, public testing::WithParamInterface<SmudgeDrag> {};

// The drag is compared with the copy-in, copy-out smudge of the unchanged picture, whose class
// runs follow one another in their fixed order. Where two runs' discs overlap, the later run's
// pixels win, so a drag of two runs also checks that the work area keeps that order.
TEST_P(SmudgeGesture, ReleaseGivesTheCopyInCopyOutSmudgeWithItsRunsInOrderThenRecords) {
  const SmudgeDrag& drag = GetParam();
  tools.TabbedNotebook1.SetPageIndex(1);
  tools.SpeedButton3Click();
  ASSERT_TRUE(state.SmudgeMode);
  const int r = tools.TrackBar3.Position();
  ASSERT_EQ(state.ZoomPercent, 100.0);
  ASSERT_EQ(warp::PlanSmudge(drag.press.x, drag.press.y, drag.release.x, drag.release.y, r).size(),
            drag.runs);
  const Picture original = state.WorkingPicture;

  area.Image1MouseDown(TMouseButton::Left, kLeft, drag.press.x, drag.press.y);
  EXPECT_FALSE(area.Timer1.Enabled);
  for (const Point& p : drag.moves) area.Image1MouseMove(kLeft, p.x, p.y);
  area.Image1Click();  // the smudge has no click step
  EXPECT_TRUE(SamePicture(original, state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 0);
  area.Image1MouseUp(TMouseButton::Left, kNone, drag.release.x, drag.release.y);

  Picture expected = original;
  warp::reference::Smudge(expected, drag.press.x, drag.press.y, drag.release.x, drag.release.y, r);
  ASSERT_FALSE(SamePicture(original, expected));
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 1);
  // The entry holds the smudged picture: it was recorded after the smudge.
  Undo1Click(state);
  EXPECT_TRUE(SamePicture(original, state.WorkingPicture));
  Redo1Click(state);
  EXPECT_TRUE(SamePicture(expected, state.WorkingPicture));
}

INSTANTIATE_TEST_SUITE_P(
    Drags, SmudgeGesture,
    testing::Values(SmudgeDrag{"DownRight", {40, 40}, {{55, 45}}, {70, 50}, 1},
                    // The up-left run ends on the press row, so the left run follows it.
                    SmudgeDrag{
                        "UpLeftThenLeft", {60, 45}, {{50, 45}, {30, 44}, {10, 44}}, {0, 44}, 2},
                    // The up-right run ends on the press column, so the up run follows it.
                    SmudgeDrag{"UpRightThenUp", {60, 80}, {{60, 60}, {61, 30}}, {61, 0}, 2}),
    [](const testing::TestParamInfo<SmudgeDrag>& info) { return info.param.name; });

TEST_F(WorkAreaGestures, SmudgeModeOnTheWarpPageDoesNotSmudge) {
  tools.TabbedNotebook1.SetPageIndex(1);
  tools.SpeedButton3Click();
  state.PageIndex = 0;  // as if the mode had outlived a page change
  state.WarpAction = Warp::Smudge;
  const Picture before = state.WorkingPicture;
  Drag(kLeft, TMouseButton::Left, {40, 40}, {70, 50});
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
  // Nothing changed, so nothing is recorded: an entry equal to the last would make the next undo
  // seem to do nothing.
  EXPECT_EQ(HistoryEntries(), 0);
}

// Erasing an overlay must repaint every pixel it drew, or traces stay on the screen wherever the
// window repaints no more than it is asked to.
TEST_F(WorkAreaGestures, ErasingAnOverlayRepaintsEveryPixelItDrew) {
  state.ScreenRadius = 20;
  area.Image1MouseMove(kNone, 40, 30);
  ASSERT_TRUE(area.BrushShown);
  const BrushSquare b = area.BrushBounds;
  host.log.clear();
  area.Image1MouseMove(kNone, 80, 60);
  // The window draws the circle inscribed in the square's pixels: every pixel within a pixel of
  // that circle must have been repainted.
  const double cx = (b.Left + b.Right - 1) / 2.0, cy = (b.Top + b.Bottom - 1) / 2.0;
  const double r = (b.Right - b.Left - 1) / 2.0;
  for (int y = b.Top - 2; y <= b.Bottom + 2; ++y)
    for (int x = b.Left - 2; x <= b.Right + 2; ++x)
      if (std::abs(std::hypot(x - cx, y - cy) - r) <= 1.0) {
        ASSERT_TRUE(host.Covers(Point{x, y})) << x << "," << y;
      }

  state.CropSelectMode = true;
  area.Image1MouseDown(TMouseButton::Left, kLeft, 20, 15);
  area.Image1MouseMove(kLeft, 70, 50);
  const std::vector<DashPoint> dashes = area.CropRectPoints();
  ASSERT_FALSE(dashes.empty());
  host.log.clear();
  area.Image1MouseMove(kLeft, 40, 30);
  for (const DashPoint& d : dashes) ASSERT_TRUE(host.Covers(d.p)) << d.p.x << "," << d.p.y;
}

// --- Sketch and outline pages -------------------------------------------------------------------

class NonWarpPage : public WorkAreaGestures, public testing::WithParamInterface<int> {};

TEST_P(NonWarpPage, ReleaseRecordsNothingAndNoBrushIsDrawn) {
  tools.TabbedNotebook1.SetPageIndex(GetParam());
  const Picture before = state.WorkingPicture;
  area.Image1MouseMove(kNone, 60, 45);
  EXPECT_FALSE(area.BrushShown);
  area.Image1MouseDown(TMouseButton::Left, kLeft, 60, 45);
  area.Timer1Timer();
  area.Image1Click();
  area.Image1MouseUp(TMouseButton::Left, kNone, 60, 45);
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 0);
  EXPECT_EQ(area.BrushBounds, (BrushSquare{-200, -200, -200, -200, -200, -200}));
}

INSTANTIATE_TEST_SUITE_P(Pages, NonWarpPage, testing::Values(2, 3));

// --- Brush circle -------------------------------------------------------------------------------

TEST_F(WorkAreaGestures, BrushFollowsThePointerAndStaysTwoPixelsFromTheEdge) {
  state.ScreenRadius = 30;
  area.HorzScroll(0);
  area.Image1MouseMove(kNone, 60, 45);
  EXPECT_TRUE(area.BrushShown);
  EXPECT_EQ(area.BrushBounds, (BrushSquare{30, 15, 90, 75, 30, 75}));
  // X = 2 and Y = Height - 2 are on the edge band: the circle is erased and not drawn.
  area.Image1MouseMove(kNone, 2, 45);
  EXPECT_FALSE(area.BrushShown);
  area.Image1MouseMove(kNone, 3, 87);
  EXPECT_TRUE(area.BrushShown);
  area.Image1MouseMove(kNone, 3, 88);
  EXPECT_FALSE(area.BrushShown);
}

TEST_F(WorkAreaGestures, BrushIsPlacedInTheScrolledWindow) {
  area.ClientSize = {60, 50};
  state.ScreenRadius = 10;
  area.HorzScroll(20);
  area.VertScroll(5);
  area.Image1MouseMove(kNone, 60, 45);
  EXPECT_EQ(area.BrushBounds, (BrushSquare{30, 30, 50, 50, 30, 50}));
}

// --- Crop selection -----------------------------------------------------------------------------

TEST_F(WorkAreaGestures, CropModeNeverStartsTheTimerNorWarps) {
  state.CropSelectMode = true;
  const Picture before = state.WorkingPicture;
  area.Image1MouseDown(TMouseButton::Left, kLeft, 30, 20);
  EXPECT_FALSE(area.Timer1.Enabled);
  EXPECT_FALSE(area.MouseIsDown);
  area.Timer1Timer();
  area.Image1MouseMove(kLeft, 80, 60);
  area.Image1Click();
  area.Image1MouseUp(TMouseButton::Left, kNone, 80, 60);
  EXPECT_TRUE(SamePicture(before, state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 0);
  ASSERT_EQ(host.confined.size(), 1u);
  EXPECT_EQ(host.confined[0], (Rect{0, 0, 120, 90}));
  EXPECT_EQ(host.released, 1);
  EXPECT_FALSE(area.PointerConfined);
  // The rectangle stays for cropping.
  EXPECT_EQ(area.SelectionStart, (Point{30, 20}));
  EXPECT_EQ(area.SelectionEnd, (Point{80, 60}));
}

TEST_F(WorkAreaGestures, CropButtonAndCopyFollowTheDrag) {
  state.CropSelectMode = true;
  area.Image1MouseDown(TMouseButton::Left, kLeft, 30, 20);
  EXPECT_EQ(host.cropButton, false);
  EXPECT_EQ(host.copyAction, false);
  area.Image1MouseMove(kLeft, 30, 20);  // no extent yet
  EXPECT_EQ(host.cropButton, false);
  // The corners differ, but the rectangle between them holds no picture pixel.
  area.Image1MouseMove(kLeft, 31, 21);
  EXPECT_EQ(host.cropButton, false);
  EXPECT_EQ(host.copyAction, false);
  area.Image1MouseMove(kLeft, 32, 22);  // columns and rows 31 to 31: one pixel
  EXPECT_EQ(host.cropButton, true);
  EXPECT_EQ(host.copyAction, true);
  EXPECT_TRUE(area.RectShown);
  area.Image1MouseMove(kLeft, 31, 22);  // back to none
  EXPECT_EQ(host.cropButton, false);
  // A new press starts a new rectangle and disables both again.
  area.Image1MouseMove(kLeft, 40, 30);
  area.Image1MouseUp(TMouseButton::Left, kNone, 40, 30);
  area.Image1MouseDown(TMouseButton::Left, kLeft, 70, 70);
  EXPECT_EQ(host.cropButton, false);
  EXPECT_EQ(host.copyAction, false);
}

TEST_F(WorkAreaGestures, DragIsClampedToImage1) {
  state.CropSelectMode = true;
  area.Image1MouseDown(TMouseButton::Left, kLeft, 100, 70);
  area.Image1MouseMove(kLeft, 500, -40);
  EXPECT_EQ(area.SelectionEnd, (Point{119, 0}));
  EXPECT_EQ(state.CropRect, (ProgramState::CropRectangle{101, 1, 118, 69}));
}

class RightPress : public WorkAreaGestures, public testing::WithParamInterface<bool> {};

TEST_P(RightPress, ClearsTheRectangleAndDisablesTheCropButton) {
  state.CropSelectMode = true;
  Drag(kLeft, TMouseButton::Left, {10, 10}, {60, 50});
  ASSERT_EQ(host.cropButton, true);
  state.CropSelectMode = GetParam();
  area.Image1MouseDown(TMouseButton::Right, kRight, 40, 30);
  EXPECT_EQ(area.SelectionStart, (Point{0, 0}));
  EXPECT_EQ(area.SelectionEnd, (Point{0, 0}));
  EXPECT_FALSE(area.RectShown);
  EXPECT_EQ(host.cropButton, false);
  EXPECT_TRUE(area.CropRectPoints().empty());
}

TEST_F(WorkAreaGestures, ErasingTheRectangleRepaintsOnlyTheFrameAlongItsOutline) {
  state.CropSelectMode = true;
  Drag(kLeft, TMouseButton::Left, {40, 30}, {10, 10});
  area.RemoveTheRect1();
  EXPECT_EQ(host.lastRepaint, (Rect{9, 9, 41, 31}));
  EXPECT_EQ(host.lastKept, (Rect{11, 11, 39, 29}));
  EXPECT_EQ(area.SelectionEnd, (Point{10, 10}));  // only RemoveTheRect2 forgets the corners
}

TEST_F(WorkAreaGestures, CropModeEndedDuringTheDragStillLetsThePointerGo) {
  state.CropSelectMode = true;
  area.Image1MouseDown(TMouseButton::Left, kLeft, 30, 20);
  state.CropSelectMode = false;
  area.Image1MouseUp(TMouseButton::Left, kNone, 30, 20);
  EXPECT_EQ(host.released, 1);
  EXPECT_FALSE(area.PointerConfined);
}

INSTANTIATE_TEST_SUITE_P(CropMode, RightPress, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "InCropMode" : "OutsideCropMode";
                         });

struct CropRectCase {
  const char* name;
  double zoom;
  int h, v;     // scroll positions
  Point press;  // in Image1 coordinates
  Point move;
  ProgramState::CropRectangle expected;
};

class CropRectFromDrag : public WorkAreaGestures,
                         public testing::WithParamInterface<CropRectCase> {};

TEST_P(CropRectFromDrag, CountsPictureColumnsAndRowsFromOneInsideTheDrag) {
  const CropRectCase& c = GetParam();
  state.ZoomPercent = c.zoom;
  area.Images.Image1 = DisplaySizeOf(state.WorkingPicture, c.zoom);
  area.ClientSize = {50, 40};
  area.HorzScroll(c.h);
  area.VertScroll(c.v);
  ASSERT_EQ(area.HorzScrollBar.Position, c.h);
  ASSERT_EQ(area.VertScrollBar.Position, c.v);
  state.CropSelectMode = true;
  area.Image1MouseDown(TMouseButton::Left, kLeft, c.press.x, c.press.y);
  area.Image1MouseMove(kLeft, c.move.x, c.move.y);
  EXPECT_EQ(area.SelectionStart, (Point{c.press.x - c.h, c.press.y - c.v}));
  EXPECT_EQ(state.CropRect, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Drags, CropRectFromDrag,
    testing::Values(CropRectCase{"Plain", 100, 0, 0, {10, 20}, {50, 60}, {11, 21, 49, 59}},
                    CropRectCase{"Backwards", 100, 0, 0, {50, 60}, {10, 20}, {11, 21, 49, 59}},
                    CropRectCase{"Scrolled", 100, 30, 12, {40, 30}, {90, 70}, {41, 31, 89, 69}},
                    // 11 / 2, 51 / 2, 21 / 2 and 101 / 2 are halves: they go to 6, 26, 10 and 50.
                    CropRectCase{
                        "ZoomedInHalvesToEven", 200, 30, 12, {11, 21}, {51, 101}, {7, 11, 25, 49}},
                    // 37 / 0.8 = 46.25 and 90 / 0.8 = 112.5, which goes to 112.
                    CropRectCase{"ZoomedOut", 80, 10, 0, {37, 8}, {90, 60}, {47, 11, 111, 74}}),
    [](const testing::TestParamInfo<CropRectCase>& info) { return info.param.name; });

// --- The dashed rectangle -----------------------------------------------------------------------

TEST(DashedRect, FiveBlackThreeWhiteAcrossTheCorners) {
  // A 4 x 2 rectangle: 4 + 2 + 4 + 2 points, clockwise from the start corner.
  std::uint8_t last = 0;
  const std::vector<DashPoint> points = DashedRectPoints({10, 10}, {14, 12}, 128, &last);
  const std::vector<DashPoint> expected = {
      {{10, 10}, false}, {{11, 10}, false}, {{12, 10}, false}, {{13, 10}, false},
      {{14, 10}, false}, {{14, 11}, true},  {{14, 12}, true},  {{13, 12}, true},
      {{12, 12}, false}, {{11, 12}, false}, {{10, 12}, false}, {{10, 11}, false},
  };
  EXPECT_EQ(points, expected);
  EXPECT_EQ(last, 8);
}

TEST(DashedRect, PhaseThirtyTwoStartsTwoPointsLater) {
  const std::vector<DashPoint> points = DashedRectPoints({0, 0}, {6, 6}, 32);
  std::string colours;
  for (const DashPoint& p : points) colours += p.white ? 'W' : 'B';
  EXPECT_EQ(colours, "WWBBBBBWWWBBBBBWWWBBBBBW");
}

TEST(DashedRect, DrawnRightToLeftAndBottomToTopWhenTheDragGoesBack) {
  const std::vector<DashPoint> points = DashedRectPoints({5, 5}, {3, 4}, 128);
  std::vector<Point> places;
  for (const DashPoint& p : points) places.push_back(p.p);
  EXPECT_EQ(places, (std::vector<Point>{{5, 5}, {4, 5}, {3, 5}, {3, 4}, {4, 4}, {5, 4}}));
}

TEST(DashedRect, EqualCornersHaveNoPoints) {
  EXPECT_TRUE(DashedRectPoints({7, 9}, {7, 9}, 128).empty());
}

// --- The brush circle ----------------------------------------------------------------------------

// The runs as a set of pixels, checking on the way that they come row by row from the top and
// that no two overlap.
std::set<std::pair<int, int>> RunPixels(const std::vector<PixelRun>& runs) {
  std::set<std::pair<int, int>> pixels;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    EXPECT_LE(runs[i].Left, runs[i].Right);
    if (i > 0) {
      EXPECT_TRUE(runs[i - 1].Y < runs[i].Y ||
                  (runs[i - 1].Y == runs[i].Y && runs[i - 1].Right + 1 < runs[i].Left))
          << "run " << i;
    }
    for (int x = runs[i].Left; x <= runs[i].Right; ++x) pixels.emplace(x, runs[i].Y);
  }
  return pixels;
}

TEST(BrushCircle, IsTheClosedOnePixelEdgeOfTheInscribedDisc) {
  for (int side : {1, 2, 3, 4, 7, 8, 25, 200, 201}) {
    const BrushSquare b{-40, 13, -40 + side, 13 + side, -40, 13 + side};
    const std::set<std::pair<int, int>> edge =
        RunPixels(BrushCircleRuns(b, Rect{-500, -500, 500, 500}));
    // The disc, pixel by pixel: centres within the radius plus half a pixel (less a quarter
    // squared); its edge is every disc pixel with a neighbour across a side outside it.
    const double centreX = b.Left + (side - 1) / 2.0, centreY = b.Top + (side - 1) / 2.0;
    const double radius = (side - 1) / 2.0;
    const auto inDisc = [&](int x, int y) {
      const double dx = x - centreX, dy = y - centreY;
      return dx * dx + dy * dy <= radius * radius + radius + 1e-9;
    };
    std::set<std::pair<int, int>> expected;
    for (int y = b.Top - 2; y < b.Bottom + 2; ++y)
      for (int x = b.Left - 2; x < b.Right + 2; ++x)
        if (inDisc(x, y) &&
            (!inDisc(x - 1, y) || !inDisc(x + 1, y) || !inDisc(x, y - 1) || !inDisc(x, y + 1)))
          expected.emplace(x, y);
    EXPECT_EQ(edge, expected) << "side " << side;
    // It touches the square's four sides in their middles, and no pixel lies farther than one
    // pixel from the true circle.
    const int mid = b.Top + (side - 1) / 2;
    EXPECT_TRUE(edge.count({b.Left, mid}) && edge.count({b.Right - 1, mid})) << "side " << side;
    EXPECT_TRUE(edge.count({b.Left + (side - 1) / 2, b.Top}) &&
                edge.count({b.Left + (side - 1) / 2, b.Bottom - 1}))
        << "side " << side;
    for (const auto& [x, y] : edge)
      EXPECT_LE(std::abs(std::hypot(x - centreX, y - centreY) - radius), 1.0)
          << "side " << side << " at " << x << "," << y;
    // Closed: walking from pixel to touching pixel reaches all of it.
    std::set<std::pair<int, int>> reached{*edge.begin()};
    std::vector<std::pair<int, int>> next{*edge.begin()};
    while (!next.empty()) {
      const auto [x, y] = next.back();
      next.pop_back();
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (edge.count({x + dx, y + dy}) && reached.emplace(x + dx, y + dy).second)
            next.emplace_back(x + dx, y + dy);
    }
    EXPECT_EQ(reached.size(), edge.size()) << "side " << side;
  }
}

TEST(BrushCircle, GivesOnlyWhatTheClipHoldsAndStaysCheapWhenHuge) {
  const BrushSquare b = BrushSquare::Around(100, 80, 60);
  const std::set<std::pair<int, int>> whole = RunPixels(BrushCircleRuns(b, Rect{0, 0, 400, 300}));
  for (const Rect clip : {Rect{70, 30, 130, 61}, Rect{0, 0, 101, 300}, Rect{150, 130, 400, 300},
                          Rect{161, 0, 400, 300}, Rect{50, 50, 50, 90}}) {
    std::set<std::pair<int, int>> inside;
    for (const auto& [x, y] : whole)
      if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
        inside.emplace(x, y);
    EXPECT_EQ(RunPixels(BrushCircleRuns(b, clip)), inside)
        << clip.left << "," << clip.top << "," << clip.right << "," << clip.bottom;
  }
  // A radius far beyond the window: only the clip's rows are looked at, so the window lies inside
  // the disc, and a clip across its left edge holds one pixel per row.
  EXPECT_TRUE(
      BrushCircleRuns(BrushSquare::Around(300, 200, 1 << 29), Rect{0, 0, 800, 600}).empty());
  const BrushSquare far = BrushSquare::Around(1000, 300, 1 << 27);
  const std::vector<PixelRun> edge =
      BrushCircleRuns(far, Rect{1000 - (1 << 27), 0, 1000 - (1 << 27) + 5, 600});
  ASSERT_EQ(edge.size(), 600u);
  for (const PixelRun& r : edge) EXPECT_EQ(r.Left, 1000 - (1 << 27)) << r.Y;
}

TEST_F(WorkAreaGestures, MarchingAntsPhaseCycles128_32_8_2) {
  EXPECT_EQ(area.Timer2.Interval, 100);
  EXPECT_TRUE(area.Timer2.Enabled);
  std::vector<int> phases;
  for (int tick = 0; tick < 6; ++tick) {
    area.Timer2Timer();
    phases.push_back(area.DashPhase);
  }
  EXPECT_EQ(phases, (std::vector<int>{32, 8, 2, 128, 32, 8}));
}

TEST_F(WorkAreaGestures, EachTickRedrawsTheRectangleFromTheNewPhase) {
  state.CropSelectMode = true;
  area.Image1MouseDown(TMouseButton::Left, kLeft, 10, 10);
  area.Image1MouseMove(kLeft, 20, 15);
  const std::vector<DashPoint> before = area.CropRectPoints();
  area.Timer2Timer();
  const std::vector<DashPoint> after = area.CropRectPoints();
  ASSERT_EQ(before.size(), after.size());
  // The dashes march two points on along the outline.
  for (std::size_t i = 0; i + 2 < before.size(); ++i)
    EXPECT_EQ(after[i + 2].white, before[i].white) << i;
  std::uint8_t last = 0;
  DashedRectPoints(area.SelectionStart, area.SelectionEnd, area.DashPhase, &last);
  EXPECT_EQ(area.DashPattern, last);
}

// --- Scrolling and panning ----------------------------------------------------------------------

TEST_F(WorkAreaGestures, ScrollingRemovesTheRectangleAndDisablesCropAndCopy) {
  area.ClientSize = {50, 40};
  state.CropSelectMode = true;
  Drag(kLeft, TMouseButton::Left, {10, 10}, {40, 30});
  ASSERT_EQ(host.cropButton, true);
  ASSERT_EQ(host.copyAction, true);
  area.HorzScroll(25);
  EXPECT_EQ(area.HorzScrollBar.Position, 25);
  EXPECT_EQ(area.ImageLeft(), -25);
  EXPECT_EQ(area.SelectionStart, (Point{0, 0}));
  EXPECT_EQ(area.SelectionEnd, (Point{0, 0}));
  EXPECT_EQ(host.cropButton, false);
  EXPECT_EQ(host.copyAction, false);

  Drag(kLeft, TMouseButton::Left, {10, 10}, {40, 30});
  ASSERT_EQ(host.cropButton, true);
  area.VertScroll(7);
  EXPECT_EQ(area.SelectionEnd, (Point{0, 0}));
  EXPECT_EQ(host.copyAction, false);
}

TEST_F(WorkAreaGestures, ScrollPositionsStayWithinTheContent) {
  area.ClientSize = {50, 40};
  area.HorzScroll(1000);
  area.VertScroll(-5);
  EXPECT_EQ(area.HorzScrollBar.Position, 70);
  EXPECT_EQ(area.VertScrollBar.Position, 0);
  // Zooming out shrinks the content and with it the scroll range.
  area.FormMouseWheel(120);
  EXPECT_EQ(area.HorzScrollBar.Position, 46);  // 96 - 50
}

TEST_F(WorkAreaGestures, RightDragPansLikeADraggedSheet) {
  area.ClientSize = {50, 40};
  area.HorzScroll(30);
  area.VertScroll(20);
  area.Image1MouseDown(TMouseButton::Right, kRight, 40, 30);
  area.Image1MouseMove(kRight, 30, 35);  // pointer 10 left, 5 down
  EXPECT_EQ(area.HorzScrollBar.Position, 40);
  EXPECT_EQ(area.VertScrollBar.Position, 15);
  // Released, moves pan no more.
  area.Image1MouseUp(TMouseButton::Right, kNone, 30, 35);
  area.Image1MouseMove(kRight, 0, 0);
  EXPECT_EQ(area.HorzScrollBar.Position, 40);
  // Panning far is held at the content's edges.
  area.Image1MouseDown(TMouseButton::Right, kRight, 40, 30);
  area.Image1MouseMove(kRight, 300, 300);
  EXPECT_EQ(area.HorzScrollBar.Position, 0);
  EXPECT_EQ(area.VertScrollBar.Position, 0);
}

// --- Wheel ------------------------------------------------------------------------------------

struct WheelCase {
  const char* name;
  bool overPicture;
  int delta;
  double zoom;
  DisplaySize size;
  const char* label;
};

class Wheel : public WorkAreaGestures, public testing::WithParamInterface<WheelCase> {};

TEST_P(Wheel, AwayZoomsOutTowardsZoomsIn) {
  const WheelCase& c = GetParam();
  if (c.overPicture) area.MouseEnter(TWork_area::ChildControl::Image2);
  area.MouseWheel(c.delta);
  EXPECT_DOUBLE_EQ(state.ZoomPercent, c.zoom);
  EXPECT_EQ(area.Images.Image1, c.size);
  EXPECT_EQ(area.Images.Image2, c.size);
  EXPECT_EQ(ZoomLabel(state), c.label);
  EXPECT_EQ(area.ApplicationWheelMessage(c.delta), c.overPicture);
}

INSTANTIATE_TEST_SUITE_P(
    Directions, Wheel,
    testing::Values(WheelCase{"AwayOverPicture", true, 120, 80, {96, 72}, "80.0%"},
                    WheelCase{"TowardsOverPicture", true, -120, 125, {150, 112}, "125.0%"},
                    WheelCase{"StillOverPicture", true, 0, 125, {150, 112}, "125.0%"},
                    WheelCase{"AwayBesidePicture", false, 120, 80, {96, 72}, "80.0%"},
                    WheelCase{"TowardsBesidePicture", false, -240, 125, {150, 112}, "125.0%"}),
    [](const testing::TestParamInfo<WheelCase>& info) { return info.param.name; });

TEST_F(WorkAreaGestures, ThreeTurnsTowardsTheUserShowA605PixelPicture1182Wide) {
  state.WorkingPicture = PatternPicture(605, 469);
  state.OutlineBitmap = TBitmap32(605, 469);
  area.MouseEnter(TWork_area::ChildControl::Image1);
  for (int i = 0; i < 3; ++i) area.MouseWheel(-120);
  EXPECT_DOUBLE_EQ(state.ZoomPercent, 195.3125);
  EXPECT_EQ(area.Images.Image1.Width, 1182);
  EXPECT_EQ(ZoomLabel(state), "195.3%");
}

TEST_F(WorkAreaGestures, WheelAtTheZoomLimitChangesNothing) {
  state.ZoomPercent = 3000;
  area.MouseWheel(-120);
  EXPECT_DOUBLE_EQ(state.ZoomPercent, 3000);
  EXPECT_EQ(area.Images.Image1, (DisplaySize{120, 90}));
  EXPECT_EQ(ZoomLabel(state), "100%");  // no step ran
  EXPECT_TRUE(area.imgzoomout());
  EXPECT_EQ(ZoomLabel(state), "2400.0%");
}

TEST_F(WorkAreaGestures, OnlyThePicturesCountForTheWheelHook) {
  area.MouseEnter(TWork_area::ChildControl::Memo1);
  EXPECT_FALSE(area.MouseOverImage);
  area.MouseEnter(TWork_area::ChildControl::Image1);
  EXPECT_TRUE(area.MouseOverImage);
  area.MouseLeave(TWork_area::ChildControl::Memo1);
  EXPECT_TRUE(area.MouseOverImage);
  area.MouseLeave(TWork_area::ChildControl::Image1);
  EXPECT_FALSE(area.ApplicationWheelMessage(120));
  EXPECT_DOUBLE_EQ(state.ZoomPercent, 100);
}

TEST_F(WorkAreaGestures, WheelZoomInCropModeRemovesTheRectangle) {
  state.CropSelectMode = true;
  Drag(kLeft, TMouseButton::Left, {10, 10}, {40, 30});
  ASSERT_EQ(host.cropButton, true);
  area.FormMouseWheel(-120);
  EXPECT_EQ(area.SelectionEnd, (Point{0, 0}));
  EXPECT_EQ(host.cropButton, false);
  EXPECT_EQ(host.copyAction, true);  // the copy short-cut keeps its state
  EXPECT_TRUE(state.CropSelectMode);
}

TEST(WorkAreaStart, WheelHookIsInstalledWhenTheWindowIsShown) {
  ProgramState state;
  TTools tools{state};
  TWork_area area{state, tools};
  state.WorkingPicture = PatternPicture(20, 10);
  area.FormCreate();
  area.MouseEnter(TWork_area::ChildControl::Image1);
  EXPECT_FALSE(area.ApplicationWheelMessage(120));
  area.FormShow();
  EXPECT_TRUE(area.ApplicationWheelMessage(120));
  EXPECT_DOUBLE_EQ(state.ZoomPercent, 80);
}

// --- Start, cursors and the palette's calls ---------------------------------------------------

TEST(WorkAreaStart, CreateAndShowSetTheStartState) {
  ProgramState state;
  TTools tools{state};
  FakeWorkAreaHost host;
  TWork_area area{state, tools, &host};
  state.WorkingPicture = PatternPicture(30, 20);
  state.ZoomPercent = 250;
  area.FormCreate();
  EXPECT_EQ(state.OutlineBitmap.width(), 30);
  EXPECT_EQ(state.OutlineBitmap.height(), 20);
  for (int y = 0; y < 20; ++y)
    for (int i = 0; i < 30 * 4; ++i) ASSERT_EQ(state.OutlineBitmap.row(y)[i], 255);
  EXPECT_EQ(area.DashPhase, 128);
  EXPECT_TRUE(area.Timer2.Enabled);
  EXPECT_FALSE(area.Timer1.Enabled);
  area.FormShow();
  EXPECT_DOUBLE_EQ(state.ZoomPercent, 100);
  EXPECT_EQ(state.ScreenRadius, 100);
  EXPECT_EQ(state.PictureRadius, 100);
  EXPECT_EQ(area.Images.Image1, (DisplaySize{30, 20}));
  EXPECT_EQ(area.Image1.Hint, "点击或者保存");
  EXPECT_EQ(area.Caption, "工作区域");
  EXPECT_FALSE(area.Image2.Visible);
  area.FormClose();
  EXPECT_TRUE(area.Minimized);
  EXPECT_TRUE(host.minimized);
}

struct CursorCase {
  const char* name;
  int tool;
  int curveStage;
  TCursor image2;
  bool toolPen;  // the pen takes the palette's colour and width (curve)
};

class SignCursor : public WorkAreaGestures, public testing::WithParamInterface<CursorCase> {};

TEST_P(SignCursor, Image2CursorAndWindowPenFollowTheDrawingTool) {
  const CursorCase& c = GetParam();
  tools.Panel2.Color = 0x123456;
  tools.TrackBar6.SetPosition(7);
  state.WarpShape = Shape::None;
  state.DrawingTool = static_cast<DrawTool>(c.tool);
  state.CurveStage = c.curveStage;
  area.Image1.Cursor = TCursor::Cross;
  area.setsigncursor();
  EXPECT_EQ(area.Image2.Cursor, c.image2);
  EXPECT_EQ(area.Pen.Color, c.toolPen ? 0x123456u : kBlack);
  EXPECT_EQ(area.Pen.Width, c.toolPen ? 7 : 1);
  EXPECT_EQ(area.Image1.Cursor, TCursor::Cross);
  // With a warp tool chosen Image1 shows the arrow and the pen is black again.
  state.WarpShape = Shape::Spherical;
  state.WarpAction = Warp::Smudge;
  area.setsigncursor();
  EXPECT_EQ(area.Image1.Cursor, TCursor::Default);
  EXPECT_EQ(area.Pen.Color, kBlack);
  EXPECT_EQ(area.Pen.Width, 1);
}

INSTANTIATE_TEST_SUITE_P(Tools, SignCursor,
                         testing::Values(CursorCase{"Line", 1, 0, TCursor::Cross, false},
                                         CursorCase{"Pen", 2, 0, TCursor::Pen, false},
                                         CursorCase{"Text", 3, 0, TCursor::IBeam, false},
                                         CursorCase{"Curve", 4, 0, TCursor::Cross, true},
                                         CursorCase{"CurveShaping", 4, 2, TCursor::Drag, true},
                                         CursorCase{"Eraser", 5, 0, TCursor::Default, false}),
                         [](const testing::TestParamInfo<CursorCase>& info) {
                           return info.param.name;
                         });

TEST_F(WorkAreaGestures, PaletteCallsLandInTheWorkArea) {
  tools.TabbedNotebook1.SetPageIndex(3);
  EXPECT_TRUE(area.Image2.Visible);
  EXPECT_EQ(area.Image2.Cursor, TCursor::Cross);
  EXPECT_EQ(area.Image1.Hint, "");
  tools.CheckBox1.Click();  // hide the picture under the layer
  tools.TabbedNotebook1.SetPageIndex(0);
  EXPECT_FALSE(area.Image2.Visible);
  EXPECT_EQ(area.Image1.Hint, "Click or Keep Down");
  EXPECT_EQ(area.Caption, "工作区域");
  tools.TrackBar6.SetPosition(9);
  EXPECT_EQ(area.Pen.Width, 9);
  EXPECT_EQ(area.OutlinePen.Width, 9);
}

TEST_F(WorkAreaGestures, OutlinePageShowsTheLayerOverThePicture) {
  tools.TabbedNotebook1.SetPageIndex(3);
  EXPECT_TRUE(SamePicture(outline::Image2showto(state.WorkingPicture, state.OutlineBitmap, true),
                          area.Image2Picture()));
  tools.CheckBox1.Checked = false;
  area.Image2showto();
  EXPECT_TRUE(SamePicture(outline::Image2showto(state.WorkingPicture, state.OutlineBitmap, false),
                          area.Image2Picture()));
}

TEST_F(WorkAreaGestures, WaveButtonRipplesOnceWithOneEntry) {
  ProgramState ref;
  TTools refTools{ref};
  TWork_area refArea{ref, refTools};
  ref.WorkingPicture = state.WorkingPicture;
  refArea.WaveWrap(2, 6, 2);
  tools.Button1.Click();
  EXPECT_TRUE(SamePicture(ref.WorkingPicture, state.WorkingPicture));
  EXPECT_EQ(HistoryEntries(), 1);
}

}  // namespace
}  // namespace drollo
