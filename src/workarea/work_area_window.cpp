// The work area window's gestures, overlays, scrolling, wheel and cursors.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "image/pixel_math.h"
#include "outline/layer_display.h"
#include "workarea/work_area.h"

namespace drollo {

namespace {

// Walks an axis-aligned line from `from` up to but not including `to`, shifting the pattern once
// per point.
void DashedLine(Point from, Point to, std::uint8_t& pattern, std::vector<DashPoint>& points) {
  const int dx = to.x > from.x ? 1 : (to.x < from.x ? -1 : 0);
  const int dy = to.y > from.y ? 1 : (to.y < from.y ? -1 : 0);
  for (Point p = from; p != to; p.x += dx, p.y += dy) {
    pattern = static_cast<std::uint8_t>(pattern << 1);
    if (pattern == 0) pattern = 1;
    points.push_back(DashPoint{p, (pattern & 0xE0) != 0});
  }
}

TCursor FromToolsCursor(WorkAreaCursor c) {
  return c == WorkAreaCursor::Cross ? TCursor::Cross : TCursor::Default;
}

}  // namespace

std::vector<DashPoint> DashedRectPoints(Point start, Point end, std::uint8_t phase,
                                        std::uint8_t* finalPattern) {
  std::vector<DashPoint> points;
  std::uint8_t pattern = phase;
  // Only lines that go somewhere are walked; a rectangle with two equal corners has no points.
  DashedLine(start, Point{end.x, start.y}, pattern, points);
  DashedLine(Point{end.x, start.y}, end, pattern, points);
  DashedLine(end, Point{start.x, end.y}, pattern, points);
  DashedLine(Point{start.x, end.y}, start, pattern, points);
  if (finalPattern) *finalPattern = pattern;
  return points;
}

namespace {
// Keeps overlay coordinates well inside the int range, so that sums and differences of them (the
// repaint rectangles) cannot overflow however large a radius was typed.
int ClampOverlay(long long v) {
  constexpr long long kLimit = 1LL << 28;
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}
}  // namespace

BrushSquare BrushSquare::Around(int cx, int cy, int r) {
  const long long x = cx, y = cy, rr = r;
  const int left = ClampOverlay(x - rr), bottom = ClampOverlay(y + rr);
  return BrushSquare{left, ClampOverlay(y - rr), ClampOverlay(x + rr), bottom, left, bottom};
}

Rect ClippedCropRect(const ProgramState::CropRectangle& r, int width, int height) {
  const int left = std::max(r.left, 1), top = std::max(r.top, 1);
  const int right = std::min(r.right, width), bottom = std::min(r.bottom, height);
  if (right < left || bottom < top) return Rect{};
  return Rect{left - 1, top - 1, right, bottom};
}

std::uint8_t NextDashPhase(std::uint8_t phase) {
  return phase < 4 ? std::uint8_t{128} : static_cast<std::uint8_t>(phase >> 2);
}

ProgramState::CropRectangle CropRectOf(Point selectionStart, Point selectionEnd, int h, int v,
                                       double zoomPercent) {
  const Zoom zoom{zoomPercent};
  const int x1 = h + selectionEnd.x, x2 = h + selectionStart.x;
  const int y1 = v + selectionEnd.y, y2 = v + selectionStart.y;
  return ProgramState::CropRectangle{
      zoom.ToPicture(std::min(x1, x2)) + 1, zoom.ToPicture(std::min(y1, y2)) + 1,
      zoom.ToPicture(std::max(x1, x2)) - 1, zoom.ToPicture(std::max(y1, y2)) - 1};
}

// --- Relay ------------------------------------------------------------------------------------

void TToolsHostRelay::setsigncursor() {
  if (target_) target_->setsigncursor();
}
void TToolsHostRelay::SetImage1Hint(const std::string& hint) {
  if (target_) target_->SetImage1Hint(hint);
}
void TToolsHostRelay::SetImage1Cursor(WorkAreaCursor cursor) {
  if (target_) target_->SetImage1Cursor(cursor);
}
void TToolsHostRelay::SetImage2Visible(bool visible) {
  if (target_) target_->SetImage2Visible(visible);
}
void TToolsHostRelay::SetImage2Cursor(WorkAreaCursor cursor) {
  if (target_) target_->SetImage2Cursor(cursor);
}
void TToolsHostRelay::SetWorkAreaCaption(const std::string& caption) {
  if (target_) target_->SetWorkAreaCaption(caption);
}
void TToolsHostRelay::Image2showto() {
  if (target_) target_->Image2showto();
}
void TToolsHostRelay::MessageBox(const std::string& text, const std::string& caption) {
  if (target_) target_->MessageBox(text, caption);
}
void TToolsHostRelay::ShowError(const std::string& message) {
  if (target_) target_->ShowError(message);
}
bool TToolsHostRelay::ExecuteColorDialog(TColor& colour) {
  return target_ && target_->ExecuteColorDialog(colour);
}
void TToolsHostRelay::SetMemo1FontColor(TColor colour) {
  if (target_) target_->SetMemo1FontColor(colour);
}
void TToolsHostRelay::SetOutlinePenColor(TColor colour) {
  if (target_) target_->SetOutlinePenColor(colour);
}
void TToolsHostRelay::SetOutlinePenWidth(int width) {
  if (target_) target_->SetOutlinePenWidth(width);
}
void TToolsHostRelay::SetWorkAreaPenColor(TColor colour) {
  if (target_) target_->SetWorkAreaPenColor(colour);
}
void TToolsHostRelay::SetWorkAreaPenWidth(int width) {
  if (target_) target_->SetWorkAreaPenWidth(width);
}

// --- Construction and life ---------------------------------------------------------------------

TWork_area::TWork_area(ProgramState& state, TTools& tools, TWork_areaHost* host)
    : state_(state), tools_(tools), host_(host ? *host : defaultHost_) {
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
  const Picture& picture = state_.WorkingPicture;
  state_.OutlineBitmap = TBitmap32(picture.width(), picture.height());
  for (int y = 0; y < picture.height(); ++y)
    std::fill_n(state_.OutlineBitmap.mutableRow(y), state_.OutlineBitmap.stride(),
                std::uint8_t{255});
  Image2Picture = state_.OutlineBitmap;
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

Rect TWork_area::Image1Rect() const {
  return Rect{ImageLeft(), ImageTop(), ImageLeft() + Images.Image1.Width,
              ImageTop() + Images.Image1.Height};
}

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
      pan(X, Y);
    }
    changed();
    return;
  }
  RemoveTheBrush();
  if (Shift.Right && MouseIsDown) pan(X, Y);
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

