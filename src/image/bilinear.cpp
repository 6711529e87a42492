#include "image/bilinear.h"

#include <cassert>

namespace drollo {

namespace {

int ClampChannel(int v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Outside the sampler's domain (fewer than two columns or rows) the nearest pixel is the only
// sound answer; the position is clamped and written back as for wider pictures.
TColor NearestOfThinPicture(double& X, double& Y, const ConstView& v) {
  if (!(X >= 0)) X = 0;
  if (X > v.width - 1) X = v.width - 1;
  if (!(Y >= 0)) Y = 0;
  if (Y > v.height - 1) Y = v.height - 1;
  return NearestPixel(v, Round(X), Round(Y));
}

}  // namespace

TColor xiangsujuhe(double& X, double& Y, const ConstView& bitmap) {
  assert(bitmap.bytesPerPixel == 3);
  const int w = bitmap.width;
  const int h = bitmap.height;
  if (w < 2 || h < 2) return NearestOfThinPicture(X, Y, bitmap);

  int y0;
  if (Y >= 0 && Y < h - 1) {
    y0 = Trunc(Y);
  } else if (Y < 0) {
    Y = 0;
    y0 = 0;
  } else {  // at or beyond the last row (and NaN, which must not reach Trunc)
    Y = h - 2;
    y0 = h - 2;
  }
  // Written as "not at least 0" so that NaN is clamped too.
  if (!(X >= 0)) {
    X = 0;
  } else if (X > w - 2) {
    X = w - 2;
  }
  const int x0 = Trunc(X);

  const double wy0 = y0 + 1 - Y;
  const double wy1 = Y - y0;
  const double wx0 = x0 + 1 - X;
  const double wx1 = X - x0;

  const std::uint8_t* top = bitmap.row(y0) + 3 * x0;
  const std::uint8_t* bottom = bitmap.row(y0 + 1) + 3 * x0;
  int bgr[3];
  for (int c = 0; c < 3; ++c) {
    const double v =
        (top[c] * wy0 + bottom[c] * wy1) * wx0 + (top[3 + c] * wy0 + bottom[3 + c] * wy1) * wx1;
    bgr[c] = ClampChannel(Round(v));
  }
  return MakeColour(bgr[2], bgr[1], bgr[0]);
}

}  // namespace drollo
