// What the work area window shows where: its client area, the scroll bars, and the two image
// controls lying at the top left of the scrolled content, Image1 with the working picture and
// Image2 with the layer display, at their display sizes.
#pragma once

#include <cstdint>

#include "app/state/program_state.h"
#include "image/bitmap32.h"
#include "workarea/window_controls.h"
#include "workarea/zoom.h"

namespace drollo {

class WorkAreaViewport {
 public:
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
  bool DoubleBuffered = false;
  bool Opaque = false;
  // The pointer is over one of the two images.
  bool MouseOverImage = false;
  // Screen-pixel position of the last press on an image: the origin of a right-drag pan.
  Point DragOrigin;

  // Both image controls lie at the top left of the scrolled content: their place in the window's
  // client area moves against the scroll positions.
  int ImageLeft() const { return -HorzScrollBar.Position; }
  int ImageTop() const { return -VertScrollBar.Position; }
  // A position relative to the images, in window client coordinates.
  Point WindowPoint(int X, int Y) const { return Point{ImageLeft() + X, ImageTop() + Y}; }
  // Image1's rectangle in window client coordinates.
  Rect Image1Rect() const;

  // A scroll position set, kept within 0 and what the content leaves beyond the client area.
  void ScrollHorzTo(int position);
  void ScrollVertTo(int position);
  // The positions moved by (dx, dy), kept within the content.
  void ScrollBy(int dx, int dy);
  // The scroll positions brought back within the content after Images changed size.
  void UpdateScrollRange() { ScrollBy(0, 0); }

  // Recomposes Image2Picture from the working picture and the outline layer, with the picture
  // under the layer or a checkerboard (Image2showto). When it was composed from the same two
  // before, only where they were written since is made again, so a stroke costs what it covers.
  void ShowLayer(const ProgramState& state, bool withPicture);

 private:
  // What Image2Picture was last composed from: identities, and the write clock before and after.
  struct Composition {
    std::uint64_t picture = 0;
    std::uint64_t layer = 0;
    std::uint64_t view = 0;
    std::uint64_t before = 0;
    std::uint64_t after = 0;
    bool withPicture = false;
  };
  // Brings Image2Picture up to date where the picture or the layer changed since the last
  // composition; false when it has to be composed whole.
  bool updateLayerDisplay(const Picture& picture, const TBitmap32& layer, bool withPicture);

  Composition composed_;
};

}  // namespace drollo
