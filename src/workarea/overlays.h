// The marks the work area draws over the pictures straight onto the window: the round brush
// outline of the warp and eraser tools and the dashed crop rectangle with its marching ants. They
// never touch a picture; erasing one repaints the band of the window it covered.
#pragma once

#include <cstdint>
#include <vector>

#include "app/state/program_state.h"
#include "workarea/window_controls.h"

namespace drollo {

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

// One row's pixels of an overlay: columns Left to Right (both included) of row Y.
struct PixelRun {
  int Y = 0;
  int Left = 0;
  int Right = 0;
  bool operator==(const PixelRun&) const = default;
};

// The brush circle's outline: the pixels of the round disc inscribed in the square (columns Left
// to Right - 1, rows Top to Bottom - 1) that have a pixel above, below, left or right of them
// outside the disc, so the outline is one pixel thick and closed, and touches the square's four
// sides. A pixel is in the disc when its centre lies within the radius plus half a pixel of the
// square's centre, the test kept in whole numbers at half-pixel steps. A square made oblong by
// clamping far off the window keeps the disc of its shorter side, centred. Only the rows and
// columns inside `clip` are given, row by row from the top, so a huge circle costs no more than
// the clip's rows.
std::vector<PixelRun> BrushCircleRuns(const BrushSquare& square, const Rect& clip);

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

// The next marching-ants phase: the old one shifted right by 2 bits, 128 again after 2.
std::uint8_t NextDashPhase(std::uint8_t phase);

// The crop rectangle (picture columns and rows from 1, inclusive) clipped to a picture of the
// given size, as 0-based pixel bounds (right and bottom exclusive); empty when it holds no pixel.
Rect ClippedCropRect(const ProgramState::CropRectangle& r, int width, int height);

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

class WorkAreaOverlays {
 public:
  // The brush's radius is the program state's ScreenRadius; erasing repaints on `surface`.
  WorkAreaOverlays(const ProgramState& state, WorkAreaSurface& surface)
      : overlayState_(state), surface_(surface) {}

  // The window's colour, which the canvas's pen and brush take when the window is created.
  static constexpr TColor kWindowColor = 0xC8D0D4;

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
  // The window canvas's pen (the overlays and the outline page's previews are drawn with it) and
  // brush colour.
  TPen Pen;
  TColor BrushColor = kWindowColor;

  // The crop rectangle drawn with the current phase, erased (its 2-pixel frame repainted), and
  // erased and forgotten.
  void DrawTheRect1();
  void RemoveTheRect1();
  void RemoveTheRect2();
  // The brush circle shown, and erased (the band between its square and the square shrunk by
  // the radius repainted).
  void DrawTheBrush();
  void RemoveTheBrush();
  // The points of the crop rectangle's outline as DrawTheRect1 draws them now.
  std::vector<DashPoint> CropRectPoints() const;

 private:
  const ProgramState& overlayState_;
  WorkAreaSurface& surface_;
};

}  // namespace drollo
