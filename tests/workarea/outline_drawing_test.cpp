// The outline page's drawing tools as plain events: which strokes reach the layer's canvas, with
// which pen, in which layer pixels, and how many history entries they leave.
#include "workarea/outline_drawing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "outline/layer_display.h"
#include "palette/tools.h"
#include "support/pictures.h"
#include "workarea/work_area.h"

namespace drollo {
namespace {
using Overlay = OutlineDrawing::LineTool::Overlay;

constexpr TColor kBlue = MakeColour(0, 0, 255);

// Records every stroke instead of drawing it.
class FakeCanvas : public outline::LayerCanvas {
 public:
  struct Stroke {
    std::string kind;
    outline::LayerPen pen;
    std::vector<outline::CanvasPoint> points;
  };
  std::vector<Stroke> strokes;

  void DrawLine(TBitmap32&, const outline::LayerPen& pen, outline::CanvasPoint from,
                outline::CanvasPoint to) override {
    strokes.push_back({"line", pen, {from, to}});
  }
  void DrawBezier(TBitmap32&, const outline::LayerPen& pen,
                  const std::array<outline::CanvasPoint, 4>& p) override {
    strokes.push_back({"bezier", pen, {p[0], p[1], p[2], p[3]}});
  }
};

// A caption of fixed pixels: the font colour, a blended shade of it and the background.
class FakeRenderer : public outline::TextRenderer {
 public:
  std::vector<std::string> texts;
  Picture RenderCaption(const std::string& text, const outline::TFont& font,
                        TColor background) override {
    texts.push_back(text);
    if (text.empty()) return Picture(0, 0, PixelFormat::Bgra32());
    Picture p(4, 3, PixelFormat::Bgra32());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) p.setPixel(x, y, background);
    p.setPixel(0, 0, font.Color);
    p.setPixel(3, 2, font.Color);
    p.setPixel(1, 1, font.Color ^ 0x000001);  // a smoothed edge: not copied
    return p;
  }
};

class FakeFontDialog : public FontDialog {
 public:
  std::optional<outline::TFont> answer;  // empty: cancelled
  std::vector<outline::TFont> presets;
  bool Execute(outline::TFont& font) override {
    presets.push_back(font);
    if (!answer) return false;
    font = *answer;
    return true;
  }
};

TShiftState Left() {
  TShiftState s;
  s.Left = true;
  return s;
}
TShiftState Right() {
  TShiftState s;
  s.Right = true;
  return s;
}

class OutlineDrawingTest : public testing::Test {
 protected:
  OutlineDrawingTest() {
    state.WorkingPicture = Picture(200, 150, 24);
    area.FormCreate();
    area.FormShow();
    ResetOutlineHistory(state);
    tools.TabbedNotebook1.SetPageIndex(3);
    draw.SetCanvas(canvas);
    draw.Renderer = &renderer;
    draw.FontDialog1 = &fonts;
    tools.Panel2.Color = kBlue;
  }
  void zoom(double percent) {
    state.ZoomPercent = percent;
    SizeImages(state, area.Images);
  }
  void tool(int t) { state.DrawingTool = static_cast<DrawTool>(t); }
  void press(int x, int y) { draw.Image2MouseDown(TMouseButton::Left, Left(), x, y); }
  void drag(int x, int y) { draw.Image2MouseMove(Left(), x, y); }
  void release(int x, int y) { draw.Image2MouseUp(TMouseButton::Left, TShiftState{}, x, y); }
  int entries() const { return state.OutlineHistory.undoCount(); }
  void fillLayer(TColor c) {
    for (int y = 0; y < state.OutlineBitmap.height(); ++y)
      for (int x = 0; x < state.OutlineBitmap.width(); ++x) state.OutlineBitmap.setPixel(x, y, c);
  }

