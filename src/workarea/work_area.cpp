// The work area window: its life, the gestures on Image1, scrolling, the wheel, the cursors and
// the palette's calls.
#include "workarea/work_area.h"

#include <algorithm>
#include <utility>

namespace drollo {

namespace {

TCursor FromToolsCursor(WorkAreaCursor c) {
  return c == WorkAreaCursor::Cross ? TCursor::Cross : TCursor::Default;
}

// The host of a work area made without one: every call goes nowhere.
TWork_areaHost& NoHost() {
  static TWork_areaHost host;
  return host;
}

}  // namespace

// --- Construction and life ---------------------------------------------------------------------

TWork_area::TWork_area(ProgramState& state, TTools& tools, TWork_areaHost* host)
    : WorkAreaViewport(state),
      WorkAreaOverlays(state, host ? *host : NoHost()),
      WarpSteps(state, tools, host ? *host : NoHost(), DoubleBuffered),
      state_(state),
      tools_(tools),
      host_(host ? *host : NoHost()) {
  Image1.Hint = DROLLO_TEXT("TWork_area", "点击或者保存");
  Image2.Visible = false;
  Timer1 = TTimer{false, 1000};
  // Only callbacks are set here; the program state itself is first touched by FormCreate.
  tools_.Button1.OnClick = [this] { WaveWrap(2, 6, 2); };
}

TWork_area::~TWork_area() {
  tools_.Button1.OnClick = nullptr;
}

void TWork_area::Subscribe(std::function<void()> listener) {
  listeners_.push_back(std::move(listener));
}

void TWork_area::changed() {
  for (const auto& listener : listeners_) listener();
}

void TWork_area::FormCreate() {
  SelectionStart = SelectionEnd = Point{};
  Pen.Color = kWindowColor;
  BrushColor = kWindowColor;
  DashPhase = 128;
  Timer2 = TTimer{true, 100};
  Opaque = true;
  // The outline layer starts blank (opaque white) at the picture's size.
  state_.OutlineBitmap = TBitmap32();
  state_.OutlineBitmap.reset(state_.WorkingPicture.width(), state_.WorkingPicture.height(), 255);
  ShowLayerAlone();
  SizeImages(state_, Images);
  changed();
}

void TWork_area::FormShow() {
  scrollHooked_ = true;
  BrushBounds = BrushSquare::Filled(-200);
  state_.PictureRadius = 100;
  state_.ScreenRadius = 100;
  DoubleBuffered = true;
  messageHooked_ = true;
  state_.ZoomPercent = 100.0;
  SizeImages(state_, Images);
  UpdateScrollRange();
  changed();
}

void TWork_area::SetClientSize(DisplaySize size) {
  ClientSize = size;
  UpdateScrollRange();
}

void TWork_area::SizeImagesToPicture() {
  Images.Image1 = DisplaySizeOf(state_.WorkingPicture, state_.ZoomPercent);
  Images.Image2 = Images.Image1;
  UpdateScrollRange();
}

void TWork_area::ScaleImages(double widthRatio, double heightRatio) {
  Images.Image1.Width = Round(Images.Image1.Width * widthRatio);
  Images.Image1.Height = Round(Images.Image1.Height * heightRatio);
  Images.Image2 = Images.Image1;
  UpdateScrollRange();
}

void TWork_area::FormClose() {
  Minimized = true;
  host_.Minimize();
  changed();
}

// --- Mouse on Image1 ----------------------------------------------------------------------------

void TWork_area::disableCropControls() {
  host_.SetCopyActionEnabled(false);
  host_.SetCropButtonEnabled(false);
}

void TWork_area::Image1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Button;
  host_.SetCopyActionEnabled(false);
  if (Shift.Left && state_.CropSelectMode) {
    disableCropControls();
    const Point p{X + ImageLeft(), Y + ImageTop()};
    RemoveTheRect1();
    SelectionStart = SelectionEnd = p;
    PointerConfined = true;
    host_.ConfinePointer(Image1Rect());
    changed();
    return;
  }
  if (Shift.Right) {
    RemoveTheRect2();
    host_.SetCropButtonEnabled(false);
  }
  state_.WarpCentre = Point{state_.Zoom().ToPicture(X), state_.Zoom().ToPicture(Y)};
  if (Shift.Left) press_.Begin();
  if (Shift.Left && !state_.SmudgeMode) Timer1.Enabled = true;
  MouseIsDown = true;
  DragOrigin = Point{X, Y};
  changed();
}

void TWork_area::warpStep() {
  const Point c = state_.WarpCentre;
  if (state_.WarpShape != Shape::None && !state_.WorkingPicture.empty()) press_.Changed();
  switch (state_.WarpShape) {
    case Shape::Spherical:
      SphericalStretch(c.x, c.y);
      break;
    case Shape::Vertical:
      VerticalStretch(c.x, c.y);
      break;
    case Shape::Horizontal:
      HorizontalStretch(c.x, c.y);
      break;
    default:
      break;
  }
}

