// The work area window "工作区域" as a model without a screen. It shows the working picture
// (Image1) and the outline layer (Image2) at the zoom, and turns the user's gestures on Image1
// into warp steps, smudge strokes, crop-rectangle selection and panning. Every control state the
// desktop window shows is plain data here: the display place and size of the two images, the
// scroll positions, the cursors and hints, the two timers, and the two overlays (the round brush
// outline and the dashed crop rectangle). The desktop window forwards mouse, wheel, scroll and
// timer events to the handlers and paints what the state says.
//
// The warp steps read the palette's sliders and the zoom, store the radius and strength they used
// into the program state, and run a kernel that reads the unchanged working picture and writes
// only the bounding box of its patch, which is then put back into the picture. Only the written
// box is marked in the picture's tiles, so the history records the step's cost.
//
// Time is not measured here: a timer is an enabled flag and an interval, and whoever owns the
// clock (the desktop window, or a test) calls Timer1Timer and Timer2Timer when an interval has
// passed while the timer is enabled. The pointer confinement of a crop drag is a clamp of the
// drag's positions to Image1.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/state/program_state.h"
#include "image/progress.h"
#include "palette/tools.h"
#include "palette/tools_host.h"
#include "workarea/outline_drawing.h"
#include "workarea/zoom.h"

namespace drollo {

// The cursors shown over the work area's image controls.
enum class TCursor {
  Default,  // the arrow
  Cross,
  IBeam,
  Drag,
  // Application cursor number 1, registered from the cursor resource "PEN". The program carries
  // no cursor of that name, so it shows the default arrow unless the desktop layer supplies one.
  Pen,
};

enum class TMouseButton { Left, Right, Middle };

// The buttons and keys held during a mouse event. On a press the pressed button is held.
struct TShiftState {
  bool Left = false;
  bool Right = false;
  bool Middle = false;
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

// A timer as state: the owner of the clock calls the handler once per interval while it is
// enabled.
struct TTimer {
  bool Enabled = false;
  int Interval = 1000;  // milliseconds
};

// A window scroll bar: the position is kept within 0 and the range the content leaves.
struct TScrollBar {
  int Position = 0;
};

// The state of one of the two stretched image controls; their display size is in Images.
struct TImageControl {
  bool Visible = true;
  std::string Hint;
  bool ShowHint = true;
  TCursor Cursor = TCursor::Default;
};

// A pen of a canvas.
struct TPen {
  TColor Color = kBlack;
  int Width = 1;
};

// The brush circle's bounding square in window client coordinates, and the point its outline
// starts and ends at (left, bottom).
struct BrushSquare {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int StartX = 0;
  int StartY = 0;
  bool operator==(const BrushSquare&) const = default;

