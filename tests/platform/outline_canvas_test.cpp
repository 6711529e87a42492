// The outline tools drawing through Qt's painter on the layer's own memory and rendering text
// with Qt's font engine, on the offscreen platform: what reaches the layer's pixels.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <algorithm>
#include <set>
#include <string>

#include "app/state/history.h"
#include "palette/tools.h"
#include "platform/layer_canvas_qt.h"
#include "platform/text_render_qt.h"
#include "workarea/outline_drawing.h"
#include "workarea/work_area.h"

namespace drollo {
namespace {

TShiftState LeftHeld() {
  TShiftState s;
  s.Left = true;
  return s;
}

class QtOutlineDrawing : public testing::Test {
 protected:
  QtOutlineDrawing() {
    relay.Attach(area);
    state.WorkingPicture = Picture(200, 150, 24);
    area.FormCreate();
    area.FormShow();
    ResetOutlineHistory(state);
    tools.TabbedNotebook1.SetPageIndex(3);
    draw.SetCanvas(canvas);
    draw.Renderer = &renderer;
  }
  void zoom(double percent) {
    state.ZoomPercent = percent;
    SizeImages(state, area.Images);
  }
  void width(int w) { tools.TrackBar6.SetPosition(w); }
  void press(int x, int y) { draw.Image2MouseDown(TMouseButton::Left, LeftHeld(), x, y); }
  void drag(int x, int y) { draw.Image2MouseMove(LeftHeld(), x, y); }
  void release(int x, int y) { draw.Image2MouseUp(TMouseButton::Left, TShiftState{}, x, y); }
  void stroke(int tool, int x0, int y0, int x1, int y1) {
    state.DrawingTool = static_cast<DrawTool>(tool);
    press(x0, y0);
    drag(x1, y1);
    release(x1, y1);
  }
  // A curve whose control points lie on its chord: a straight run of the curve tool.
  void straightCurve(int x0, int x1, int y) {
    state.DrawingTool = DrawTool::Curve;
    stroke(4, x0, y, x1, y);
    stroke(4, (2 * x0 + x1) / 3, y, (2 * x0 + x1) / 3, y);
    stroke(4, (x0 + 2 * x1) / 3, y, (x0 + 2 * x1) / 3, y);
  }
  TColor at(int x, int y) const { return state.OutlineBitmap.pixel(x, y); }
  // The pixels of row y from x0 to x1 (inclusive) as '#' (black) and '.' (white).
  std::string row(int y, int x0, int x1) const {
    std::string s;
    for (int x = x0; x <= x1; ++x) s += at(x, y) == kBlack ? '#' : (at(x, y) == kWhite ? '.' : '?');
    return s;
  }
  int inkOutside(const Rect& box) const {
    int n = 0;
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x)
        if (!box.contains(x, y) && at(x, y) != kWhite) ++n;
    return n;
  }