void TWork_area::Image1Click() {
  if (state_.CropSelectMode) return;
  warpStep();
  changed();
}

void TWork_area::Timer1Timer() {
  // A tick that arrives after the release would warp without a history entry: ignored.
  if (!Timer1.Enabled) return;
  warpStep();
  changed();
}

void TWork_area::Image1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  (void)Shift;
  Timer1.Enabled = false;
  MouseIsDown = false;
  const bool left = Button == TMouseButton::Left;
  // The pointer is let go by the left release that ends a crop drag, also when the mode was
  // switched off during the drag (by a key short-cut), so it is never left confined.
  if (left && (state_.CropSelectMode || PointerConfined)) {
    PointerConfined = false;
    host_.ReleasePointer();
  }
  if (left && state_.CropSelectMode) {
    changed();
    return;
  }
  if (state_.CurrentPage() == Page::Swirl && left && state_.SmudgeMode) {
    tumopic(X, Y);
    press_.Changed();
  }
  // One press and release on the warp or swirl page is one undo step, however many steps ran; a
  // press that ran none (the second press of a double-click) records nothing.
  if (left && state_.OnWarpPage()) press_.End(state_);
  changed();
}

void TWork_area::Image1MouseMove(TShiftState Shift, int X, int Y) {
  if (state_.CropSelectMode) {
    if (Shift.Left) {
      if (PointerConfined) {
        // The pointer cannot leave Image1 while a crop rectangle is dragged.
        X = std::clamp(X, 0, std::max(0, Images.Image1.Width - 1));
        Y = std::clamp(Y, 0, std::max(0, Images.Image1.Height - 1));
      }
      RemoveTheRect1();
      SelectionEnd = Point{X + ImageLeft(), Y + ImageTop()};
      DrawTheRect1();
      state_.CropRect = CropRectOf(SelectionStart, SelectionEnd, HorzScrollBar.Position,
                                   VertScrollBar.Position, state_.ZoomPercent);
      // Crop and copy need a rectangle with at least one picture pixel inside the picture.
      const bool moved = SelectionEnd.x != SelectionStart.x || SelectionEnd.y != SelectionStart.y;
      const Picture& p = state_.WorkingPicture;
      const bool holdsPixels = !ClippedCropRect(state_.CropRect, p.width(), p.height()).empty();
      if (moved) {
        host_.SetCopyActionEnabled(holdsPixels);
        host_.SetCropButtonEnabled(holdsPixels);
      }
    }
    if (Shift.Right && MouseIsDown) {
      RemoveTheRect1();
      ScrollBy(DragOrigin.x - X, DragOrigin.y - Y);  // the sheet follows the pointer
    }
    changed();
    return;
  }
  RemoveTheBrush();
  if (Shift.Right && MouseIsDown)
    ScrollBy(DragOrigin.x - X, DragOrigin.y - Y);  // the sheet follows the pointer
  if (state_.OnWarpPage()) {
    RemoveTheBrush();
    if (2 < X && X < Images.Image1.Width - 2 && 2 < Y && Y < Images.Image1.Height - 2) {
      BrushBounds = BrushSquare::Around(X + ImageLeft(), Y + ImageTop(), state_.ScreenRadius);
      DrawTheBrush();
    } else {
      RemoveTheBrush();
    }
  }
  changed();
}

// --- Scrolling and panning ----------------------------------------------------------------------

// A scroll message: once the window procedure is wrapped, the crop rectangle goes first.
void TWork_area::scrollMessage(void (WorkAreaViewport::*scrollTo)(int), int position) {
  if (scrollHooked_) {
    RemoveTheRect2();
    disableCropControls();
  }
  (this->*scrollTo)(position);
  changed();
}

void TWork_area::HorzScroll(int position) {
  scrollMessage(&WorkAreaViewport::ScrollHorzTo, position);
}

void TWork_area::VertScroll(int position) {
  scrollMessage(&WorkAreaViewport::ScrollVertTo, position);
}

// --- Wheel and pointer ------------------------------------------------------------------------

bool TWork_area::zoom(bool in) {
  const auto removeCropRect = [this] {
    RemoveTheRect2();
    host_.SetCropButtonEnabled(false);
    host_.Repaint(Image1Rect(), Rect{});
  };
  const bool done = in ? drollo::imgzoomin(state_, Images, removeCropRect)
                       : drollo::imgzoomout(state_, Images, removeCropRect);
  if (!done) return false;
  UpdateScrollRange();
  return true;
}

bool TWork_area::imgzoomin() {
  const bool done = zoom(true);
  changed();
  return done;
}

bool TWork_area::imgzoomout() {
  const bool done = zoom(false);
  changed();
  return done;
}

void TWork_area::FormMouseWheel(int WheelDelta) {
  if (WheelDelta > 0)
    imgzoomout();
  else
    imgzoomin();
}