  // The square of radius r around (cx, cy), computed in 64 bits and kept within the int range
  // with room to spare, so a huge radius gives a square far outside the window, not an overflow.
  static BrushSquare Around(int cx, int cy, int r);
  // Every value v (the state when the window is shown: -200).
  static BrushSquare Filled(int v) { return BrushSquare{v, v, v, v, v, v}; }
};

// One point of a dashed line: its place in window client coordinates and its colour.
struct DashPoint {
  Point p;
  bool white = false;
  bool operator==(const DashPoint&) const = default;
};

// The points of the dashed outline of the rectangle with corners `start` and `end`, in the order
// they are drawn, starting from the pattern `phase`: the four sides (start.x, start.y) ->
// (end.x, start.y) -> (end.x, end.y) -> (start.x, end.y) -> (start.x, start.y), each from its
// start point up to but not including its end point. Per point the pattern is shifted left by one
// bit within 8 bits (0 becomes 1); the point is white when one of its top three bits is set. The
// dashes are thus 5 black and 3 white points, continuing across the corners. `finalPattern`, if
// given, receives the pattern after the last point.
std::vector<DashPoint> DashedRectPoints(Point start, Point end, std::uint8_t phase,
                                        std::uint8_t* finalPattern = nullptr);

// The crop rectangle (picture columns and rows from 1, inclusive) clipped to a picture of the
// given size, as 0-based pixel bounds (right and bottom exclusive); empty when it holds no pixel.
Rect ClippedCropRect(const ProgramState::CropRectangle& r, int width, int height);

// The next marching-ants phase: the old one shifted right by 2 bits, 128 again after 2.
std::uint8_t NextDashPhase(std::uint8_t phase);

// The crop rectangle in picture columns and rows (from 1, inclusive) of a selection whose corners
// are in window client coordinates, with the window scrolled by (h, v), at the zoom.
ProgramState::CropRectangle CropRectOf(Point selectionStart, Point selectionEnd, int h, int v,
                                       double zoomPercent);

// The screen that shows the work area, as the desktop program provides it: what erases an
// overlay, minimises the window and holds the pointer during a crop drag. Every call does nothing
// by default, so a program without a screen needs none.
class WorkAreaSurface {
 public:
  virtual ~WorkAreaSurface() = default;
  // Repaint `area` of the window's client area at once, the background erased, leaving out `keep`
  // (still valid): what erases an overlay from the screen.
  virtual void Repaint(const Rect& area, const Rect& keep) {
    (void)area;
    (void)keep;
  }
  // The window minimised inside the main window.
  virtual void Minimize() {}
  // The pointer kept inside `image1` (window client coordinates) during a crop drag, and let go.
  // The model clamps the drag's positions itself; a desktop layer may also confine the pointer.
  virtual void ConfinePointer(const Rect& image1) { (void)image1; }
  virtual void ReleasePointer() {}
};

// What the work area asks of the main window: its crop controls, its message boxes and dialogs,
// and the screen.
class TWork_areaHost : public WorkAreaSurface {
 public:
  // The main window's crop button SpeedButton11 "剪切所选" and its copy short-cut Action6 (Ctrl+C).
  virtual void SetCropButtonEnabled(bool enabled) { (void)enabled; }
  virtual void SetCopyActionEnabled(bool enabled) { (void)enabled; }
  // A message box with one OK button; the general error report; the colour dialog (see
  // TToolsHost::ExecuteColorDialog).
  virtual void MessageBox(const std::string& text, const std::string& caption) {
    (void)text;
    (void)caption;
  }
  virtual void ShowError(const std::string& message) { (void)message; }
  virtual bool ExecuteColorDialog(TColor& colour) {
    (void)colour;
    return false;
  }
};

// The palette's host for a program whose palette is built before its work area: it passes every
// call on to the host attached later (normally the work area) and drops calls until then.
class TToolsHostRelay : public TToolsHost {
 public:
  void Attach(TToolsHost& target) { target_ = &target; }

  void setsigncursor() override;
  void SetImage1Hint(const std::string& hint) override;
  void SetImage1Cursor(WorkAreaCursor cursor) override;
  void SetImage2Visible(bool visible) override;
  void SetImage2Cursor(WorkAreaCursor cursor) override;
  void SetWorkAreaCaption(const std::string& caption) override;
  void Image2showto() override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  void ShowError(const std::string& message) override;
  bool ExecuteColorDialog(TColor& colour) override;
  void SetMemo1FontColor(TColor colour) override;
  void SetOutlinePenColor(TColor colour) override;
  void SetOutlinePenWidth(int width) override;
  void SetWorkAreaPenColor(TColor colour) override;
  void SetWorkAreaPenWidth(int width) override;

 private:
  TToolsHost* target_ = nullptr;
};

// The work area is the palette's host: the palette's cursor, hint, caption, text-box and pen
// changes land in the state below; message boxes and the colour dialog go on to the
// TWork_areaHost.
class TWork_area : public TToolsHost {
 public:
  // Wires the palette's wave button (Button1) to WaveWrap(2, 6, 2). `host` may be null: calls
  // out go nowhere.
  TWork_area(ProgramState& state, TTools& tools, TWork_areaHost* host = nullptr);
  // Unhooks the wave button, which would otherwise outlive the window.
  ~TWork_area() override;
  TWork_area(const TWork_area&) = delete;
  TWork_area& operator=(const TWork_area&) = delete;

  // --- Window state --------------------------------------------------------------------------
  std::string Caption = DROLLO_TEXT("TWork_area", "工作区域");
  bool Minimized = false;
  // The size of the window's client area, set by whoever shows the window; it bounds scrolling.
  DisplaySize ClientSize;
  TScrollBar HorzScrollBar;
  TScrollBar VertScrollBar;
  // The display sizes of Image1 and Image2 (at the zoom, or scaled by the picture-size dialog).
  WorkAreaImages Images;
  TImageControl Image1;
  TImageControl Image2;
  // The layer display that Image2 shows on the outline page (Image2showto).
  TBitmap32 Image2Picture;
  // The font colour the palette gives the text tool's box Memo1: its pen colour.
  TColor Memo1FontColor = kBlack;
  // The window canvas's pen and brush colour, and the pen of the outline layer's canvas.
  TPen Pen;
  TColor BrushColor = kWindowColor;
  TPen OutlinePen;
  bool DoubleBuffered = false;
  bool Opaque = false;
  TTimer Timer1;  // auto-repeat of a held press: 1000 ms, off until a press
  TTimer Timer2;  // marching ants: 100 ms, on from FormCreate

