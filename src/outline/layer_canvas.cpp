#include "outline/layer_canvas.h"

#include <algorithm>
#include <cmath>

namespace drollo::outline {

void EraseDisc(TBitmap32& layer, int cx, int cy, int r) {
  if (r < 0) return;
  // Everything in 64 bits and clipped to the layer first: a radius typed as large as an int holds
  // costs no more than the layer's own pixels.
  const long long x = cx, y = cy, rr = r;
  const long long left = std::max(x - rr, 0LL), right = std::min(x + rr, layer.width() - 1LL);
  const long long top = std::max(y - rr, 0LL), bottom = std::min(y + rr, layer.height() - 1LL);
  if (left > right || top > bottom) return;
  const MutableView v =
      layer.region(Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right) + 1,
                        static_cast<int>(bottom) + 1});
  for (long long i = left; i <= right; ++i) {
    const long long di = x - i;
    // q stays below 2^62: exact in a double up to 2^53, in a long double beyond.
    const long long q = rr * rr - di * di;
    const long long d =
        q < (1LL << 53)
            ? static_cast<long long>(std::nearbyint(std::sqrt(static_cast<double>(q))))
            : static_cast<long long>(std::nearbyint(std::sqrt(static_cast<long double>(q))));
    const long long from = std::max(y - d, top), to = std::min(y + d, bottom);
    for (long long row = from; row <= to; ++row)
      v.setPixel(static_cast<int>(i), static_cast<int>(row), kWhite);
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
