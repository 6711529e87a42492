#include "effects/warp/spherical.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

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

// The terms of a source position that depend only on the offset (|dx|, |dy|) from the centre, for
// one radius and strength. The bulge keeps T = (h - z) d / sqrt(h^2 - d^2) of both axes, the
// pinch its two shifts; what depends on the centre is added at the click, in the formula's own
// order, so the positions are the very doubles the formula gives. Up to kTabulatedRadius the
// table is kept while the sliders stay put (4 MB at R = 500); beyond, each entry is computed when
// it is needed.

struct LensTable {
  int R = 0;
  int H = 0;
  Sphere s;
  std::vector<BulgeTerms> bulge;  // by offset 0..R-1, for the bulge
  std::vector<double> w;          // their w, by offset
  std::vector<PinchTerms> pinch;  // by offset 1..R-1, for the pinch
  OffsetGrid grid;

  std::pair<double, double> compute(int ax, int ay) const {
    if (!bulge.empty()) {
      const BulgeTerms& row = bulge[ay];
      const BulgeTerms& column = bulge[ax];
      return {(row.h - row.z) * ax / std::sqrt(row.h * row.h - Square(ax)),
              (column.h - column.z) * ay / std::sqrt(column.h * column.h - Square(ay))};
    }
    const PinchTerms& row = pinch[ay];
    const PinchTerms& column = pinch[ax];
    return {(row.c - column.root) / column.ratio, (column.c - row.root) / row.ratio};
  }

  // The pinch's half height at offset |dx| = ax (0 < ax < R): column a + dx takes the rows less
  // than it away from the centre's.
  int pinchHalf(int ax) const { return Round(PinchHalfHeight(s, pinch[ax])); }
};

// The last table of each lens, shared with the steps that use it.
std::shared_ptr<const LensTable> CachedTable(std::shared_ptr<const LensTable>& cache, int R, int H,
                                             bool isBulge) {
  static std::mutex mutex;
  return LastTable(cache, mutex, R, H, [&] {
    auto table = std::make_shared<LensTable>();
    table->R = R;
    table->H = H;
    table->s = MakeSphere(R, H);
    if (isBulge) {
      table->bulge.resize(R);
      table->w.resize(R);
      for (int d = 0; d < R; ++d) {
        table->bulge[d] = MakeBulgeTerms(table->s, H, d);
        table->w[d] = table->bulge[d].w;
      }
    } else {
      table->pinch.resize(R);
      for (int d = 1; d < R; ++d) table->pinch[d] = MakePinchTerms(table->s, d);
    }
    table->grid.fill(R, isBulge ? 0 : 1, [&](int ax, int ay) { return table->compute(ax, ay); });
    if (isBulge)
      table->grid.splitLens([&](int ax) {
        const double w = table->w[ax];
        return std::isfinite(w) && w < R ? static_cast<int>(std::ceil(w)) : R - 1;
      });
    else
      table->grid.split([&](int ax) { return ax == 0 ? 0 : table->pinchHalf(ax) - 1; });
    return table;
  });
}

std::shared_ptr<const LensTable> BulgeTable(int R, int H) {
  static std::shared_ptr<const LensTable> cache;
  return CachedTable(cache, R, H, true);
}

std::shared_ptr<const LensTable> PinchTable(int R, int H) {
  static std::shared_ptr<const LensTable> cache;
  return CachedTable(cache, R, H, false);
}