void TWork_area::setScroll(TScrollBar& bar, int position, int contentLength, int clientLength) {
  bar.Position = std::clamp(position, 0, std::max(0, contentLength - clientLength));
}

void TWork_area::UpdateScrollRange() {
  setScroll(HorzScrollBar, HorzScrollBar.Position, Images.Image1.Width, ClientSize.Width);
  setScroll(VertScrollBar, VertScrollBar.Position, Images.Image1.Height, ClientSize.Height);
}

// The sheet follows the pointer: the window scrolls by the pointer's way back to the press.
void TWork_area::pan(int X, int Y) {
  setScroll(HorzScrollBar, HorzScrollBar.Position + (DragOrigin.x - X), Images.Image1.Width,
            ClientSize.Width);
  setScroll(VertScrollBar, VertScrollBar.Position + (DragOrigin.y - Y), Images.Image1.Height,
            ClientSize.Height);
}

void TWork_area::HorzScroll(int position) {
  if (scrollHooked_) {
    RemoveTheRect2();
    disableCropControls();
  }
  setScroll(HorzScrollBar, position, Images.Image1.Width, ClientSize.Width);
  changed();
}

void TWork_area::VertScroll(int position) {
  if (scrollHooked_) {
    RemoveTheRect2();
    disableCropControls();
  }
  setScroll(VertScrollBar, position, Images.Image1.Height, ClientSize.Height);
  changed();
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

// --- Overlays --------------------------------------------------------------------------------

void TWork_area::DrawTheRect1() {
  DashPattern = DashPhase;
  const std::vector<DashPoint> points =
      DashedRectPoints(SelectionStart, SelectionEnd, DashPhase, &DashPattern);
  RectShown = !points.empty();
}

std::vector<DashPoint> TWork_area::CropRectPoints() const {
  return DashedRectPoints(SelectionStart, SelectionEnd, DashPhase);
}

// Only the 2-pixel frame along the outline is repainted.
void TWork_area::RemoveTheRect1() {
  const Rect r{
      std::min(SelectionStart.x, SelectionEnd.x), std::min(SelectionStart.y, SelectionEnd.y),
      std::max(SelectionStart.x, SelectionEnd.x), std::max(SelectionStart.y, SelectionEnd.y)};
  host_.Repaint(Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1},
                Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
  RectShown = false;
}

void TWork_area::RemoveTheRect2() {
  RemoveTheRect1();
  SelectionStart = SelectionEnd = Point{};
}

void TWork_area::Timer2Timer() {
  if (!Timer2.Enabled) return;
  DashPhase = NextDashPhase(DashPhase);
  DrawTheRect1();
  changed();
}

void TWork_area::DrawTheBrush() {
  BrushShown = true;
}

// The circle lies inside its bounding square and outside the square shrunk by the radius: only
// that band is repainted.
void TWork_area::RemoveTheBrush() {
  const long long r = state_.ScreenRadius;
  const BrushSquare& b = BrushBounds;
  host_.Repaint(Rect{b.Left, b.Top, b.Right, b.Bottom},
                Rect{ClampOverlay(b.Left + r), ClampOverlay(b.Top + r), ClampOverlay(b.Right - r),
                     ClampOverlay(b.Bottom - r)});
  BrushShown = false;
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
  Image2Picture =
      outline::Image2showto(state_.WorkingPicture, state_.OutlineBitmap, tools_.CheckBox1.Checked);
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
