// Screen pixels against picture pixels at a zoom. ZoomPercent screen pixels stand for 100 picture
// pixels; every conversion between the two goes through this type, so that each rounds the same
// way: to the nearest integer with halves to the even neighbour, dividing first.
//
// A length typed without bound (a radius of 2147483647 in the thickness box, which the eraser
// then takes) divided by a zoom below 100 lies beyond the int range. Such a result stays at the
// end of the range, which is further than any picture reaches, instead of wrapping round (a cast
// of an out-of-range value is undefined, and on x86 gives the most negative int).
#pragma once

#include <climits>

#include "image/pixel_math.h"

namespace drollo {

struct Zoom {
  double Percent = 100.0;

  // A work-area position or length in screen pixels as picture pixels: Round(v / Percent x 100).
  int ToPicture(int v) const { return RoundWithin(v / Percent * 100); }
  // The same in extended precision, as the outline page maps its positions onto the layer.
  int ToLayer(int v) const {
    return RoundWithin(static_cast<long double>(v) / static_cast<long double>(Percent) * 100.0L);
  }
  // A picture length as shown: Round(length x Percent / 100).
  int ToScreen(int pictureLength) const { return RoundWithin(pictureLength * Percent / 100); }

 private:
  // Round, kept within the int range.
  static int RoundWithin(long double v) {
    if (v >= static_cast<long double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<long double>(INT_MIN)) return INT_MIN;
    return Round(v);
  }
  static int RoundWithin(double v) {
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return Round(v);
  }
};

}  // namespace drollo
