// Screen pixels against picture pixels at a zoom. ZoomPercent screen pixels stand for 100 picture
// pixels; every conversion between the two goes through this type, so that each rounds the same
// way: to the nearest integer with halves to the even neighbour, dividing first.
#pragma once

#include "image/pixel_math.h"

namespace drollo {

struct Zoom {
  double Percent = 100.0;

  // A work-area position or length in screen pixels as picture pixels: Round(v / Percent x 100).
  int ToPicture(int v) const { return Round(v / Percent * 100); }
  // The same in extended precision, as the outline page maps its positions onto the layer.
  int ToLayer(int v) const {
    return Round(static_cast<long double>(v) / static_cast<long double>(Percent) * 100.0L);
  }
  // A picture length as shown: Round(length x Percent / 100).
  int ToScreen(int pictureLength) const { return Round(pictureLength * Percent / 100); }
};

}  // namespace drollo