  ProgramState state;
  // The palette's calls out reach the work area, as in the program.
  TToolsHostRelay relay;
  TTools tools{state, relay};
  TWork_area area{state, tools};
  OutlineDrawing draw{state, tools, area, area};
  platform::QtLayerCanvas canvas;
  platform::QtTextRenderer renderer;
};

TEST_F(QtOutlineDrawing, WidthOneLineIsDashed) {
  width(1);
  stroke(1, 10, 20, 150, 20);
  const std::string r = row(20, 10, 149);
  EXPECT_EQ(r.substr(0, 18), std::string(18, '#')) << r;
  EXPECT_EQ(r.substr(18, 6), std::string(6, '.')) << r;
  EXPECT_EQ(r.substr(24, 18), std::string(18, '#')) << r;
  EXPECT_EQ(inkOutside(Rect{10, 20, 150, 21}), 0);
  EXPECT_EQ(state.OutlineHistory.undoCount(), 1);
}

TEST_F(QtOutlineDrawing, WidthThreeLineIsSolidWithRoundEnds) {
  stroke(1, 10, 20, 150, 20);  // TrackBar6 starts at 3
  for (int y = 19; y <= 21; ++y) EXPECT_EQ(row(y, 10, 149), std::string(140, '#')) << y;
  EXPECT_EQ(row(20, 9, 150), std::string(142, '#'));  // the round ends reach beyond both points
  EXPECT_EQ(inkOutside(Rect{8, 18, 153, 23}), 0);
  // Round ends: the corners beyond the end stay white.
  EXPECT_EQ(at(152, 18), kWhite);
  EXPECT_EQ(at(8, 22), kWhite);
}

TEST_F(QtOutlineDrawing, CurveBeforeAnyLineIsSolidThenDashedAfterALine) {
  width(1);
  straightCurve(10, 160, 40);
  EXPECT_EQ(row(40, 12, 158), std::string(147, '#'));
  stroke(1, 10, 60, 30, 60);
  straightCurve(10, 160, 80);
  EXPECT_NE(row(80, 12, 158).find('.'), std::string::npos) << row(80, 12, 158);
  EXPECT_EQ(state.OutlineHistory.undoCount(), 3);
}

TEST_F(QtOutlineDrawing, PreviewGoesToEvenDistancesAndTheStoredLineToTheReleasePoint) {
  width(1);
  state.DrawingTool = DrawTool::Line;
  press(10, 10);
  drag(15, 12);
  EXPECT_EQ(draw.Line.LineOverlay.End, (Point{16, 12}));
  EXPECT_EQ(inkOutside(Rect{}), 0);  // the preview is not on the layer
  release(15, 12);
  EXPECT_EQ(at(16, 12), kWhite);
  EXPECT_EQ(at(10, 10), kBlack);
}

TEST_F(QtOutlineDrawing, StrokeMarksOnlyTheTilesItTouches) {
  TBitmap32& layer = state.OutlineBitmap;
  layer.setSyncedWith({});  // every tile clean, as after a recording
  width(1);
  state.DrawingTool = DrawTool::Line;
  press(10, 10);
  drag(30, 12);
  draw.Image2MouseUp(TMouseButton::Right, TShiftState{}, 30, 12);  // not the end of the stroke
  canvas.Pen.Style = outline::PenStyle::Solid;
  canvas.MoveTo({10, 10});
  canvas.LineTo(layer, {30, 12});
  EXPECT_TRUE(layer.tileWritten(0, 0));
  int written = 0;
  for (int ty = 0; ty < layer.tilesY(); ++ty)
    for (int tx = 0; tx < layer.tilesX(); ++tx) written += layer.tileWritten(tx, ty);
  EXPECT_EQ(written, 1);
}

// A line on a layer that the history reads in place (as after an extraction) takes back only the
// tiles it touches: the entry copies those, not the whole layer.
TEST_F(QtOutlineDrawing, AStrokeCopiesOnlyItsTilesOutOfTheHistory) {
  TBitmap32 layer(640, 480);
  const MutableView v = layer.region(layer.rect());
  for (int y = 0; y < 480; ++y) std::fill_n(v.row(y), 4 * 640, static_cast<std::uint8_t>(y));
  HistoryRing ring;
  ring.reset(layer);
  canvas.Pen.Width = 5;
  canvas.MoveTo({100, 100});
  canvas.LineTo(layer, {140, 120});
  EXPECT_EQ(layer.pixel(120, 110), kBlack);
  EXPECT_EQ(layer.pixel(120, 90), MakeColour(90, 90, 90));
  const PictureSnapshot& first = *ring.slot(1);
  int copied = 0;
  for (int ty = 0; ty < first.tilesY(); ++ty)
    for (int tx = 0; tx < first.tilesX(); ++tx) copied += !first.tile(tx, ty)->readsInPlace();
  EXPECT_GE(copied, 1);
  EXPECT_LE(copied, 4);
}

TEST_F(QtOutlineDrawing, EraserAtDoubleZoomWithPositionTenErasesRadiusFive) {
  width(20);
  stroke(1, 0, 30, 199, 30);  // a black band over rows 20..40
  zoom(200);
  width(10);
  tools.SpeedButton9Click();
  press(100, 60);
  release(100, 60);                             // the disc around (50, 30)
  EXPECT_EQ(row(30, 44, 56), "#...........#");  // columns 45 to 55
  EXPECT_EQ(row(25, 48, 52), ".....");          // d = 5 in the centre column and its neighbours
  EXPECT_EQ(at(50, 24), kBlack);
  EXPECT_EQ(state.OutlineHistory.undoCount(), 2);
}

TEST_F(QtOutlineDrawing, PenClickAddsAnEntryAndDrawsNothing) {
  const TBitmap32 before = state.OutlineBitmap;
  state.DrawingTool = DrawTool::Pen;
  press(40, 40);
  release(40, 40);
  EXPECT_TRUE(state.OutlineBitmap.samePixels(before));
  EXPECT_EQ(state.OutlineHistory.undoCount(), 1);
}

TEST_F(QtOutlineDrawing, SongFaceMapsToAnInstalledCjkSerif) {
  const QFont font = platform::ToQFont(outline::TFont{});
  EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Noto Serif CJK SC"));
  EXPECT_EQ(font.pixelSize(), 22);
}

TEST_F(QtOutlineDrawing, TextAtDoubleZoomFromOffset100By60LandsAt50By30InExactColours) {
  zoom(200);
  state.DrawingTool = DrawTool::Text;
  press(100, 60);
  draw.Memo1.Text = "文字\r\nAb";
  draw.Memo1.Font.Color = MakeColour(10, 200, 30);
  draw.Memo1DblClick();
  const Picture caption = renderer.RenderCaption("文字\r\nAb", draw.Memo1.Font, 0xC8D0D4);
  ASSERT_FALSE(caption.empty());
  EXPECT_GT(caption.height(), 40);  // two lines
  int copied = 0;
  std::set<TColor> layerColours;
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      const bool inCaption =
          x >= 50 && y >= 30 && x < 50 + caption.width() && y < 30 + caption.height();
      const bool ink = inCaption && caption.pixel(x - 50, y - 30) == MakeColour(10, 200, 30);
      EXPECT_EQ(at(x, y), ink ? MakeColour(10, 200, 30) : kWhite) << x << "," << y;
      copied += ink;
      layerColours.insert(at(x, y));
      if (testing::Test::HasFailure()) return;
    }
  EXPECT_GT(copied, 50);
  EXPECT_EQ(state.OutlineHistory.undoCount(), 1);
}

