#include "workarea/outline_drawing.h"

#include <algorithm>
#include <cstdlib>

#include "workarea/work_area.h"

namespace drollo {

namespace {

outline::CanvasPoint ToCanvas(Point p) {
  return outline::CanvasPoint{p.x, p.y};
}

}  // namespace

OutlineDrawing::OutlineDrawing(ProgramState& state, TTools& tools, TWork_area& workArea)
    : state_(state), tools_(tools), area_(workArea) {}

void OutlineDrawing::SetCanvas(outline::LayerCanvas& canvas) {
  // The pen belongs to the layer: a new painter takes it over.
  canvas.Pen = canvas_->Pen;
  canvas.PenPos = canvas_->PenPos;
  canvas_ = &canvas;
}

Point OutlineDrawing::LayerPoint(int X, int Y) const {
  return Point{state_.Zoom().ToLayer(X), state_.Zoom().ToLayer(Y)};
}

Point OutlineDrawing::windowPoint(int X, int Y) const {
  return Point{area_.ImageLeft() + X, area_.ImageTop() + Y};
}

void OutlineDrawing::setStrokePen(bool dashed) {
  outline::LayerPen& pen = canvas_->Pen;
  if (dashed) pen.Style = outline::PenStyle::Dash;
  pen.Color = tools_.Panel2.Color;
  pen.Width = state_.PenWidth;
}

void OutlineDrawing::repaintWorkArea() {
  LineShown = false;
  CurvePreview = CurvePreviewKind::None;
  area_.BrushShown = false;
}

// Programmatic scrolling sends no scroll message: the crop rectangle is not touched.
void OutlineDrawing::scrollBy(int dx, int dy) {
  const auto clamp = [](int position, int content, int client) {
    return std::clamp(position, 0, std::max(0, content - client));
  };
  area_.HorzScrollBar.Position =
      clamp(area_.HorzScrollBar.Position + dx, area_.Images.Image1.Width, area_.ClientSize.Width);
  area_.VertScrollBar.Position =
      clamp(area_.VertScrollBar.Position + dy, area_.Images.Image1.Height, area_.ClientSize.Height);
}

void OutlineDrawing::eraseAt(int X, int Y) {
  const int r = state_.Zoom().ToLayer(state_.ScreenRadius);
  const Point c = LayerPoint(X, Y);
  outline::EraseDisc(state_.OutlineBitmap, c.x, c.y, r);
}

// --- Mouse on the layer ---------------------------------------------------------------------

void OutlineDrawing::Image2MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Button;
  if (Shift.Left && state_.CurrentPage() == Page::Outline) {
    const Point w = windowPoint(X, Y);
    switch (state_.DrawingTool) {
      case DrawTool::Line:
        StrokeActive = true;
        LineStart = LayerPoint(X, Y);
        RemoveTheLine();
        LineOverlay = {w.x, w.y, w.x, w.y, w.x, w.y};
        break;
      case DrawTool::Pen:
        StrokeActive = true;
        setStrokePen(true);
        canvas_->MoveTo(ToCanvas(LayerPoint(X, Y)));
        break;
      case DrawTool::Text:
        OpenTextBox(X, Y);
        break;
      case DrawTool::Curve:
        CurveDragActive = true;
        setStrokePen(false);
        switch (state_.CurveStage) {
          case 0:
            CurvePoints[0] = w;
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
        break;
      case DrawTool::Eraser:
        StrokeActive = true;
        break;
      default:
        break;
    }
  }
  if (Shift.Right) area_.DragOrigin = Point{X, Y};
}

void OutlineDrawing::Image2MouseMove(TShiftState Shift, int X, int Y) {
  if (state_.DrawingTool == DrawTool::Eraser) {
    area_.RemoveTheBrush();
    if (2 < X && X < area_.Images.Image2.Width - 2 && 2 < Y && Y < area_.Images.Image2.Height - 2) {
      const Point w = windowPoint(X, Y);
      area_.BrushBounds = BrushSquare::Around(w.x, w.y, state_.ScreenRadius);
      area_.DrawTheBrush();
    }
  }
  if (Shift.Left && state_.CurrentPage() == Page::Outline) {
    switch (state_.DrawingTool) {
      case DrawTool::Line: {
        RemoveTheLine();
        LineOverlay[0] = LineOverlay[4];
        LineOverlay[1] = LineOverlay[5];
        // Both distances from the start are made even.
        const Point w = windowPoint(X, Y);
        LineOverlay[2] = w.x + (std::abs(w.x - LineOverlay[0]) % 2);
        LineOverlay[3] = w.y + (std::abs(w.y - LineOverlay[1]) % 2);
        DrawTheLine();
        break;
      }
      case DrawTool::Pen:
        repaintWorkArea();
        canvas_->LineTo(state_.OutlineBitmap, ToCanvas(LayerPoint(X, Y)));
        area_.Image2showto();
        break;
      case DrawTool::Curve:
        if (!CurveDragActive) break;
        repaintWorkArea();
        switch (state_.CurveStage) {
          case 0:
            CurvePoints[3] = windowPoint(X, Y);
            CurvePreview = CurvePreviewKind::Line;
            break;
          case 1:
            CurvePoints[1] = CurvePoints[2] = windowPoint(X, Y);
            CurvePreview = CurvePreviewKind::Bezier;
            break;
          case 2:
            CurvePoints[2] = windowPoint(X, Y);
            CurvePreview = CurvePreviewKind::Bezier;
            break;
          default:
            break;
        }
        break;
      case DrawTool::Eraser:
        eraseAt(X, Y);
        area_.Image2showto();
        break;
      default:
        break;
    }
  }
  if (Shift.Right) scrollBy(area_.DragOrigin.x - X, area_.DragOrigin.y - Y);
}

void OutlineDrawing::Image2MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Shift;
  if (Button != TMouseButton::Left || state_.CurrentPage() != Page::Outline) return;
  switch (state_.DrawingTool) {
    case DrawTool::Line:
      RemoveTheLine();
      if (StrokeActive) {
        RecordEdit(state_, [&] {
          setStrokePen(true);
          canvas_->MoveTo(ToCanvas(LineStart));
          canvas_->LineTo(state_.OutlineBitmap, ToCanvas(LayerPoint(X, Y)));
          area_.Image2showto();
        });
        StrokeActive = false;
      }
      break;
    case DrawTool::Pen:
      if (StrokeActive) {
        // The stroke was drawn as the pointer moved; its end is the one entry, a click included.
        RecordEdit(state_, [] {});
        StrokeActive = false;
      }
      break;
    case DrawTool::Curve:
      if (!CurveDragActive) break;
      CurveDragActive = false;
      switch (state_.CurveStage) {
        case 0:
          state_.CurveStage = 1;
          area_.Image2.Cursor = TCursor::Drag;
          break;
        case 1:
          state_.CurveStage = 2;
          break;
        case 2: {
          state_.CurveStage = 0;
          repaintWorkArea();
          std::array<outline::CanvasPoint, 4> points;
          for (std::size_t i = 0; i < 4; ++i) {
            CurvePoints[i] = LayerPoint(CurvePoints[i].x - area_.ImageLeft(),
                                        CurvePoints[i].y - area_.ImageTop());
            points[i] = ToCanvas(CurvePoints[i]);
          }
          RecordEdit(state_, [&] {
            canvas_->PolyBezier(state_.OutlineBitmap, points);
            area_.Image2showto();
          });
          area_.Image2.Cursor = TCursor::Cross;
          break;
        }
        default:
          break;
      }
      break;
    case DrawTool::Eraser:
      if (StrokeActive) {
        RecordEdit(state_, [&] {
          eraseAt(X, Y);
          area_.Image2showto();
        });
      }
      StrokeActive = false;
      break;
    default:
      break;
  }
}