bool TWork_area::ApplicationWheelMessage(int WheelDelta) {
  if (!messageHooked_ || !MouseOverImage) return false;
  if (WheelDelta > 0)
    imgzoomout();
  else
    imgzoomin();
  return true;
}

void TWork_area::MouseWheel(int WheelDelta) {
  if (!ApplicationWheelMessage(WheelDelta)) FormMouseWheel(WheelDelta);
}

void TWork_area::MouseEnter(ChildControl control) {
  if (control == ChildControl::Image1 || control == ChildControl::Image2) MouseOverImage = true;
}

void TWork_area::MouseLeave(ChildControl control) {
  if (control == ChildControl::Image1 || control == ChildControl::Image2) MouseOverImage = false;
}

// --- Marching ants ---------------------------------------------------------------------------

void TWork_area::Timer2Timer() {
  if (!Timer2.Enabled) return;
  DashPhase = NextDashPhase(DashPhase);
  DrawTheRect1();
  changed();
}

// --- Cursors and the palette's calls ------------------------------------------------------------

void TWork_area::setsigncursor() {
  const TPen black{kBlack, 1};
  switch (state_.DrawingTool) {
    case DrawTool::Line:
      Image2.Cursor = TCursor::Cross;
      Pen = black;
      break;
    case DrawTool::Pen:
      Image2.Cursor = TCursor::Pen;
      Pen = black;
      break;
    case DrawTool::Text:
      Image2.Cursor = TCursor::IBeam;
      Pen = black;
      break;
    case DrawTool::Curve:
      // While a curve is being shaped its control points are dragged.
      Image2.Cursor =
          state_.CurveStage == 1 || state_.CurveStage == 2 ? TCursor::Drag : TCursor::Cross;
      Pen = TPen{tools_.Panel2.Color, tools_.TrackBar6.Position()};
      break;
    case DrawTool::Eraser:
      Image2.Cursor = TCursor::Default;
      Pen = black;
      break;
    default:
      break;
  }
  if (state_.WarpShape == Shape::Spherical && state_.WarpAction != Warp::None) {
    Image1.Cursor = TCursor::Default;
    Pen = black;
  }
  changed();
}

void TWork_area::Image2showto() {
  ShowLayer(tools_.CheckBox1.Checked);
}

void TWork_area::SetImage1Hint(const std::string& hint) {
  Image1.Hint = hint;
}
void TWork_area::SetImage1Cursor(WorkAreaCursor cursor) {
  Image1.Cursor = FromToolsCursor(cursor);
}
void TWork_area::SetImage2Visible(bool visible) {
  Image2.Visible = visible;
}
void TWork_area::SetImage2Cursor(WorkAreaCursor cursor) {
  Image2.Cursor = FromToolsCursor(cursor);
}
void TWork_area::SetWorkAreaCaption(const std::string& caption) {
  Caption = caption;
}
void TWork_area::MessageBox(const std::string& text, const std::string& caption) {
  host_.MessageBox(text, caption);
}
void TWork_area::ShowError(const std::string& message) {
  host_.ShowError(message);
}
bool TWork_area::ExecuteColorDialog(TColor& colour) {
  return host_.ExecuteColorDialog(colour);
}
void TWork_area::SetMemo1FontColor(TColor colour) {
  Memo1FontColor = colour;
  Outline.Memo1.Font.Color = colour;
}
void TWork_area::SetOutlinePenColor(TColor colour) {
  OutlinePen.Color = colour;
  Outline.Canvas().Pen.Color = colour;
}
void TWork_area::SetOutlinePenWidth(int width) {
  OutlinePen.Width = width;
  Outline.Canvas().Pen.Width = width;
}
void TWork_area::SetWorkAreaPenColor(TColor colour) {
  Pen.Color = colour;
}
void TWork_area::SetWorkAreaPenWidth(int width) {
  Pen.Width = width;
}

// --- The outline page's tools -----------------------------------------------------------------

void TWork_area::Image2MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  Outline.Image2MouseDown(Button, Shift, X, Y);
  changed();
}
void TWork_area::Image2MouseMove(TShiftState Shift, int X, int Y) {
  Outline.Image2MouseMove(Shift, X, Y);
  changed();
}
void TWork_area::Image2MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  Outline.Image2MouseUp(Button, Shift, X, Y);
  changed();
}
void TWork_area::Memo1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  Outline.Memo1MouseDown(Button, Shift, X, Y);
  changed();
}
void TWork_area::Memo1MouseMove(TShiftState Shift, int X, int Y) {
  Outline.Memo1MouseMove(Shift, X, Y);
  changed();
}
void TWork_area::Memo1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  Outline.Memo1MouseUp(Button, Shift, X, Y);
  changed();
}
void TWork_area::Memo1DblClick() {
  Outline.Memo1DblClick();
  changed();
}

}  // namespace drollo
