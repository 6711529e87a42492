// The spherical bulge (a magnifying lens) and pinch (a shrinking lens) around a centre (a, b).
//
// Both are inverse mappings: each destination pixel of the round patch takes the colour found at a
// source position in the unchanged picture. Off the axes the source is sampled bilinearly; on the
// row and column through the centre the nearest pixel is copied; the centre keeps its colour.
//
// The source positions are computed through the intermediate terms below, in exactly this form and
// order: the rows of each column come from rounding those terms, so a mathematically equal but
// differently rounded formula would move the patch's edge by a pixel here and there.
//
// The kernels read the whole unchanged picture and write only a destination region (normally the
// patch's bounding box, pre-filled with the picture's own pixels), so a step costs what its patch
// costs, not what the picture costs.
#pragma once

#include <cmath>
#include <vector>

#include "effects/warp/writes.h"
#include "image/picture.h"
#include "image/progress.h"

namespace drollo::warp {

// Centre (a, b), radius R and strength (cap height) H, in picture pixels.
struct SphereParams {
  int a = 0;
  int b = 0;
  int R = 0;
  int H = 0;
};

// The sphere whose cap of height H stands on a circle of radius R: its radius rho and the distance
// sigma = rho - H from its centre to the picture plane (negative when H exceeds R).
struct Sphere {
  double rho = 0;
  double sigma = 0;
};
// Requires H != 0.
Sphere MakeSphere(int R, int H);

struct SourcePosition {
  double x = 0;
  double y = 0;
};

// --- Bulge --------------------------------------------------------------------------------------
// Terms of one offset d from the centre (a column's dx or a row's dy).
struct BulgeTerms {
  double z = 0;  // sqrt(rho^2 - d^2) - rho + H
  double h = 0;  // z + sigma
  double w = 0;  // sqrt((sigma + z)^2 - sigma^2): for a column, the half-height of the patch
};
BulgeTerms MakeBulgeTerms(const Sphere& s, int H, int d);
// Source of the destination pixel at dx = a - x, dy = b - y, from the column's and row's terms.
SourcePosition BulgeSource(int a, int b, int dx, int dy, const BulgeTerms& column,
                           const BulgeTerms& row);
// Axis pass: source position along an axis for the pixel at `pos` (centre `centre`).
double BulgeAxisSource(const Sphere& s, int centre, int pos);

// --- Pinch --------------------------------------------------------------------------------------
// Terms of one offset d != 0 from the centre.
struct PinchTerms {
  double c = 0;      // sigma + f(d) * sigma / |d|  (= sigma * rho / sqrt(sigma^2 + d^2))
  double root = 0;   // sqrt(sigma^2 + d^2)
  double ratio = 0;  // sqrt(sigma^2 / d^2 + 1)
  double f = 0;      // (rho - root) / ratio: how far the pixel at offset d reads beyond itself
};
PinchTerms MakePinchTerms(const Sphere& s, int d);
// Half-height of the column at offset dx: sqrt(cx^2 - sigma^2).
inline double PinchHalfHeight(const Sphere& s, const PinchTerms& column) {
  return std::sqrt(column.c * column.c - s.sigma * s.sigma);
}
// Source of the destination pixel (x, y) with dx = a - x, dy = b - y, both non-zero.
SourcePosition PinchSource(int x, int y, int dx, int dy, const PinchTerms& column,
                           const PinchTerms& row);
// Axis pass, before clamping to the picture.
double PinchAxisSource(const Sphere& s, int centre, int pos);

// --- Kernels ------------------------------------------------------------------------------------
// Every pixel a step may write: the square of side 2R - 1 around the centre (empty when R < 1).
Rect SphereBounds(const SphereParams& p);

// One step. src is the whole picture before the step (24 bits, never written); dst is the region
// to produce, holding the picture's own pixels there on entry; writes outside dst.bounds are
// dropped. Progress ticks once per column of the quadrant pass, whether or not the column lies in
// dst. Both require p.H != 0; src and dst must not overlap.
void bulge(const ConstView& src, const MutableView& dst, const SphereParams& p,
           const Progress& progress = {});
void pinch(const ConstView& src, const MutableView& dst, const SphereParams& p,
           const Progress& progress = {});

// Where bulge and pinch write inside `bounds`, before they run (see Writes): the round patch, the
// centre left out.
Writes BulgeWrites(const SphereParams& p, const Rect& bounds);
Writes PinchWrites(const SphereParams& p, const Rect& bounds);

}  // namespace drollo::warp