TEST_F(QtOutlineDrawing, TextIsRenderedWithoutSmoothing) {
  const Picture caption = renderer.RenderCaption("宋体文本 Text", outline::TFont{}, 0xC8D0D4);
  std::set<TColor> colours;
  for (int y = 0; y < caption.height(); ++y)
    for (int x = 0; x < caption.width(); ++x) colours.insert(caption.pixel(x, y));
  EXPECT_EQ(colours, (std::set<TColor>{0xC8D0D4, MakeColour(255, 0, 0)}));
}

TEST_F(QtOutlineDrawing, HiddenPictureShowsTheCheckerboardUntilShownAgain) {
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) state.WorkingPicture.setPixel(x, y, MakeColour(9, 9, 9));
  tools.CheckBox1.Click();
  EXPECT_EQ(area.Image2Picture().pixel(0, 0), kWhite);
  EXPECT_EQ(area.Image2Picture().pixel(19, 19), kWhite);
  EXPECT_EQ(area.Image2Picture().pixel(20, 0), MakeColour(240, 240, 240));
  EXPECT_EQ(area.Image2Picture().pixel(0, 20), MakeColour(240, 240, 240));
  EXPECT_EQ(area.Image2Picture().pixel(20, 20), kWhite);
  tools.CheckBox1.Click();
  EXPECT_EQ(area.Image2Picture().pixel(20, 0), MakeColour(9, 9, 9));
}

}  // namespace
}  // namespace drollo
