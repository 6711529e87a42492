#include "effects/warp/spherical.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "effects/warp/sweep.h"
#include "image/bilinear.h"

namespace drollo::warp {

namespace {
using namespace detail;

// The axis pass of both warps: nearest-pixel copies along row b and column a, the centre left out.
// A source position beyond the picture takes the nearest border pixel.
template <typename AxisSource>
void AxisPass(const ConstView& src, const MutableView& dst, const SphereParams& p,
              AxisSource source) {
  const Rect& bounds = dst.bounds;
  if (p.b >= bounds.top && p.b < bounds.bottom) {
    const int lo = std::max(p.a - p.R + 1, bounds.left);
    const int hi = std::min(p.a + p.R - 1, bounds.right - 1);
    for (int x = lo; x <= hi; ++x) {
      if (x == p.a) continue;
      Put(dst, x, p.b, NearestPixel(src, Round(source(p.a, x)), p.b));
    }
  }
  if (p.a >= bounds.left && p.a < bounds.right) {
    const int lo = std::max(p.b - p.R + 1, bounds.top);
    const int hi = std::min(p.b + p.R - 1, bounds.bottom - 1);
    for (int y = lo; y <= hi; ++y) {
      if (y == p.b) continue;
      Put(dst, p.a, y, NearestPixel(src, p.a, Round(source(p.b, y))));
    }
  }
}

}  // namespace

Sphere MakeSphere(int R, int H) {
  assert(H != 0);
  Sphere s;
  // The sum and 2H are integers; only the division is in floating point.
  const long long num = static_cast<long long>(H) * H + static_cast<long long>(R) * R;
  s.rho = static_cast<double>(num) / static_cast<double>(2LL * H);
  s.sigma = s.rho - H;
  return s;
}

BulgeTerms MakeBulgeTerms(const Sphere& s, int H, int d) {
  BulgeTerms t;
  t.z = std::sqrt(s.rho * s.rho - Square(d)) - s.rho + H;
  t.h = t.z + s.sigma;
  t.w = std::sqrt((s.sigma + t.z) * (s.sigma + t.z) - s.sigma * s.sigma);
  return t;
}

SourcePosition BulgeSource(int a, int b, int dx, int dy, const BulgeTerms& column,
                           const BulgeTerms& row) {
  SourcePosition s;
  s.x = row.w - (row.h - row.z) * dx / std::sqrt(row.h * row.h - Square(dx)) + a - row.w;
  s.y = column.w - (column.h - column.z) * dy / std::sqrt(column.h * column.h - Square(dy)) + b -
        column.w;
  return s;
}

double BulgeAxisSource(const Sphere& s, int centre, int pos) {
  const int d = centre - pos;
  return centre - s.sigma * d / std::sqrt(s.rho * s.rho - Square(d));
}

PinchTerms MakePinchTerms(const Sphere& s, int d) {
  assert(d != 0);
  PinchTerms t;
  t.root = std::sqrt(s.sigma * s.sigma + Square(d));
  t.ratio = std::sqrt(s.sigma * s.sigma / Square(d) + 1);
  t.f = (s.rho - t.root) / t.ratio;
  const double q = t.f * s.sigma / std::abs(d);
  t.c = s.sigma + q;
  return t;
}

SourcePosition PinchSource(int x, int y, int dx, int dy, const PinchTerms& column,
                           const PinchTerms& row) {
  // The sign moves away from the centre: minus left of and above it, plus right of and below it.
  SourcePosition s;
  const double sx = (row.c - column.root) / column.ratio;
  const double sy = (column.c - row.root) / row.ratio;
  s.x = dx > 0 ? x - sx : x + sx;
  s.y = dy > 0 ? y - sy : y + sy;
  return s;
}

double PinchAxisSource(const Sphere& s, int centre, int pos) {
  if (pos < centre) {
    const int d = centre - pos;
    return centre - d * s.rho / std::sqrt(s.sigma * s.sigma + Square(d));
  }
  const int d = pos - centre;
  return centre + d * s.rho / std::sqrt(s.sigma * s.sigma + Square(d));
}

Rect SphereBounds(const SphereParams& p) {
  if (p.R < 1) return Rect{};
  return Rect{p.a - p.R + 1, p.b - p.R + 1, p.a + p.R, p.b + p.R};
}

void bulge(const ConstView& src, const MutableView& dst, const SphereParams& p,
           const Progress& progress) {
  assert(src.bytesPerPixel == 3 && dst.bytesPerPixel == 3);
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const Sphere s = MakeSphere(p.R, p.H);
  // The terms depend on the offset only through its square: one table serves rows and columns.
  std::vector<BulgeTerms> terms(p.R);
  for (int d = 0; d < p.R; ++d) terms[d] = MakeBulgeTerms(s, p.H, d);
  const Rect& bounds = dst.bounds;

  // Quadrant pass: above the centre (left, then right), then below it (right, then left).
  auto pixel = [&](int x, int y) {
    const int dx = p.a - x, dy = p.b - y;
    SourcePosition from = BulgeSource(p.a, p.b, dx, dy, terms[std::abs(dx)], terms[std::abs(dy)]);
    Put(dst, x, y, xiangsujuhe(from.x, from.y, src));
  };
  auto above = [&](int x) {
    return Clip(Round(p.b - terms[std::abs(p.a - x)].w) + 1, p.b - 1, bounds);
  };
  auto below = [&](int x) {
    return Clip(p.b + 1, Round(p.b + terms[std::abs(p.a - x)].w) - 1, bounds);
  };
  SweepColumns(p.a - p.R + 1, p.a - 1, bounds, above, pixel, progress);
  SweepColumns(p.a + 1, p.a + p.R - 1, bounds, above, pixel, progress);
  SweepColumns(p.a + 1, p.a + p.R - 1, bounds, below, pixel, progress);
  SweepColumns(p.a - p.R + 1, p.a - 1, bounds, below, pixel, progress);

  AxisPass(src, dst, p, [&s](int centre, int pos) { return BulgeAxisSource(s, centre, pos); });
}

void pinch(const ConstView& src, const MutableView& dst, const SphereParams& p,
           const Progress& progress) {
  assert(src.bytesPerPixel == 3 && dst.bytesPerPixel == 3);
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const Sphere s = MakeSphere(p.R, p.H);
  std::vector<PinchTerms> terms(p.R);
  for (int d = 1; d < p.R; ++d) terms[d] = MakePinchTerms(s, d);
  const Rect& bounds = dst.bounds;

  // Quadrant pass: the columns left of the centre, then right of it; in each column the rows
  // above the centre and those below. The order does not matter (every pixel is written once), so
  // each strip of columns is walked twice, above the centre and below it; the ticks come with the
  // second walk.
  auto pixel = [&](int x, int y) {
    const int dx = p.a - x, dy = p.b - y;
    SourcePosition from = PinchSource(x, y, dx, dy, terms[std::abs(dx)], terms[std::abs(dy)]);
    Put(dst, x, y, xiangsujuhe(from.x, from.y, src));
  };
  auto half = [&](int x) { return Round(PinchHalfHeight(s, terms[std::abs(p.a - x)])); };
  auto above = [&](int x) { return Clip(p.b - half(x) + 1, p.b - 1, bounds); };
  auto below = [&](int x) { return Clip(p.b + 1, p.b + half(x) - 1, bounds); };
  for (const auto& [x0, x1] :
       {std::pair{p.a - p.R + 1, p.a - 1}, std::pair{p.a + 1, p.a + p.R - 1}}) {
    for (int s0 = x0; s0 <= x1; s0 += kStrip) {
      const int s1 = std::min(x1, s0 + kStrip - 1);
      SweepColumns(s0, s1, bounds, above, pixel, Progress{});
      SweepColumns(s0, s1, bounds, below, pixel, progress);
    }
  }

  AxisPass(src, dst, p, [&s](int centre, int pos) { return PinchAxisSource(s, centre, pos); });
}

}  // namespace drollo::warp
