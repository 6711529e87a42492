#include "workarea/outline_drawing.h"

#include <algorithm>

namespace drollo {

OutlineDrawing::OutlineDrawing(ProgramState& state, TTools& tools, WorkAreaViewport& viewport,
                               WorkAreaOverlays& overlays)
    : state_(state), tools_(tools), view_(viewport), overlays_(overlays) {}

void OutlineDrawing::SetCanvas(outline::LayerCanvas& canvas) {
  // The pen belongs to the layer: a new painter takes it over.
  canvas.Pen = canvas_->Pen;
  canvas.PenPos = canvas_->PenPos;
  canvas_ = &canvas;
}

Point OutlineDrawing::LayerPoint(int X, int Y) const {
  return Point{state_.Zoom().ToLayer(X), state_.Zoom().ToLayer(Y)};
}

void OutlineDrawing::setStrokePen(bool dashed) {
  outline::LayerPen& pen = canvas_->Pen;
  if (dashed) pen.Style = outline::PenStyle::Dash;
  pen.Color = tools_.Panel2.Color;
  pen.Width = state_.PenWidth;
}

void OutlineDrawing::repaintWorkArea() {
  Line.LineShown = false;
  Curve.CurvePreview = CurveTool::PreviewKind::None;
  overlays_.BrushShown = false;
}

void OutlineDrawing::showLayer() {
  view_.ShowLayer(tools_.CheckBox1.Checked);
}

OutlineDrawing::Tool* OutlineDrawing::ToolFor(DrawTool tool) {
  switch (tool) {
    case DrawTool::Line:
      return &Line;
    case DrawTool::Pen:
      return &Pen;
    case DrawTool::Text:
      return &Text;
    case DrawTool::Curve:
      return &Curve;
    case DrawTool::Eraser:
      return &Eraser;
    default:
      return nullptr;
  }
}

// --- Mouse on the layer ---------------------------------------------------------------------

void OutlineDrawing::Image2MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Button;
  if (Shift.Left && state_.CurrentPage() == Page::Outline)
    if (Tool* tool = ToolFor(state_.DrawingTool)) tool->Down(X, Y);
  if (Shift.Right) view_.DragOrigin = Point{X, Y};
}

void OutlineDrawing::Image2MouseMove(TShiftState Shift, int X, int Y) {
  if (state_.DrawingTool == DrawTool::Eraser) Eraser.Hover(X, Y);
  if (Shift.Left && state_.CurrentPage() == Page::Outline)
    if (Tool* tool = ToolFor(state_.DrawingTool)) tool->Move(X, Y);
  // Programmatic scrolling sends no scroll message: the crop rectangle is not touched.
  if (Shift.Right) view_.ScrollBy(view_.DragOrigin.x - X, view_.DragOrigin.y - Y);
}

void OutlineDrawing::Image2MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Shift;
  if (Button != TMouseButton::Left || state_.CurrentPage() != Page::Outline) return;
  if (Tool* tool = ToolFor(state_.DrawingTool)) tool->Up(X, Y);
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
          Renderer->RenderCaption(Label1.Caption, Label1.Font, WorkAreaOverlays::kWindowColor);
      outline::CopyFontColourPixels(caption, Label1.Font.Color, state_.OutlineBitmap, a, b);
    }
    showLayer();
  });
  Label1.Visible = false;
  view_.MouseOverImage = true;
}

}  // namespace drollo
