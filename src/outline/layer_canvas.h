// The drawing surface of the outline layer. The layer keeps a pen between strokes (colour, width
// and style) and a pen position, as a platform canvas does; the lines and curves themselves are
// rasterised by the platform (the desktop layer draws with its own painter on the layer's memory)
// so that they look as the platform's lines look: a one-pixel dashed pen shows dashes, wider pens
// draw solid with round ends and joins. The core only holds the pen, sets single pixels and
// erases discs itself.
#pragma once

#include <array>

#include "image/bitmap32.h"
#include "image/picture.h"

namespace drollo::outline {

enum class PenStyle { Solid, Dash };

struct LayerPen {
  TColor Color = kBlack;
  int Width = 1;
  PenStyle Style = PenStyle::Solid;
  bool operator==(const LayerPen&) const = default;
};

struct CanvasPoint {
  int x = 0;
  int y = 0;
  bool operator==(const CanvasPoint&) const = default;
};

class LayerCanvas {
 public:
  virtual ~LayerCanvas() = default;

  // The pen; it persists between strokes.
  LayerPen Pen;
  CanvasPoint PenPos;

  void MoveTo(CanvasPoint p) { PenPos = p; }
  // A line with the pen from the pen position to `p`, which becomes the pen position.
  void LineTo(TBitmap32& layer, CanvasPoint p) {
    DrawLine(layer, Pen, PenPos, p);
    PenPos = p;
  }
  // The cubic Bezier curve from points[0] to points[3] with the control points between.
  void PolyBezier(TBitmap32& layer, const std::array<CanvasPoint, 4>& points) {
    DrawBezier(layer, Pen, points);
  }

  // The platform's rasterisation. Each draws only inside the layer and marks the tiles it may
  // have written (StrokeBounds), so the edit history records the stroke's cost only.
  virtual void DrawLine(TBitmap32& layer, const LayerPen& pen, CanvasPoint from,
                        CanvasPoint to) = 0;
  virtual void DrawBezier(TBitmap32& layer, const LayerPen& pen,
                          const std::array<CanvasPoint, 4>& points) = 0;
};

// A canvas that draws nothing: what the layer has when no platform painter is attached.
class NullLayerCanvas : public LayerCanvas {
 public:
  void DrawLine(TBitmap32&, const LayerPen&, CanvasPoint, CanvasPoint) override {}
  void DrawBezier(TBitmap32&, const LayerPen&, const std::array<CanvasPoint, 4>&) override {}
};

// The box that holds every pixel a stroke of `width` through `points` can touch (a Bezier curve
// lies inside the hull of its four points), grown by a pixel for the rasteriser's rounding.
template <std::size_t N>
Rect StrokeBounds(const std::array<CanvasPoint, N>& points, int width) {
  Rect r{points[0].x, points[0].y, points[0].x + 1, points[0].y + 1};
  for (const CanvasPoint& p : points) {
    if (p.x < r.left) r.left = p.x;
    if (p.y < r.top) r.top = p.y;
    if (p.x + 1 > r.right) r.right = p.x + 1;
    if (p.y + 1 > r.bottom) r.bottom = p.y + 1;
  }
  const int grow = width / 2 + 2;
  return Rect{r.left - grow, r.top - grow, r.right + grow, r.bottom + grow};
}

// Sets to white (255, 255, 255) every layer pixel of the disc of radius r around (cx, cy): for
// each column i from cx - r to cx + r, the rows cy - d to cy + d with
// d = Round(sqrt(r * r - (cx - i)^2)). The fourth bytes keep their values; pixels outside the
// layer are skipped. Only the disc's box is marked written.
void EraseDisc(TBitmap32& layer, int cx, int cy, int r);

// The text tool's commit: every pixel of `label` (a rendering of the text) whose colour is
// exactly `fontColour` is copied into the layer at (a + column, b + row); positions outside the
// layer are skipped, every other pixel of the label is left out.
void CopyFontColourPixels(const Picture& label, TColor fontColour, TBitmap32& layer, int a, int b);

}  // namespace drollo::outline
