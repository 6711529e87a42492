// The swirl: each pixel of a round patch is displaced along the tangent by an amount z that follows
// a circular arc over the radius, 0 at the centre and at the rim and H halfway out, so the patch
// twists most in its middle ring. Off the axes the tangent is computed through the slope of the
// radius, in the form below; every sample, the axes included, is bilinear.
#pragma once

#include "effects/warp/writes.h"
#include "image/picture.h"
#include "image/progress.h"

namespace drollo::warp {

struct SwirlParams {
  int a = 0;              // centre column
  int b = 0;              // centre row
  int R = 0;              // radius
  int H = 0;              // largest tangential displacement, != 0
  bool clockwise = true;  // as seen on the screen (Sphericalyouxuan); false: Sphericalzuoxuan
};

// Radius of the arc of height H over the half-width R/2.
double SwirlArcRadius(int R, int H);
// The displacement at distance r from the centre.
double SwirlDisplacement(double arcRadius, int R, int H, double r);

struct SwirlSource {
  double x = 0;
  double y = 0;
};
// Source of the destination pixel at dx = x - a (right), dy = b - y (up), both non-zero.
SwirlSource SwirlSourceOf(const SwirlParams& p, double arcRadius, int x, int y);

// The square of side 2R - 1 around the centre.
Rect SwirlBounds(const SwirlParams& p);

// One step; src is the unchanged picture, dst the region to produce (pre-filled with the picture's
// pixels). Progress ticks once per column of the quadrant pass.
void swirl(const ConstView& src, const MutableView& dst, const SwirlParams& p,
           const Progress& progress = {});

// Where swirl writes inside `bounds`, before it runs (see Writes): the round patch, the centre left
// out.
Writes SwirlWrites(const SwirlParams& p, const Rect& bounds);

}  // namespace drollo::warp