  // The window's colour, which the canvas's pen and brush take when the window is created.
  static constexpr TColor kWindowColor = 0xC8D0D4;

  // Both image controls lie at the top left of the scrolled content: their place in the window's
  // client area moves against the scroll positions.
  int ImageLeft() const { return -HorzScrollBar.Position; }
  int ImageTop() const { return -VertScrollBar.Position; }

  // --- Gesture and overlay state -------------------------------------------------------------
  Point DragOrigin;  // screen-pixel position of the last press in Image1; origin of panning
  bool MouseIsDown = false;
  bool MouseOverImage = false;
  // Corners of the crop rectangle in window client coordinates; all four 0: no rectangle.
  Point SelectionStart;
  Point SelectionEnd;
  // The brush circle's bounding square and the start of its outline.
  BrushSquare BrushBounds;
  std::uint8_t DashPattern = 0;
  std::uint8_t DashPhase = 0;
  // Whether each overlay is on the screen now (drawn and not erased since).
  bool BrushShown = false;
  bool RectShown = false;
  // The crop drag holds the pointer inside Image1 from the press to the release.
  bool PointerConfined = false;

  // --- Handlers ------------------------------------------------------------------------------
  // Mouse events on Image1, at (X, Y) screen pixels from the displayed picture's top left. The
  // desktop layer delivers Image1Click (a completed left click) before the Image1MouseUp of the
  // same release; the second press of a double-click completes no click. A release on the warp
  // and swirl pages records one history entry when its press changed the picture (a click, a
  // held step or a smudge), so a press that warped nothing adds no entry equal to the last.
  void Image1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Image1Click();
  void Image1MouseMove(TShiftState Shift, int X, int Y);
  void Image1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Timer1Timer();
  void Timer2Timer();

  void FormCreate();
  void FormShow();
  // Closing only minimises the window.
  void FormClose();

  // The wheel turned while the window has the focus and the pointer is over neither picture:
  // away from the user (delta > 0) zooms out, otherwise in.
  void FormMouseWheel(int WheelDelta);
  // The application's message hook, for a wheel message anywhere: while the pointer is over a
  // picture it zooms like FormMouseWheel and returns true (handled). It is installed by FormShow.
  bool ApplicationWheelMessage(int WheelDelta);
  // The zoom steps on this window's images: in crop selection mode the rectangle is erased and
  // forgotten and the crop button disabled first; then the zoom, the display sizes, the main
  // window's zoom label and the scroll range. False, changing nothing, at the zoom's limits. The
  // wheel and the main window's zoom commands call them.
  bool imgzoomin();
  bool imgzoomout();
  // The scroll positions brought back within the content after Images changed size (a new
  // picture, a resize).
  void UpdateScrollRange();
  // The window's client area took a new size: scrolling is bounded by it from now on.
  void SetClientSize(DisplaySize size);
  // Image1 sized from the working picture at the zoom and Image2 made its size, after the picture
  // was replaced; then the scroll range.
  void SizeImagesToPicture();
  // Image1 scaled from its current display size by the ratios, Image2 made its size; then the
  // scroll range (the picture-size dialog).
  void ScaleImages(double widthRatio, double heightRatio);

  // A wheel message as the desktop layer receives it: the application hook first, then, when it
  // did not handle it, the window's own wheel handler.
  void MouseWheel(int WheelDelta);
  // The pointer entering or leaving a child control; only Image1 and Image2 count.
  enum class ChildControl { Image1, Image2, Memo1 };
  void MouseEnter(ChildControl control);
  void MouseLeave(ChildControl control);

  // The user moved a scroll bar (a scroll message): once the window is shown the crop rectangle
  // is erased and forgotten and the crop button and copy short-cut are disabled, then the
  // position changes.
  void HorzScroll(int position);
  void VertScroll(int position);

  // The cursors of the current drawing tool on Image2 and the window pen, then the arrow on
  // Image1 for the warp tools.
  void setsigncursor() override;

  // Overlays.
  void DrawTheRect1();
  void RemoveTheRect1();
  void RemoveTheRect2();
  void DrawTheBrush();
  void RemoveTheBrush();
  // The points of the crop rectangle's outline as DrawTheRect1 draws them now.
  std::vector<DashPoint> CropRectPoints() const;
  // Image1's rectangle in window client coordinates.
  Rect Image1Rect() const;

