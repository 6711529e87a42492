#include "outline/layer_canvas.h"

#include <cmath>

namespace drollo::outline {

void EraseDisc(TBitmap32& layer, int cx, int cy, int r) {
  if (r < 0) return;
  const Rect box = Rect{cx - r, cy - r, cx + r + 1, cy + r + 1}.intersected(layer.rect());
  if (box.empty()) return;
  const MutableView v = layer.region(box);
  for (int i = cx - r; i <= cx + r; ++i) {
    const long long di = cx - i;
    const int d = Round(std::sqrt(static_cast<double>(static_cast<long long>(r) * r - di * di)));
    for (int row = cy - d; row <= cy + d; ++row) v.setPixel(i, row, kWhite);
  }
}

void CopyFontColourPixels(const Picture& label, TColor fontColour, TBitmap32& layer, int a, int b) {
  const Rect target = Rect{a, b, a + label.width(), b + label.height()}.intersected(layer.rect());
  if (target.empty()) return;
  const MutableView v = layer.region(target);
  for (int row = target.top; row < target.bottom; ++row)
    for (int col = target.left; col < target.right; ++col)
      if (label.pixel(col - a, row - b) == fontColour) v.setPixel(col, row, fontColour);
}

}  // namespace drollo::outline
