#include "effects/warp/swirl.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

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

namespace {

// The offsets (ox, oy) depend on the distance from the centre only through |dx| and |dy| (the
// slope enters squared), so they are kept for one radius and strength, by (|dy|, |dx|), while the
// sliders stay put; beyond kTabulatedRadius they are computed per pixel. The signs and the pixel's
// own position are added at the click, in the formula's order.

struct SwirlTable {
  int R = 0;
  int H = 0;
  double arc = 0;
  OffsetGrid grid;  // ox by u, oy by v

  std::pair<double, double> compute(int ax, int ay) const {
    // As SwirlSourceOf with dx = ax, dy = ay: the magnitudes of ox and oy.
    const double r = std::sqrt(Square(ax) + Square(ay));
    const double z = SwirlDisplacement(arc, R, H, r);
    const double m = -static_cast<double>(ax) / ay;
    return {z / std::sqrt(m * m + 1), z / std::sqrt(1 / (m * m) + 1)};
  }
};

std::shared_ptr<const SwirlTable> Table(int R, int H) {
  static std::mutex mutex;
  static std::shared_ptr<const SwirlTable> cache;
  return LastTable(cache, mutex, R, H, [&] {
    auto table = std::make_shared<SwirlTable>();
    table->R = R;
    table->H = H;
    table->arc = SwirlArcRadius(R, H);
    table->grid.fill(R, 1, [&](int ax, int ay) { return table->compute(ax, ay); });
    // Column a + dx takes the rows within sqrt(R^2 - dx^2) - 1/2 of the centre's (see swirl()).
    table->grid.split([R](int ax) { return static_cast<int>(std::sqrt(Square(R) - Square(ax))); });
    return table;
  });
}

// The rows the quadrant pass gives column a - ax and a + ax: those within sqrt(R^2 - ax^2) - 1/2
// of the centre's, rounded as the formula rounds them; an integer radicand, formed exactly in
// double (R may exceed 46340 when zoomed far out).
struct SwirlColumns {
  const SwirlParams& p;
  double halfHeight(int ax) const { return std::sqrt(Square(p.R) - Square(ax)); }
  int top(int ax) const { return Round(p.b - halfHeight(ax)) + 1; }
  int bottom(int ax) const { return Round(p.b + halfHeight(ax)) - 1; }
};

}  // namespace

void swirl(const ConstView& src, const MutableView& dst, const SwirlParams& p,
           const Progress& progress) {
  assert(src.bytesPerPixel == 3 && dst.bytesPerPixel == 3);
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const std::shared_ptr<const SwirlTable> table = Table(p.R, p.H);
  const double arc = table->arc;
  const Rect& bounds = dst.bounds;

  // Clockwise, x - ox above the centre and x + ox below it, y - oy right of it and y + oy left
  // of it; the other way round, the opposite signs.
  const double turn = p.clockwise ? 1 : -1;
  auto shiftOf = [&p, turn](int x, int y) {
    const int dx0 = x - p.a, dy = p.b - y;
    return RunShift{std::abs(dy), std::abs(dx0), dx0 > 0 ? 1 : -1, dy > 0 ? -turn : turn,
                    dx0 > 0 ? -turn : turn};
  };
  auto compute = [&table](int ax, int ay) { return table->compute(ax, ay); };
  // The pass ticks once per column of each half (above and below the centre); the patch has as
  // many rows as columns, so two ticks per row give the same count.
  const Progress twice = progress ? Progress([&progress] {
    Tick(progress);
    Tick(progress);
  })
                                  : Progress{};
  SweepQuadrantRows(dst, p.a, p.b, p.R, SwirlColumns{p},
                    DisplacedSamples(table->grid, src, dst, p.a, p.b, shiftOf, compute), twice);

  // Axis pass: the offset is z along the one tangent axis. Clockwise, the row right of the centre
  // reads from above, the column below it from the right, and so on round. The centre's row goes
  // to the sampler in runs, right of the centre and then left of it, and so does its column where
  // the destination's rows are packed (see below); otherwise the column takes one pixel per row.
  std::vector<double> z(static_cast<std::size_t>(std::max(p.R, 1)));
  for (int d = 1; d < p.R; ++d) z[d] = SwirlDisplacement(arc, p.R, p.H, d);
  if (p.b >= bounds.top && p.b < bounds.bottom) {
    RowSamples centreRow(src, dst);
    for (int d = 1; d < p.R; ++d)
      if (p.a + d >= bounds.left && p.a + d < bounds.right)
        centreRow.add(p.a + d, p.b, p.a + d, p.b - turn * z[d]);
    for (int d = 1; d < p.R; ++d)
      if (p.a - d >= bounds.left && p.a - d < bounds.right)
        centreRow.add(p.a - d, p.b, p.a - d, p.b + turn * z[d]);
  }
  if (p.a < bounds.left || p.a >= bounds.right) return;
  const int top = std::max(p.b - p.R + 1, bounds.top);
  const int bottom = std::min(p.b + p.R - 1, bounds.bottom - 1);
  // With every row of the destination a whole number of pixels long, pixel (a, y) is pixel
  // (y - top) * stride / 3 counted from (a, top): the column is one run of the sampler.
  const bool packed = dst.stride > 0 && dst.stride % 3 == 0 && src.width >= 2 && src.height >= 2 &&
                      static_cast<double>(bottom - top) * dst.stride < INT_MAX;
  auto columnSource = [&](int y) {
    return y > p.b ? p.a + turn * z[y - p.b] : p.a - turn * z[p.b - y];
  };
  if (!packed) {
    for (int y = top; y <= bottom; ++y)
      if (y != p.b) PutSample(src, dst, p.a, y, columnSource(y), y);
    return;
  }
  std::vector<double> X, Y;
  std::vector<int> at;
  for (int y = top; y <= bottom; ++y) {
    if (y == p.b) continue;
    X.push_back(columnSource(y));
    Y.push_back(y);
    at.push_back(static_cast<int>((y - top) * (dst.stride / 3)));
  }
  if (X.empty()) return;
  static const SampleRunFunction sampleRun = FastestSampleRun();
  sampleRun(X.data(), Y.data(), at.data(), static_cast<int>(X.size()), src, dst.pixel(p.a, top));
}

Writes SwirlWrites(const SwirlParams& p, const Rect& bounds) {
  return RoundWrites(p.a, p.b, p.R, bounds, SwirlColumns{p});
}

}  // namespace drollo::warp
