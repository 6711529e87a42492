// What the work area window shows where: its client area, the scroll bars, and the two image
// controls lying at the top left of the scrolled content, Image1 with the working picture and
// Image2 with the layer display, at their display sizes.
#pragma once

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
  // What lies under the layer in what Image2 shows. Nothing keeps the page's display: a screen
  // makes each part it paints from the picture and the layer (outline::LayerDisplayRows).
  outline::LayerBase Image2Base() const { return base_; }
  // What Image2 shows, made whole from the picture and the layer as they are now.
  TBitmap32 Image2Picture() const;

 private:
  const ProgramState& source_;
  outline::LayerBase base_ = outline::LayerBase::None;
};

}  // namespace drollo
