#include "effects/warp/stretch.h"

#include <cassert>
#include <cmath>
#include <limits>
#include <vector>

#include "effects/warp/sweep.h"
#include "image/bilinear.h"

namespace drollo::warp {

using namespace detail;

namespace {

std::vector<BulgeTerms> BulgeTable(const SphereParams& p, const Sphere& s) {
  std::vector<BulgeTerms> terms(p.R);
  for (int d = 0; d < p.R; ++d) terms[d] = MakeBulgeTerms(s, p.H, d);
  return terms;
}

std::vector<PinchTerms> PinchTable(const SphereParams& p, const Sphere& s) {
  std::vector<PinchTerms> terms(p.R);
  for (int d = 1; d < p.R; ++d) terms[d] = MakePinchTerms(s, d);
  return terms;
}

// The quadrant pass of both shrinks: the pinch's region and order, with the source position of
// each pixel given by `source(x, y, dx, dy, column, row)`.
template <typename Source>
void ShrinkQuadrants(const ConstView& src, const MutableView& dst, const SphereParams& p,
                     const Sphere& s, const std::vector<PinchTerms>& terms, Source source,
                     const Progress& progress) {
  const Rect& bounds = dst.bounds;
  RowSamples samples(src, dst);
  auto pixel = [&](int x, int y) {
    const int dx = p.a - x, dy = p.b - y;
    double xs, ys;
    source(x, y, dx, dy, terms[std::abs(dx)], terms[std::abs(dy)], xs, ys);
    samples.add(x, y, xs, ys);
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
}

}  // namespace

double ExpandSource(int centre, int dAlong, const BulgeTerms& across) {
  const double radicand = across.h * across.h - Square(dAlong);
  if (!(radicand > 0)) return std::numeric_limits<double>::quiet_NaN();
  return centre - (across.h - across.z) * dAlong / std::sqrt(radicand);
}

Rect VerticalExpandBounds(const SphereParams& p) {
  if (p.R < 1) return Rect{};
  return Rect{p.a - p.R + 1, p.b - p.R, p.a + p.R, p.b + p.R + 1};
}

Rect HorizontalExpandBounds(const SphereParams& p) {
  if (p.R < 1) return Rect{};
  return Rect{p.a - p.R, p.b - p.R + 1, p.a + p.R + 1, p.b + p.R};
}

void verticalExpand(const ConstView& src, const MutableView& dst, const SphereParams& p,
                    const Progress& progress) {
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const Sphere s = MakeSphere(p.R, p.H);
  const std::vector<BulgeTerms> terms = BulgeTable(p, s);
  auto rows = [&](int x) {
    const double w = terms[std::abs(p.a - x)].w;
    return Clip(Round(p.b - w), Round(p.b + w), dst.bounds);
  };
  RowSamples samples(src, dst);
  auto pixel = [&](int x, int y) {
    const int dx = p.a - x;
    double ys = ExpandSource(p.b, p.b - y, terms[std::abs(dx)]);
    if (std::isnan(ys)) return;
    samples.add(x, y, x, ys);
  };
  SweepColumns(p.a - p.R + 1, p.a + p.R - 1, dst.bounds, rows, pixel, progress);
}

void horizontalExpand(const ConstView& src, const MutableView& dst, const SphereParams& p,
                      const Progress& progress) {
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const Sphere s = MakeSphere(p.R, p.H);
  const std::vector<BulgeTerms> terms = BulgeTable(p, s);
  const Rect& bounds = dst.bounds;
  RowSamples samples(src, dst);
  for (int y = p.b - p.R + 1; y <= p.b + p.R - 1; ++y) {
    if (y >= bounds.top && y < bounds.bottom) {
      const int dy = p.b - y;
      const BulgeTerms& row = terms[std::abs(dy)];
      const int x0 = std::max(Round(p.a - row.w), bounds.left);
      const int x1 = std::min(Round(p.a + row.w), bounds.right - 1);
      for (int x = x0; x <= x1; ++x) {
        double xs = ExpandSource(p.a, p.a - x, row);
        if (std::isnan(xs)) continue;
        samples.add(x, y, xs, y);
      }
    }
    Tick(progress);
  }
}

void verticalShrink(const ConstView& src, const MutableView& dst, const SphereParams& p,
                    const Progress& progress) {
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const Sphere s = MakeSphere(p.R, p.H);
  const std::vector<PinchTerms> terms = PinchTable(p, s);
  ShrinkQuadrants(
      src, dst, p, s, terms,
      [](int x, int y, int dx, int dy, const PinchTerms& column, const PinchTerms& row, double& xs,
         double& ys) {
        xs = x;
        ys = PinchSource(x, y, dx, dy, column, row).y;
      },
      progress);
  // Column a, bilinear, no clamping of its own; row b keeps its colour.
  if (p.a < dst.bounds.left || p.a >= dst.bounds.right) return;
  for (int y = p.b - p.R + 1; y <= p.b + p.R - 1; ++y) {
    if (y == p.b || y < dst.bounds.top || y >= dst.bounds.bottom) continue;
    const int dy = p.b - y;
    double xs = p.a;
    double ys = dy > 0 ? y - terms[dy].f : y + terms[-dy].f;
    Put(dst, p.a, y, xiangsujuhe(xs, ys, src));
  }
}

void horizontalShrink(const ConstView& src, const MutableView& dst, const SphereParams& p,
                      const Progress& progress) {
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const Sphere s = MakeSphere(p.R, p.H);
  const std::vector<PinchTerms> terms = PinchTable(p, s);
  ShrinkQuadrants(
      src, dst, p, s, terms,
      [](int x, int y, int dx, int dy, const PinchTerms& column, const PinchTerms& row, double& xs,
         double& ys) {
        xs = PinchSource(x, y, dx, dy, column, row).x;
        ys = y;
      },
      progress);
  // Row b, bilinear; column a keeps its colour.
  if (p.b < dst.bounds.top || p.b >= dst.bounds.bottom) return;
  for (int x = p.a - p.R + 1; x <= p.a + p.R - 1; ++x) {
    if (x == p.a || x < dst.bounds.left || x >= dst.bounds.right) continue;
    const int dx = p.a - x;
    double xs = dx > 0 ? x - terms[dx].f : x + terms[-dx].f;
    double ys = p.b;
    Put(dst, x, p.b, xiangsujuhe(xs, ys, src));
  }
}

}  // namespace drollo::warp