  ProgramState state;
  TTools tools{state};
  TWork_area area{state, tools};
  OutlineDrawing draw{state, tools, area, area};
  FakeCanvas canvas;
  FakeRenderer renderer;
  FakeFontDialog fonts;
};

// --- Picture coordinates ------------------------------------------------------------------------

struct MappingCase {
  const char* name;
  double zoom;
  int x, y;
  Point expected;
};

class LayerPointMapping : public OutlineDrawingTest,
                          public testing::WithParamInterface<MappingCase> {};

TEST_P(LayerPointMapping, DividesByTheZoomAndRoundsHalvesToEven) {
  zoom(GetParam().zoom);
  EXPECT_EQ(draw.LayerPoint(GetParam().x, GetParam().y), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Zooms, LayerPointMapping,
                         testing::Values(MappingCase{"DoubleSize", 200, 100, 50, {50, 25}},
                                         MappingCase{"HalfSize", 50, 100, 50, {200, 100}},
                                         // 2.5 and 3.5: halves go to the even neighbour.
                                         MappingCase{"HalvesToEven", 200, 5, 7, {2, 4}},
                                         // 1 / 125 x 100 = 0.8 and 3 / 125 x 100 = 2.4.
                                         MappingCase{"FiveQuarters", 125, 1, 3, {1, 2}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Line ---------------------------------------------------------------------------------------

TEST_F(OutlineDrawingTest, LinePreviewEndIsMovedToEvenDistances) {
  tool(1);
  press(10, 10);
  drag(15, 12);
  EXPECT_TRUE(draw.Line.LineShown);
  EXPECT_EQ(draw.Line.LineOverlay, (Overlay{{10, 10}, {16, 12}, {10, 10}}));
  // The window pen takes the palette's colour and the pen width for the preview.
  EXPECT_EQ(area.Pen.Color, kBlue);
  EXPECT_EQ(area.Pen.Width, 3);
  EXPECT_TRUE(canvas.strokes.empty());  // previews never touch the layer
  EXPECT_EQ(entries(), 0);
}

TEST_F(OutlineDrawingTest, LineOnReleaseGoesToTheReleasePointWithADashedPen) {
  tool(1);
  zoom(200);
  press(20, 20);
  drag(31, 25);
  release(31, 25);
  ASSERT_EQ(canvas.strokes.size(), 1u);
  const FakeCanvas::Stroke& s = canvas.strokes[0];
  EXPECT_EQ(s.kind, "line");
  // 31 / 2 = 15.5 goes to 16, 25 / 2 = 12.5 to 12.
  EXPECT_EQ(s.points, (std::vector<outline::CanvasPoint>{{10, 10}, {16, 12}}));
  EXPECT_EQ(s.pen, (outline::LayerPen{kBlue, 3, outline::PenStyle::Dash}));
  EXPECT_FALSE(draw.StrokeActive);
  EXPECT_FALSE(draw.Line.LineShown);
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutlineDrawingTest, LinePreviewLiesInWindowCoordinatesOfTheScrolledWindow) {
  tool(1);
  area.ClientSize = DisplaySize{100, 100};
  area.HorzScrollBar.Position = 30;
  area.VertScrollBar.Position = 20;
  press(40, 40);
  EXPECT_EQ(draw.Line.LineOverlay, (Overlay{{10, 20}, {10, 20}, {10, 20}}));
  release(41, 40);
  EXPECT_EQ(canvas.strokes.at(0).points, (std::vector<outline::CanvasPoint>{{40, 40}, {41, 40}}));
}

TEST_F(OutlineDrawingTest, OnlyTheLeftButtonOnTheOutlinePageDraws) {
  tool(1);
  draw.Image2MouseDown(TMouseButton::Right, Right(), 10, 10);
  EXPECT_FALSE(draw.StrokeActive);
  press(10, 10);
  draw.Image2MouseUp(TMouseButton::Right, TShiftState{}, 12, 12);
  EXPECT_TRUE(draw.StrokeActive);
  state.PageIndex = 2;
  release(12, 12);
  EXPECT_TRUE(canvas.strokes.empty());
  EXPECT_EQ(entries(), 0);
}

// --- Pen ----------------------------------------------------------------------------------------

TEST_F(OutlineDrawingTest, PenClickAddsAnEntryAndDrawsNothing) {
  tool(2);
  press(30, 30);
  release(30, 30);
  EXPECT_TRUE(canvas.strokes.empty());
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutlineDrawingTest, PenStrokeChainsDashedSegmentsIntoOneEntry) {
  tool(2);
  tools.TrackBar6.SetPosition(1);
  press(10, 10);
  drag(20, 10);
  drag(20, 30);
  release(20, 30);
  ASSERT_EQ(canvas.strokes.size(), 2u);
  EXPECT_EQ(canvas.strokes[0].points, (std::vector<outline::CanvasPoint>{{10, 10}, {20, 10}}));
  EXPECT_EQ(canvas.strokes[1].points, (std::vector<outline::CanvasPoint>{{20, 10}, {20, 30}}));
  EXPECT_EQ(canvas.strokes[1].pen, (outline::LayerPen{kBlue, 1, outline::PenStyle::Dash}));
  EXPECT_EQ(entries(), 1);
}

// --- Curve --------------------------------------------------------------------------------------

TEST_F(OutlineDrawingTest, CurveTakesThreeDragsAndIsDrawnInLayerPixels) {
  tool(4);
  zoom(200);
  area.ClientSize = DisplaySize{100, 100};
  area.HorzScrollBar.Position = 10;  // window = control - 10
  press(20, 40);
  drag(100, 40);
  EXPECT_EQ(draw.Curve.CurvePreview, OutlineDrawing::CurveTool::PreviewKind::Line);
  release(100, 40);
  EXPECT_EQ(state.CurveStage, 1);
  EXPECT_EQ(area.Image2.Cursor, TCursor::Drag);
  press(50, 50);
  drag(40, 10);
  EXPECT_EQ(draw.Curve.CurvePreview, OutlineDrawing::CurveTool::PreviewKind::Bezier);
  release(40, 10);
  EXPECT_EQ(state.CurveStage, 2);
  EXPECT_TRUE(canvas.strokes.empty());
  press(60, 60);
  drag(80, 70);
  release(80, 70);
  EXPECT_EQ(state.CurveStage, 0);
  EXPECT_EQ(area.Image2.Cursor, TCursor::Cross);
  ASSERT_EQ(canvas.strokes.size(), 1u);
  EXPECT_EQ(canvas.strokes[0].kind, "bezier");
  EXPECT_EQ(canvas.strokes[0].points,
            (std::vector<outline::CanvasPoint>{{10, 20}, {20, 5}, {40, 35}, {50, 20}}));
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutlineDrawingTest, CurveClicksKeepTheControlPointsOnTheStart) {
  tool(4);
  press(10, 10);
  release(50, 10);  // no move: P3 stays P0
  press(30, 30);
  release(30, 30);  // a click: P1 = P2 = P0
  press(30, 30);
  release(30, 30);  // a click: P2 = P0
  ASSERT_EQ(canvas.strokes.size(), 1u);
  EXPECT_EQ(canvas.strokes[0].points,
            (std::vector<outline::CanvasPoint>{{10, 10}, {10, 10}, {10, 10}, {10, 10}}));
}

TEST_F(OutlineDrawingTest, CurveIsSolidUntilTheFirstLineThenDashed) {
  tools.TrackBar6.SetPosition(1);
  const auto curve = [this] {
    tool(4);
    for (int i = 0; i < 3; ++i) {
      press(10, 10);
      drag(40, 20);
      release(40, 20);
    }
  };
  curve();
  tool(1);
  press(5, 5);
  release(9, 5);
  curve();
  ASSERT_EQ(canvas.strokes.size(), 3u);
  EXPECT_EQ(canvas.strokes[0].pen.Style, outline::PenStyle::Solid);
  EXPECT_EQ(canvas.strokes[1].pen.Style, outline::PenStyle::Dash);
  EXPECT_EQ(canvas.strokes[2].pen.Style, outline::PenStyle::Dash);
  EXPECT_EQ(entries(), 3);
}

TEST_F(OutlineDrawingTest, ChoosingAnotherToolContinuesTheCurveUnderWay) {
  tool(4);
  press(10, 10);
  release(10, 10);
  tools.SpeedButton14Click();
  tools.SpeedButton6Click();
  EXPECT_EQ(state.CurveStage, 1);
}

// --- Eraser -------------------------------------------------------------------------------------

TEST_F(OutlineDrawingTest, EraserAtDoubleZoomErasesRadiusFive) {
  fillLayer(kBlack);
  zoom(200);
  tools.TrackBar6.SetPosition(10);
  tools.SpeedButton9Click();
  press(80, 60);
  release(80, 60);  // the disc around (40, 30)
  const TBitmap32& layer = state.OutlineBitmap;
  // Column offsets 0..5 from the centre reach d = 5, 5, 5, 4, 3, 0 rows.
  const int reach[] = {5, 5, 5, 4, 3, 0};
  for (int dx = -6; dx <= 6; ++dx)
    for (int dy = -6; dy <= 6; ++dy) {
      const int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
      const bool erased = adx <= 5 && ady <= reach[adx];
      EXPECT_EQ(layer.pixel(40 + dx, 30 + dy), erased ? kWhite : kBlack) << dx << "," << dy;
    }
  EXPECT_EQ(entries(), 1);
}

// Image2 shows the layer over the picture, the picture where the eraser went; with the picture
// hidden (the palette's check box), the checkerboard there.
TEST_F(OutlineDrawingTest, Image2ShowsThePictureWhereTheEraserWentOrTheCheckerboard) {
  state.WorkingPicture = test::PatternPicture(200, 150, 4);
  fillLayer(kBlack);
  area.Image2showto();
  EXPECT_EQ(area.Image2Base(), outline::LayerBase::Picture);
  tools.TrackBar6.SetPosition(10);
  tools.SpeedButton9Click();  // the eraser
  press(40, 30);
  drag(50, 32);
  release(50, 32);
  EXPECT_EQ(area.Image2Picture().pixel(45, 31), state.WorkingPicture.pixel(45, 31));
  EXPECT_EQ(area.Image2Picture().pixel(150, 100), kBlack);
  tools.CheckBox1.Click();
  area.Image2showto();
  EXPECT_EQ(area.Image2Base(), outline::LayerBase::Checkerboard);
  EXPECT_EQ(area.Image2Picture().pixel(45, 31), MakeColour(240, 240, 240));
  EXPECT_EQ(area.Image2Picture().pixel(150, 100), kBlack);
}

TEST_F(OutlineDrawingTest, EraserDiscAtTheLayerEdgeSkipsOutsidePixels) {
  fillLayer(kBlack);
  tools.TrackBar6.SetPosition(4);
  tools.SpeedButton9Click();
  press(0, 0);  // the press itself erases nothing
  EXPECT_EQ(state.OutlineBitmap.pixel(0, 0), kBlack);
  drag(0, 0);
  drag(199, 149);
  release(199, 149);
  EXPECT_EQ(state.OutlineBitmap.pixel(0, 4), kWhite);
  EXPECT_EQ(state.OutlineBitmap.pixel(0, 5), kBlack);
  EXPECT_EQ(state.OutlineBitmap.pixel(195, 149), kWhite);
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutlineDrawingTest, EraserCircleIsHiddenNearTheEdges) {
  tools.TrackBar6.SetPosition(7);
  tools.SpeedButton9Click();
  draw.Image2MouseMove(TShiftState{}, 2, 50);
  EXPECT_FALSE(area.BrushShown);
  draw.Image2MouseMove(TShiftState{}, 3, 50);
  EXPECT_TRUE(area.BrushShown);
  EXPECT_EQ(area.BrushBounds, (BrushSquare{-4, 43, 10, 57, -4, 57}));
  draw.Image2MouseMove(TShiftState{}, 197, 50);  // width 200: x >= 198 is out
  EXPECT_TRUE(area.BrushShown);
  draw.Image2MouseMove(TShiftState{}, 198, 50);
  EXPECT_FALSE(area.BrushShown);
  draw.Image2MouseMove(TShiftState{}, 50, 148);
  EXPECT_FALSE(area.BrushShown);
}

// --- Scrolling ----------------------------------------------------------------------------------

TEST_F(OutlineDrawingTest, RightDragScrollsLikeADraggedSheet) {
  area.ClientSize = DisplaySize{100, 100};
  area.HorzScrollBar.Position = 20;
  draw.Image2MouseDown(TMouseButton::Right, Right(), 50, 50);
  draw.Image2MouseMove(Right(), 40, 45);
  EXPECT_EQ(area.HorzScrollBar.Position, 30);
  EXPECT_EQ(area.VertScrollBar.Position, 5);
  draw.Image2MouseMove(Right(), 90, 90);  // beyond the start: clamped at 0
  EXPECT_EQ(area.HorzScrollBar.Position, 0);
  EXPECT_EQ(area.VertScrollBar.Position, 0);
}

// --- Text ---------------------------------------------------------------------------------------

TEST_F(OutlineDrawingTest, TextBoxStartsAsTheToolDescribesIt) {
  EXPECT_FALSE(draw.Memo1.Visible);
  EXPECT_EQ(draw.Memo1.Width, 225);
  EXPECT_EQ(draw.Memo1.Height, 73);
  EXPECT_EQ(draw.Memo1.Hint, "双击确定,右键编辑字体");
  EXPECT_EQ(draw.Memo1.Font, (outline::TFont{"宋体", 22, MakeColour(255, 0, 0)}));
}

TEST_F(OutlineDrawingTest, TextAtDoubleZoomLandsAtHalfTheOffsetInExactColourOnly) {
  tool(3);
  zoom(200);
  press(100, 60);
  EXPECT_TRUE(draw.Memo1.Visible);
  EXPECT_EQ(draw.Memo1.Text, "请在这里输入文本");
  draw.Memo1.Text = "AB";
  draw.Memo1DblClick();
  EXPECT_FALSE(draw.Memo1.Visible);
  EXPECT_FALSE(draw.Label1.Visible);
  EXPECT_TRUE(area.MouseOverImage);
  EXPECT_EQ(renderer.texts, std::vector<std::string>{"AB"});
  const TBitmap32& layer = state.OutlineBitmap;
  const TColor red = MakeColour(255, 0, 0);
  EXPECT_EQ(layer.pixel(50, 30), red);
  EXPECT_EQ(layer.pixel(53, 32), red);
  EXPECT_EQ(layer.pixel(51, 31), kWhite);  // the blended pixel is left out
  EXPECT_EQ(layer.pixel(51, 30), kWhite);  // the background too
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutlineDrawingTest, TextInTheWindowColourCopiesTheWholeCaption) {
  tool(3);
  press(10, 10);
  draw.Memo1.Font.Color = TWork_area::kWindowColor;
  draw.Memo1DblClick();
  for (int y = 10; y < 13; ++y)
    for (int x = 10; x < 14; ++x)
      EXPECT_EQ(state.OutlineBitmap.pixel(x, y) == TWork_area::kWindowColor, !(x == 11 && y == 11))
          << x << "," << y;
}

TEST_F(OutlineDrawingTest, EmptyTextStillRecordsAnEntry) {
  tool(3);
  press(10, 10);
  draw.Memo1.Text.clear();
  const TBitmap32 before = state.OutlineBitmap;
  draw.Memo1DblClick();
  EXPECT_TRUE(state.OutlineBitmap.samePixels(before));
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutlineDrawingTest, PressWhileOpenMovesTheBoxAndResetsItsText) {
  tool(3);
  press(10, 10);
  draw.Memo1.Text = "typed";
  press(70, 30);
  EXPECT_EQ(draw.Memo1.Left, 70);
  EXPECT_EQ(draw.Memo1.Top, 30);
  EXPECT_EQ(draw.Memo1.Text, "请在这里输入文本");
  EXPECT_EQ(entries(), 0);
}

TEST_F(OutlineDrawingTest, BoxMovesByItsTopLeftCornerAndTheLabelFollows) {
  tool(3);
  press(10, 10);
  draw.Memo1MouseDown(TMouseButton::Left, Left(), 2, 3);
  EXPECT_TRUE(draw.TextMoving);
  draw.Memo1MouseMove(Left(), 12, 8);
  EXPECT_EQ(draw.Memo1.Cursor, MemoCursor::Default);
  EXPECT_EQ(draw.Memo1.Left, 20);
  EXPECT_EQ(draw.Memo1.Top, 15);
  EXPECT_EQ(draw.Label1.Left, 20);
  EXPECT_EQ(draw.Label1.Top, 15);
  draw.Memo1MouseUp(TMouseButton::Left, TShiftState{}, 12, 8);
  EXPECT_FALSE(draw.TextMoving);
}

TEST_F(OutlineDrawingTest, ResizingNeverGoesBelowFifteenAndOnlyOnRelease) {
  tool(3);
  press(10, 10);
  draw.Memo1MouseDown(TMouseButton::Left, Left(), 220, 70);
  EXPECT_TRUE(draw.TextResizing);
  draw.Memo1MouseMove(Left(), 0, 0);
  EXPECT_EQ(draw.Memo1.Width, 225);
  draw.Memo1MouseUp(TMouseButton::Left, TShiftState{}, 0, 0);
  EXPECT_EQ(draw.Memo1.Width, 15);
  EXPECT_EQ(draw.Memo1.Height, 15);
  EXPECT_FALSE(draw.TextResizing);
  draw.Memo1MouseDown(TMouseButton::Left, Left(), 14, 14);
  draw.Memo1MouseUp(TMouseButton::Left, TShiftState{}, 40, 24);
  EXPECT_EQ(draw.Memo1.Width, 41);
  EXPECT_EQ(draw.Memo1.Height, 25);
}

TEST_F(OutlineDrawingTest, CornerCursors) {
  draw.Memo1MouseMove(TShiftState{}, 4, 4);
  EXPECT_EQ(draw.Memo1.Cursor, MemoCursor::SizeAll);
  draw.Memo1MouseMove(TShiftState{}, 211, 59);
  EXPECT_EQ(draw.Memo1.Cursor, MemoCursor::SizeNWSE);
  draw.Memo1MouseMove(TShiftState{}, 210, 59);
  EXPECT_EQ(draw.Memo1.Cursor, MemoCursor::Default);
}

TEST_F(OutlineDrawingTest, RightPressOpensTheFontDialogPresetWithTheBoxFont) {
  outline::TFont chosen{"黑体", 30, MakeColour(255, 0, 0), true};
  draw.Memo1MouseDown(TMouseButton::Right, Right(), 50, 30);
  EXPECT_EQ(fonts.presets.size(), 1u);
  EXPECT_EQ(draw.Memo1.Font.Name, "宋体");  // cancelled
  fonts.answer = chosen;
  draw.Memo1MouseDown(TMouseButton::Right, Right(), 50, 30);
  EXPECT_EQ(draw.Memo1.Font, chosen);
}

// --- Through the work area --------------------------------------------------------------------

TEST_F(OutlineDrawingTest, WorkAreaPassesLayerEventsOnAndTellsItsListeners) {
  int notices = 0;
  area.Subscribe([&] { ++notices; });
  area.Outline.SetCanvas(canvas);
  state.DrawingTool = DrawTool::Line;
  area.Image2MouseDown(TMouseButton::Left, Left(), 10, 10);
  area.Image2MouseMove(Left(), 20, 10);
  area.Image2MouseUp(TMouseButton::Left, TShiftState{}, 20, 10);
  EXPECT_EQ(notices, 3);
  EXPECT_EQ(canvas.strokes.size(), 1u);
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutlineDrawingTest, PaletteColourAndWidthReachTheTextBoxAndTheLayerPen) {
  area.SetMemo1FontColor(kBlue);
  area.SetOutlinePenColor(kBlue);
  area.SetOutlinePenWidth(9);
  EXPECT_EQ(area.Outline.Memo1.Font.Color, kBlue);
  EXPECT_EQ(area.Outline.Canvas().Pen.Color, kBlue);
  EXPECT_EQ(area.Outline.Canvas().Pen.Width, 9);
}

}  // namespace
}  // namespace drollo
