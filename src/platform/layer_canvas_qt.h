// The outline layer's canvas drawn by Qt: a QPainter on a QImage that wraps the layer's own rows
// (32 bits, blue, green, red, fourth byte), without antialiasing, so strokes look as platform
// lines do. A one-pixel dashed pen shows dashes of 18 pixels drawn and 6 left; a wider pen always
// draws solid with round ends and joins; a one-pixel line leaves out its last point.
#pragma once

#include <array>

#include "outline/layer_canvas.h"

namespace drollo::platform {

class QtLayerCanvas : public outline::LayerCanvas {
 public:
  void DrawLine(TBitmap32& layer, const outline::LayerPen& pen, outline::CanvasPoint from,
                outline::CanvasPoint to) override;
  void DrawBezier(TBitmap32& layer, const outline::LayerPen& pen,
                  const std::array<outline::CanvasPoint, 4>& points) override;
};

}  // namespace drollo::platform