  // Mouse events on the outline layer Image2 and on the text box Memo1, handled by the outline
  // page's tools (Outline below); listeners run after each.
  void Image2MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Image2MouseMove(TShiftState Shift, int X, int Y);
  void Image2MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Memo1MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Memo1MouseMove(TShiftState Shift, int X, int Y);
  void Memo1MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void Memo1DblClick();

  // Recomposes Image2Picture from the working picture and the outline layer (the palette's
  // "显示" decides whether the picture shows under the layer).
  void Image2showto() override;

  // --- TToolsHost ----------------------------------------------------------------------------
  void SetImage1Hint(const std::string& hint) override;
  void SetImage1Cursor(WorkAreaCursor cursor) override;
  void SetImage2Visible(bool visible) override;
  void SetImage2Cursor(WorkAreaCursor cursor) override;
  void SetWorkAreaCaption(const std::string& caption) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  void ShowError(const std::string& message) override;
  bool ExecuteColorDialog(TColor& colour) override;
  void SetMemo1FontColor(TColor colour) override;
  void SetOutlinePenColor(TColor colour) override;
  void SetOutlinePenWidth(int width) override;
  void SetWorkAreaPenColor(TColor colour) override;
  void SetWorkAreaPenWidth(int width) override;

  // Listeners run after every handler above, so a window showing the work area can repaint and
  // the main window can bring its undo and redo controls in line with the history.
  void Subscribe(std::function<void()> listener);

  // --- Warp steps ----------------------------------------------------------------------------
  // The spherical tools' entry: one step at (X, Y) of the tool chosen by WarpAction
  // (1 bulge, 2 pinch, 3 and 4 the swirls); any other action does nothing.
  void SphericalStretch(int X, int Y);
  // One bulge (magnifying) or pinch (shrinking) step centred on (X, Y). No history entry: the
  // press that repeats these steps records one when it ends.
  void Sphericalpengzhang(int X, int Y);
  void Sphericalshousuo(int X, int Y);
  // One swirl step centred on (X, Y): clockwise as seen on the screen (youxuan) or
  // counter-clockwise (zuoxuan), with the swirl page's radius and bend sliders.
  void Sphericalyouxuan(int X, int Y);
  void Sphericalzuoxuan(int X, int Y);

  // The vertical and horizontal tools' entries: WarpAction 1 expands, 2 shrinks, others nothing.
  void VerticalStretch(int X, int Y);
  void HorizontalStretch(int X, int Y);
  void Verticalpengzhang(int X, int Y);
  void Verticalshousuo(int X, int Y);
  void Horizontalpengzhang(int X, int Y);
  void Horizontalshousuo(int X, int Y);

  // The smudge of a drag from WarpCentre released at the control position (X, Y) (screen pixels,
  // divided by the zoom here). No history entry: the release that calls it records one.
  void tumopic(int X, int Y);

  // Ripples the whole picture (column divisor A, row divisor B, amplitude K) and records one
  // history entry. A or B 0: nothing at all.
  void WaveWrap(int A, int B, int K);

 private:
  // The warp of the tool chosen by WarpShape at WarpCentre: the click and the auto-repeat.
  void warpStep();
  void pan(int X, int Y);
  void setScroll(TScrollBar& bar, int position, int contentLength, int clientLength);
  bool zoom(bool in);
  void disableCropControls();
  void changed();

  // Radius and strength in picture pixels from a page's sliders, stored into PictureRadius and
  // WarpStrength. False when the strength rounds to 0 (the sphere is undefined): no step then.
  bool warpSetUp(const TrackBar& radius, const TrackBar& bend, bool doubleBuffered, int& R, int& H);
  // A step of one of the kernels on a sphere's patch: set-up from the warp page's sliders.
  template <typename Kernel>
  void sphereStep(int X, int Y, bool doubleBuffered, Kernel kernel);
  void swirlStep(int X, int Y, bool clockwise);
  // Advances ProgressBar1 by one, as far as its maximum.
  Progress columnProgress();
  // The end of every long step: the bar at its maximum, then back to 0.
  void finishProgress();

  ProgramState& state_;
  TTools& tools_;
  TWork_areaHost defaultHost_;
  TWork_areaHost& host_;
  EditScope press_;             // the warp steps and smudge of the left press on Image1
  bool scrollHooked_ = false;   // the window procedure wrapped by FormShow
  bool messageHooked_ = false;  // the application message hook installed by FormShow
  std::vector<std::function<void()>> listeners_;

 public:
  // The outline page's drawing and text tools: their stroke state, previews, the text box Memo1
  // and its caption Label1, and the layer's canvas. Declared last, as it refers to the above.
  OutlineDrawing Outline{state_, tools_, *this};
};

}  // namespace drollo
