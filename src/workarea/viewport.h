// What the work area window shows where: its client area, the scroll bars, and the two image
// controls lying at the top left of the scrolled content, Image1 with the working picture and
// Image2 with the layer display, at their display sizes.
#pragma once

#include <cstdint>

#include "app/state/program_state.h"
#include "image/bitmap32.h"
#include "outline/layer_display.h"
#include "workarea/window_controls.h"
#include "workarea/zoom.h"

namespace drollo {

class WorkAreaViewport {
 public:
  // The view reads the working picture and the outline layer of `state`.
  explicit WorkAreaViewport(const ProgramState& state) : source_(state) {}

  // The size of the window's client area, set by whoever shows the window; it bounds scrolling.
  DisplaySize ClientSize;
  TScrollBar HorzScrollBar;
  TScrollBar VertScrollBar;
  // The display sizes of Image1 and Image2 (at the zoom, or scaled by the picture-size dialog).
  WorkAreaImages Images;
  TImageControl Image1;
  TImageControl Image2;
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

  // Image2 shows the outline layer over the working picture, or over a checkerboard
  // (Image2showto), from now on.
  void ShowLayer(bool withPicture);
  // Image2 shows the outline layer as it is (the window's start).
  void ShowLayerAlone();
  // What Image2 shows on the outline page. The composition is made when it is read, from the
  // picture and the layer as they are then, and kept only until Image2 is hidden: where nobody
  // looks at the outline page no copy of the picture's size is held. When it was composed from the
  // same two before, only where they were written since is made again, so a stroke costs what it
  // covers.
  const TBitmap32& Image2Picture() const;
  // Image2 was hidden: the composition is let go.
  void ReleaseLayerDisplay();
  // What lies under the layer in what Image2 shows. A screen shows the page from the picture and
  // the layer through outline::LayerDisplayRows, with the bytes of Image2Picture(), and so needs
  // no composition of the picture's size.
  // A composition is held (made by Image2Picture() and not let go since).
  bool HoldsLayerDisplay() const { return !composition_.empty(); }
  outline::LayerBase Image2Base() const {
    if (!composedShown_) return outline::LayerBase::None;
    return withPicture_ ? outline::LayerBase::Picture : outline::LayerBase::Checkerboard;
  }

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
  // Brings the composition up to date where the picture or the layer changed since it was last
  // made; false when it has to be composed whole.
  bool updateLayerDisplay() const;

  const ProgramState& source_;
  bool composedShown_ = false;  // ShowLayer, not ShowLayerAlone, was the last call
  bool withPicture_ = false;
  mutable TBitmap32 composition_;
  mutable Composition composed_;
};

}  // namespace drollo