// --- Line preview ---------------------------------------------------------------------------

void OutlineDrawing::DrawTheLine() {
  area_.Pen = TPen{tools_.Panel2.Color, state_.PenWidth};
  LineShown = true;
}

void OutlineDrawing::RemoveTheLine() {
  LineShown = false;
}

Rect OutlineDrawing::LinePreviewBounds() const {
  const auto& o = LineOverlay;
  return Rect{std::min(o[0], o[2]) - 1, std::min(o[1], o[3]) - 1, std::max(o[0], o[2]) + 1,
              std::max(o[1], o[3]) + 1};
}

// --- Text box -------------------------------------------------------------------------------

void OutlineDrawing::OpenTextBox(int X, int Y) {
  Memo1.Visible = true;
  Memo1.Left = X;
  Memo1.Top = Y;
  Memo1.Text = kMemo1StartText;
  Label1.Caption.clear();
  Label1.Left = X;
  Label1.Top = Y;
}

void OutlineDrawing::Memo1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Button;
  if (Shift.Right) {
    outline::TFont font = Memo1.Font;
    if (FontDialog1 && FontDialog1->Execute(font)) Memo1.Font = font;
  }
  if (!Shift.Left) return;
  if (X < 5 && Y < 5) {
    TextGrabPoint = Point{X, Y};
    TextMoving = true;
  }
  if (X > Memo1.Width - 15 && Y > Memo1.Height - 15) {
    TextGrabPoint = Point{X, Y};
    TextResizing = true;
  }
}

void OutlineDrawing::Memo1MouseMove(TShiftState Shift, int X, int Y) {
  if (X < 5 && Y < 5)
    Memo1.Cursor = MemoCursor::SizeAll;
  else if (X > Memo1.Width - 15 && Y > Memo1.Height - 15)
    Memo1.Cursor = MemoCursor::SizeNWSE;
  else
    Memo1.Cursor = MemoCursor::Default;
  if (Shift.Left && TextMoving) {
    Memo1.Left += X - TextGrabPoint.x;
    Memo1.Top += Y - TextGrabPoint.y;
    Label1.Left = Memo1.Left;
    Label1.Top = Memo1.Top;
  }
}

void OutlineDrawing::Memo1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Shift;
  TextMoving = false;
  if (Button == TMouseButton::Left && TextResizing) {
    Memo1.Width = std::max(kMemo1MinSize, Memo1.Width + X - TextGrabPoint.x);
    Memo1.Height = std::max(kMemo1MinSize, Memo1.Height + Y - TextGrabPoint.y);
  }
  TextResizing = false;
}

void OutlineDrawing::Memo1DblClick() {
  Label1.Visible = true;
  Label1.Caption = Memo1.Text;
  Label1.Font = Memo1.Font;
  Memo1.Visible = false;
  // The label lies where the box lay, relative to the images: its place in layer pixels.
  const int a = state_.Zoom().ToLayer(Label1.Left);
  const int b = state_.Zoom().ToLayer(Label1.Top);
  // One entry, also when nothing was written.
  RecordEdit(state_, [&] {
    if (Renderer) {
      const Picture caption =
          Renderer->RenderCaption(Label1.Caption, Label1.Font, TWork_area::kWindowColor);
      outline::CopyFontColourPixels(caption, Label1.Font.Color, state_.OutlineBitmap, a, b);
    }
    area_.Image2showto();
  });
  Label1.Visible = false;
  area_.MouseOverImage = true;
}

}  // namespace drollo
