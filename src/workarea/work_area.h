// The work area window "工作区域" as a model without a screen. It shows the working picture
// (Image1) and the outline layer (Image2) at the zoom, and turns the user's gestures on Image1
// into warp steps, smudge strokes, crop-rectangle selection and panning. Every control state the
// desktop window shows is plain data here; the desktop window forwards mouse, wheel, scroll and
// timer events to the handlers and paints what the state says.
//
// The window is made of parts with a file each: what it shows where (WorkAreaViewport: client
// area, scroll bars, the image controls), the marks it draws over the pictures
// (WorkAreaOverlays: brush circle, crop rectangle), the warp steps (WarpSteps) and the outline
// page's tools (OutlineDrawing). This class joins them and holds the gestures, the timers, the
// cursors and the palette's calls.
//
// Time is not measured here: a timer is an enabled flag and an interval, and whoever owns the
// clock (the desktop window, or a test) calls Timer1Timer and Timer2Timer when an interval has
// passed while the timer is enabled. The pointer confinement of a crop drag is a clamp of the
// drag's positions to Image1.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/state/program_state.h"
#include "palette/tools.h"
#include "palette/tools_host.h"
#include "workarea/outline_drawing.h"
#include "workarea/overlays.h"
#include "workarea/viewport.h"
#include "workarea/warp_steps.h"
#include "workarea/window_controls.h"
#include "workarea/zoom.h"

namespace drollo {

// What the work area asks of the main window: its crop controls, its message boxes and dialogs,
// the screen, and the palette's progress bar.
class TWork_areaHost : public WorkAreaSurface, public ProgressDisplay {
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
  void Advanced(const ProgressBarState& bar) override { (void)bar; }
};

// The work area is the palette's host: the palette's cursor, hint, caption, text-box and pen
// changes land in the state below; message boxes and the colour dialog go on to the
// TWork_areaHost.
class TWork_area : public TToolsHost,
                   public WorkAreaViewport,
                   public WorkAreaOverlays,
                   public WarpSteps {
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
  // The font colour the palette gives the text tool's box Memo1: its pen colour.
  TColor Memo1FontColor = kBlack;
  // The pen of the outline layer's canvas.
  TPen OutlinePen;
  TTimer Timer1;  // auto-repeat of a held press: 1000 ms, off until a press
  TTimer Timer2;  // marching ants: 100 ms, on from FormCreate

  // --- Gesture state -------------------------------------------------------------------------
  bool MouseIsDown = false;
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

 private:
  // The warp of the tool chosen by WarpShape at WarpCentre: the click and the auto-repeat.
  void warpStep();
  void scrollMessage(void (WorkAreaViewport::*scrollTo)(int), int position);
  bool zoom(bool in);
  void disableCropControls();
  void changed();

  ProgramState& state_;
  TTools& tools_;
  TWork_areaHost& host_;
  EditScope press_;             // the warp steps and smudge of the left press on Image1
  bool scrollHooked_ = false;   // the window procedure wrapped by FormShow
  bool messageHooked_ = false;  // the application message hook installed by FormShow
  std::vector<std::function<void()>> listeners_;

 public:
  // The outline page's drawing and text tools: their stroke state, previews, the text box Memo1
  // and its caption Label1, and the layer's canvas. Declared last, as it refers to the above.
  OutlineDrawing Outline{state_, tools_, *this, *this};
};

}  // namespace drollo
