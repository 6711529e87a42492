#include "effects/warp/swirl.h"

#include <cassert>
#include <cmath>

#include "effects/warp/sweep.h"
#include "image/bilinear.h"

namespace drollo::warp {

using namespace detail;

double SwirlArcRadius(int R, int H) {
  assert(H != 0);
  const double half = R / 2.0;
  return (half * half + H * H) / (2 * H);
}

double SwirlDisplacement(double arcRadius, int R, int H, double r) {
  const double e = r - R / 2.0;
  return std::sqrt(arcRadius * arcRadius - e * e) + H - arcRadius;
}

SwirlSource SwirlSourceOf(const SwirlParams& p, double arcRadius, int x, int y) {
  const int dx = x - p.a;
  const int dy = p.b - y;
  const double r = std::sqrt(Square(dx) + Square(dy));
  const double z = SwirlDisplacement(arcRadius, p.R, p.H, r);
  // The two offsets, through the slope of the radius; their signs follow the quadrant.
  const double m = -static_cast<double>(dx) / dy;
  const double ox = z / std::sqrt(m * m + 1);
  const double oy = z / std::sqrt(1 / (m * m) + 1);
  SwirlSource s;
  if (p.clockwise) {
    s.x = dy > 0 ? x - ox : x + ox;
    s.y = dx > 0 ? y - oy : y + oy;
  } else {
    s.x = dy > 0 ? x + ox : x - ox;
    s.y = dx > 0 ? y + oy : y - oy;
  }
  return s;
}

Rect SwirlBounds(const SwirlParams& p) {
  if (p.R < 1) return Rect{};
  return Rect{p.a - p.R + 1, p.b - p.R + 1, p.a + p.R, p.b + p.R};
}

void swirl(const ConstView& src, const MutableView& dst, const SwirlParams& p,
           const Progress& progress) {
  assert(src.bytesPerPixel == 3 && dst.bytesPerPixel == 3);
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const double arc = SwirlArcRadius(p.R, p.H);
  const Rect& bounds = dst.bounds;

  auto pixel = [&](int x, int y) {
    SwirlSource from = SwirlSourceOf(p, arc, x, y);
    Put(dst, x, y, xiangsujuhe(from.x, from.y, src));
  };
  // An integer radicand, formed exactly in double (R may exceed 46340 when zoomed far out).
  auto halfHeight = [&](int x) { return std::sqrt(Square(p.R) - Square(x - p.a)); };
  auto above = [&](int x) { return Clip(Round(p.b - halfHeight(x)) + 1, p.b - 1, bounds); };
  auto below = [&](int x) { return Clip(p.b + 1, Round(p.b + halfHeight(x)) - 1, bounds); };
  SweepColumns(p.a + 1, p.a + p.R - 1, bounds, above, pixel, progress);
  SweepColumns(p.a + 1, p.a + p.R - 1, bounds, below, pixel, progress);
  SweepColumns(p.a - p.R + 1, p.a - 1, bounds, below, pixel, progress);
  SweepColumns(p.a - p.R + 1, p.a - 1, bounds, above, pixel, progress);

  // Axis pass: the offset is z along the one tangent axis. Clockwise, the row right of the centre
  // reads from above, the column below it from the right, and so on round.
  const double turn = p.clockwise ? 1 : -1;
  auto sample = [&](int x, int y, double xs, double ys) {
    if (bounds.contains(x, y)) Put(dst, x, y, xiangsujuhe(xs, ys, src));
  };
  for (int d = 1; d < p.R; ++d) {
    const double z = SwirlDisplacement(arc, p.R, p.H, d);
    sample(p.a + d, p.b, p.a + d, p.b - turn * z);
    sample(p.a, p.b + d, p.a + turn * z, p.b + d);
    sample(p.a - d, p.b, p.a - d, p.b + turn * z);
    sample(p.a, p.b - d, p.a - turn * z, p.b - d);
  }
}

}  // namespace drollo::warp
