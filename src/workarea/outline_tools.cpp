// The outline page's drawing tools, one object each.
#include <algorithm>
#include <cstdlib>

#include "workarea/outline_drawing.h"

namespace drollo {

namespace {

outline::CanvasPoint ToCanvas(Point p) {
  return outline::CanvasPoint{p.x, p.y};
}

}  // namespace

void OutlineDrawing::Tool::Down(int X, int Y) {
  (void)X;
  (void)Y;
}
void OutlineDrawing::Tool::Move(int X, int Y) {
  (void)X;
  (void)Y;
}
void OutlineDrawing::Tool::Up(int X, int Y) {
  (void)X;
  (void)Y;
}

// --- Line -------------------------------------------------------------------------------------

void OutlineDrawing::LineTool::Down(int X, int Y) {
  d_.StrokeActive = true;
  LineStart = d_.LayerPoint(X, Y);
  RemoveTheLine();
  const Point w = d_.view_.WindowPoint(X, Y);
  LineOverlay = Overlay{w, w, w};
}

void OutlineDrawing::LineTool::Move(int X, int Y) {
  RemoveTheLine();
  LineOverlay.Start = LineOverlay.Anchor;
  // Both distances from the start are made even.
  const Point w = d_.view_.WindowPoint(X, Y);
  LineOverlay.End = Point{w.x + (std::abs(w.x - LineOverlay.Start.x) % 2),
                          w.y + (std::abs(w.y - LineOverlay.Start.y) % 2)};
  DrawTheLine();
}

void OutlineDrawing::LineTool::Up(int X, int Y) {
  RemoveTheLine();
  if (!d_.StrokeActive) return;
  RecordEdit(d_.state_, [&] {
    d_.setStrokePen(true);
    d_.canvas_->MoveTo(ToCanvas(LineStart));
    d_.canvas_->LineTo(d_.state_.OutlineBitmap, ToCanvas(d_.LayerPoint(X, Y)));
    d_.showLayer();
  });
  d_.StrokeActive = false;
}

void OutlineDrawing::LineTool::DrawTheLine() {
  d_.overlays_.Pen = TPen{d_.tools_.Panel2.Color, d_.state_.PenWidth};
  LineShown = true;
}

void OutlineDrawing::LineTool::RemoveTheLine() {
  LineShown = false;
}

Rect OutlineDrawing::LineTool::LinePreviewBounds() const {
  const Point a = LineOverlay.Start, b = LineOverlay.End;
  return Rect{std::min(a.x, b.x) - 1, std::min(a.y, b.y) - 1, std::max(a.x, b.x) + 1,
              std::max(a.y, b.y) + 1};
}

// --- Pen --------------------------------------------------------------------------------------

void OutlineDrawing::PenTool::Down(int X, int Y) {
  d_.StrokeActive = true;
  d_.setStrokePen(true);
  d_.canvas_->MoveTo(ToCanvas(d_.LayerPoint(X, Y)));
}

void OutlineDrawing::PenTool::Move(int X, int Y) {
  d_.repaintWorkArea();
  d_.canvas_->LineTo(d_.state_.OutlineBitmap, ToCanvas(d_.LayerPoint(X, Y)));
  d_.showLayer();
}

void OutlineDrawing::PenTool::Up(int X, int Y) {
  (void)X;
  (void)Y;
  if (!d_.StrokeActive) return;
  // The stroke was drawn as the pointer moved; its end is the one entry, a click included.
  RecordEdit(d_.state_, [] {});
  d_.StrokeActive = false;
}

// --- Text -------------------------------------------------------------------------------------

void OutlineDrawing::TextTool::Down(int X, int Y) {
  d_.OpenTextBox(X, Y);
}

// --- Curve ------------------------------------------------------------------------------------

void OutlineDrawing::CurveTool::Down(int X, int Y) {
  CurveDragActive = true;
  d_.setStrokePen(false);
  switch (d_.state_.CurveStage) {
    case 0:
      CurvePoints[0] = d_.view_.WindowPoint(X, Y);
      CurvePoints[3] = CurvePoints[0];
      break;
    case 1:
      CurvePoints[1] = CurvePoints[0];
      CurvePoints[2] = CurvePoints[0];
      break;
    case 2:
      CurvePoints[2] = CurvePoints[0];
      break;
    default:
      break;
  }
}

void OutlineDrawing::CurveTool::Move(int X, int Y) {
  if (!CurveDragActive) return;
  d_.repaintWorkArea();
  const Point w = d_.view_.WindowPoint(X, Y);
  switch (d_.state_.CurveStage) {
    case 0:
      CurvePoints[3] = w;
      CurvePreview = PreviewKind::Line;
      break;
    case 1:
      CurvePoints[1] = CurvePoints[2] = w;
      CurvePreview = PreviewKind::Bezier;
      break;
    case 2:
      CurvePoints[2] = w;
      CurvePreview = PreviewKind::Bezier;
      break;
    default:
      break;
  }
}

void OutlineDrawing::CurveTool::Up(int X, int Y) {
  (void)X;
  (void)Y;
  if (!CurveDragActive) return;
  CurveDragActive = false;
  ProgramState& state = d_.state_;
  switch (state.CurveStage) {
    case 0:
      state.CurveStage = 1;
      d_.view_.Image2.Cursor = TCursor::Drag;
      break;
    case 1:
      state.CurveStage = 2;
      break;
    case 2: {
      state.CurveStage = 0;
      d_.repaintWorkArea();
      std::array<outline::CanvasPoint, 4> points;
      for (std::size_t i = 0; i < 4; ++i) {
        CurvePoints[i] = d_.LayerPoint(CurvePoints[i].x - d_.view_.ImageLeft(),
                                       CurvePoints[i].y - d_.view_.ImageTop());
        points[i] = ToCanvas(CurvePoints[i]);
      }
      RecordEdit(state, [&] {
        d_.canvas_->PolyBezier(state.OutlineBitmap, points);
        d_.showLayer();
      });
      d_.view_.Image2.Cursor = TCursor::Cross;
      break;
    }
    default:
      break;
  }
}

// --- Eraser -----------------------------------------------------------------------------------

void OutlineDrawing::EraserTool::eraseAt(int X, int Y) {
  const int r = d_.state_.Zoom().ToLayer(d_.state_.ScreenRadius);
  const Point c = d_.LayerPoint(X, Y);
  outline::EraseDisc(d_.state_.OutlineBitmap, c.x, c.y, r);
}

void OutlineDrawing::EraserTool::Hover(int X, int Y) {
  WorkAreaOverlays& o = d_.overlays_;
  o.RemoveTheBrush();
  const DisplaySize image2 = d_.view_.Images.Image2;
  if (2 < X && X < image2.Width - 2 && 2 < Y && Y < image2.Height - 2) {
    const Point w = d_.view_.WindowPoint(X, Y);
    o.BrushBounds = BrushSquare::Around(w.x, w.y, d_.state_.ScreenRadius);
    o.DrawTheBrush();
  }
}

void OutlineDrawing::EraserTool::Down(int X, int Y) {
  (void)X;
  (void)Y;
  d_.StrokeActive = true;
}

void OutlineDrawing::EraserTool::Move(int X, int Y) {
  eraseAt(X, Y);
  d_.showLayer();
}

void OutlineDrawing::EraserTool::Up(int X, int Y) {
  if (d_.StrokeActive) {
    RecordEdit(d_.state_, [&] {
      eraseAt(X, Y);
      d_.showLayer();
    });
  }
  d_.StrokeActive = false;
}

}  // namespace drollo
