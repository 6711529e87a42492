// Bilinear sampling of a 24-bit picture at a fractional position, shared by the warps.
//
// The two axes are clamped differently on purpose: a row position between H - 2 and H - 1 keeps
// its fraction, while a column position beyond W - 2 is pulled back to W - 2, so the last column
// only ever contributes with weight 0. The clamped position is written back to the caller.
#pragma once

#include "image/picture.h"
#include "image/pixel_math.h"

namespace drollo {

// The colour at (X, Y) of a 24-bit view, interpolated between the four pixels around it. Positions
// outside the picture are clamped (X and Y then hold the clamped values). Each channel is blended
// in double precision with the weights (y0 + 1 - Y), (Y - y0), (x0 + 1 - X), (X - x0) and rounded
// once, ties to even. A picture one pixel wide or high gives the nearest pixel instead.
TColor xiangsujuhe(double& X, double& Y, const ConstView& bitmap);

// The pixel of a 24-bit view nearest to (x, y) after clamping both into the picture.
inline TColor NearestPixel(const ConstView& v, int x, int y) {
  x = x < 0 ? 0 : (x >= v.width ? v.width - 1 : x);
  y = y < 0 ? 0 : (y >= v.height ? v.height - 1 : y);
  const std::uint8_t* p = v.pixel(x, y);
  return MakeColour(p[2], p[1], p[0]);
}

}  // namespace drollo