// The rows the quadrant pass gives column a - ax and a + ax: from top(ax) down to the row above
// the centre's, and from the row below it down to bottom(ax). The kernels clip them to their
// destination (SweepQuadrantRows); BulgeWrites and PinchWrites read them whole.
struct BulgeColumns {
  const SphereParams& p;
  const std::vector<BulgeTerms>& terms;
  int top(int ax) const { return Round(p.b - terms[ax].w) + 1; }
  int bottom(int ax) const { return Round(p.b + terms[ax].w) - 1; }
};
struct PinchColumns {
  const SphereParams& p;
  const LensTable& table;
  int top(int ax) const { return p.b - table.pinchHalf(ax) + 1; }
  int bottom(int ax) const { return p.b + table.pinchHalf(ax) - 1; }
};

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
  const std::shared_ptr<const LensTable> table = BulgeTable(p.R, p.H);
  const std::vector<BulgeTerms>& terms = table->bulge;
  const LensRunFunction lensRun = FastestPositionForms().lens;

  // Source of (x, y) = a + ... written as the formula does, from the tabulated offset terms:
  // ((w - T) + a) - w, with T odd in the offset, so the table holds it for |dx|, |dy| only. A run
  // lies on one side of the centre, so the signs hold for all of it; the sign is applied as a
  // product with 1 or -1, which is exact.
  auto shiftOf = [&p](int x, int y) {
    const int dx0 = p.a - x, dy = p.b - y;
    return RunShift{std::abs(dy), std::abs(dx0), dx0 > 0 ? -1 : 1, dx0 > 0 ? 1.0 : -1.0,
                    dy > 0 ? 1.0 : -1.0};
  };
  auto lensOf = [&](const RunShift& s) {
    return OffsetRunLens{.w = table->w.data(),
                         .K = terms[s.ay].w,
                         .cx = static_cast<double>(p.a),
                         .cy = static_cast<double>(p.b)};
  };
  auto source = [&](int x, int y, int n, double* X, double* Y) {
    const RunShift s = shiftOf(x, y);
    const OffsetRunLens l = lensOf(s);
    const LensPositions lens{.w = l.w, .K = l.K, .a = l.cx, .sx = s.sx, .b = l.cy, .sy = s.sy};
    if (table->grid.tabulated()) {
      lensRun(TermsOfRun(table->grid, s.ay, s.ax0, s.step, n), lens, X, Y);
      return;
    }
    for (int i = 0, ax = s.ax0; i < n; ++i, ax += s.step) {
      const auto [u, v] = table->compute(ax, s.ay);
      X[i] = ((lens.K - s.sx * u) + lens.a) - lens.K;
      Y[i] = ((lens.w[ax] - s.sy * v) + lens.b) - lens.w[ax];
    }
  };
  // The pass ticks once per column of each half (above and below the centre); the patch has as
  // many rows as columns, so two ticks per row give the same count.
  const Progress twice = progress ? Progress([&progress] {
    Tick(progress);
    Tick(progress);
  })
                                  : Progress{};
  const auto samples = SplitOrPositionSamples(table->grid, src, dst, p.a, p.b, shiftOf, lensOf,
                                              SamplesAt(src, dst, source));
  SweepQuadrantRows(dst, p.a, p.b, p.R, BulgeColumns{p, terms}, samples, twice);

  AxisPass(src, dst, p,
           [&](int centre, int pos) { return BulgeAxisSource(table->s, centre, pos); });
}

void pinch(const ConstView& src, const MutableView& dst, const SphereParams& p,
           const Progress& progress) {
  assert(src.bytesPerPixel == 3 && dst.bytesPerPixel == 3);
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const std::shared_ptr<const LensTable> table = PinchTable(p.R, p.H);

  // The sign moves away from the centre: minus left of and above it, plus right of and below.
  auto shiftOf = [&p](int x, int y) {
    const int dx0 = p.a - x, dy = p.b - y;
    return RunShift{std::abs(dy), std::abs(dx0), dx0 > 0 ? -1 : 1, dx0 > 0 ? -1.0 : 1.0,
                    dy > 0 ? -1.0 : 1.0};
  };
  auto compute = [&table](int ax, int ay) { return table->compute(ax, ay); };
  SweepQuadrantRows(dst, p.a, p.b, p.R, PinchColumns{p, *table},
                    DisplacedSamples(table->grid, src, dst, p.a, p.b, shiftOf, compute), progress);

  AxisPass(src, dst, p,
           [&](int centre, int pos) { return PinchAxisSource(table->s, centre, pos); });
}

Writes BulgeWrites(const SphereParams& p, const Rect& bounds) {
  if (p.R < 1) return Writes(static_cast<std::size_t>(std::max(bounds.height(), 0)));
  const std::shared_ptr<const LensTable> table = BulgeTable(p.R, p.H);
  return RoundWrites(p.a, p.b, p.R, bounds, BulgeColumns{p, table->bulge});
}

Writes PinchWrites(const SphereParams& p, const Rect& bounds) {
  if (p.R < 1) return Writes(static_cast<std::size_t>(std::max(bounds.height(), 0)));
  const std::shared_ptr<const LensTable> table = PinchTable(p.R, p.H);
  return RoundWrites(p.a, p.b, p.R, bounds, PinchColumns{p, *table});
}

}  // namespace drollo::warp
