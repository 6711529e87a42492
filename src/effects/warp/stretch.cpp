#include "effects/warp/stretch.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "effects/warp/sweep.h"
#include "image/bilinear.h"
#include "image/parallel.h"

namespace drollo::warp {

using namespace detail;

namespace {

std::vector<PinchTerms> PinchTable(const SphereParams& p, const Sphere& s) {
  std::vector<PinchTerms> terms(p.R);
  for (int d = 1; d < p.R; ++d) terms[d] = MakePinchTerms(s, d);
  return terms;
}

// The expands' shift T = (h - z) d / sqrt(h^2 - d^2) of the pixel at offset d >= 0 along the
// stretch, in the line across it whose terms are (z, h); NaN where the root's argument is not
// positive. A pixel at offset -d reads at centre + T, which is exactly what ExpandSource gives:
// the sign goes through the product and the quotient unchanged. Kept for one radius and strength
// while the sliders stay put (up to kTabulatedRadius), one row of the table per row of pixels: by
// offset across for the vertical expand, by offset along for the horizontal one.

struct ExpandTable {
  int R = 0;
  int H = 0;
  std::vector<BulgeTerms> terms;  // by offset 0..R-1 across the stretch
  std::vector<double> shifts;     // (R + 1) x R (vertical) or R x (R + 1); empty beyond the limit
  std::vector<int> clean;         // vertical: by row, how many of its first shifts are not NaN
  bool vertical = true;
  // Vertical, up to kSplitRadius: the shifts times 1 (index 0) and -1 (index 1) split into whole
  // parts and fractions for the sampler's offset runs, whose columns are the pixels' own (a split
  // of zeros); and the largest shift of the patch's pixels.
  std::array<std::vector<int>, 2> whole;
  std::array<std::vector<float>, 2> fraction;
  std::vector<int> noWhole;
  std::vector<float> noFraction;
  double reach = 0;

  void split() {
    // A shift whose whole part an int does not hold never joins an offset run (see fits()).
    SplitTerms(shifts, whole, fraction);
    noWhole.assign(static_cast<std::size_t>(R), 0);
    noFraction.assign(static_cast<std::size_t>(R), 0);
    // Column a +- across takes the rows within Round(w) of the centre's (see verticalExpand).
    for (int across = 0; across < R; ++across)
      for (int along = 0; along <= std::min(R, Round(terms[across].w)); ++along)
        if (across < clean[along]) reach = std::max(reach, std::abs(row(along)[across]));
  }
  // Whether the source positions of every pixel of the patch around (a, b) keep clear of the
  // edges of src, as offset runs must.
  bool fits(const ConstView& src, int a, int b) const {
    return !noWhole.empty() && WholePartFits(reach) && a - R + 1 >= 0 &&
           a + R - 1 <= src.width - 3 && b - std::ceil(reach) >= 0 &&
           b + std::floor(reach) <= src.height - 3;
  }

  double shift(int across, int along) const {
    const BulgeTerms& t = terms[across];
    const double radicand = t.h * t.h - Square(along);
    if (!(radicand > 0)) return std::numeric_limits<double>::quiet_NaN();
    return (t.h - t.z) * along / std::sqrt(radicand);
  }
  // The shifts of one row of pixels: by |a - x| for the row at |b - y| = offset (vertical), by
  // |a - x| up to R for the row at |b - y| = offset (horizontal); null where none is kept.
  const double* row(int offset) const {
    if (shifts.empty() || offset > (vertical ? R : R - 1)) return nullptr;
    return shifts.data() + static_cast<std::size_t>(offset) * (vertical ? R : R + 1);
  }
};

std::shared_ptr<const ExpandTable> ExpandShifts(int R, int H, bool vertical) {
  static std::mutex mutex;
  static std::shared_ptr<const ExpandTable> kept[2];
  return LastTable(kept[vertical], mutex, R, H, [&] {
    auto table = std::make_shared<ExpandTable>();
    table->R = R;
    table->H = H;
    table->vertical = vertical;
    const Sphere s = MakeSphere(R, H);
    table->terms.resize(R);
    for (int d = 0; d < R; ++d) table->terms[d] = MakeBulgeTerms(s, H, d);
    if (R <= kTabulatedRadius) {
      table->shifts.resize(static_cast<std::size_t>(R) * (R + 1));
      double* out = table->shifts.data();
      if (vertical) {
        for (int along = 0; along <= R; ++along)
          for (int across = 0; across < R; ++across) *out++ = table->shift(across, along);
      } else {
        for (int across = 0; across < R; ++across)
          for (int along = 0; along <= R; ++along) *out++ = table->shift(across, along);
      }
      for (int along = 0; vertical && along <= R; ++along) {
        const double* row = table->row(along);
        table->clean.push_back(static_cast<int>(
            std::find_if(row, row + R, [](double v) { return std::isnan(v); }) - row));
      }
      if (vertical && R <= kSplitRadius) table->split();
    }
    return table;
  });
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
  const std::shared_ptr<const ExpandTable> table = ExpandShifts(p.R, p.H, true);
  const std::vector<BulgeTerms>& terms = table->terms;
  const Rect& bounds = dst.bounds;
  const int xl = std::max(p.a - p.R + 1, bounds.left),
            xr = std::min(p.a + p.R - 1, bounds.right - 1);
  const int columns = std::max(xr - xl + 1, 0);
  std::vector<RowSpan> spans(columns);
  int top = bounds.bottom, bottom = bounds.top - 1;
  for (int x = xl; x <= xr; ++x) {
    const double w = terms[std::abs(p.a - x)].w;
    RowSpan& span = spans[x - xl];
    span = Clip(Round(p.b - w), Round(p.b + w), bounds);
    if (span.first <= span.last) {
      top = std::min(top, span.first);
      bottom = std::max(bottom, span.last);
    }
  }
  // The spans shrink away from the centre column (w falls with the offset), so a row's pixels are
  // the columns from the first inside to the last, found by halving on each side of the centre.
  const bool nested = SpansNest(spans, xl, p.a, true);
  const SampleRunFunction sampleRun = SamplerFor(bounds);
  const SampleOffsetRunFunction sampleOffsetRun = OffsetSamplerFor(bounds);
  static const DisplacedRunFunction displacedRun = FastestPositionForms().displaced;
  const bool thin = src.width < 2 || src.height < 2;
  const bool split = table->fits(src, p.a, p.b);
  // Row by row, each row in runs of neighbouring pixels on one side of the centre column (or the
  // centre column alone); every pixel is written once, so neither the order nor the split between
  // threads can change the result.
  auto rows = [&](int y0, int y1) {
    double X[kSourceRun], Y[kSourceRun];
    int xs[kSourceRun];
    for (int y = y0; y < y1; ++y) {
      const int along = p.b - y;
      // b - T above the centre, b + T below; a product with 1 or -1 is exact.
      const double b = p.b, sign = along >= 0 ? -1 : 1;
      const double* shifts = table->row(std::abs(along));
      const int clean = shifts ? table->clean[std::abs(along)] : 0;
      std::uint8_t* out = dst.row(y);
      auto inside = [&](int x) {
        const RowSpan& span = spans[x - xl];
        return y >= span.first && y <= span.last;
      };
      // Pixels x .. x + n - 1, all on one side of the centre or the centre alone.
      auto run = [&](int x, int n) {
        const int d0 = std::abs(p.a - x), step = x < p.a ? -1 : 1;
        // Where the patch keeps clear of the edges and the run's shifts are all defined, they go
        // to the sampler split: the column x + i as (x + i) + 0 T.
        const int farthest = step > 0 ? d0 + n - 1 : d0;
        if (split && shifts && farthest < clean) {
          const std::size_t row = static_cast<std::size_t>(std::abs(along)) * p.R;
          const int s = sign > 0 ? 0 : 1;
          const OffsetRun offsets{.x = x,
                                  .y = p.b,
                                  .n = n,
                                  .a0 = d0,
                                  .step = step,
                                  .u = shifts,
                                  .v = shifts,
                                  .sx = 0,
                                  .sy = sign,
                                  .xWhole = table->noWhole.data(),
                                  .xFraction = table->noFraction.data(),
                                  .yWhole = table->whole[s].data() + row,
                                  .yFraction = table->fraction[s].data() + row};
          sampleOffsetRun(offsets, src, out);
          return;
        }
        if (shifts) {
          // The source column is the pixel's own: x + i, as (x + i) + 0 T.
          displacedRun(RunTerms{shifts, shifts, d0, step, n}, DisplacedPositions{x, p.b, 0.0, sign},
                       X, Y);
        } else {
          for (int i = 0; i < n; ++i) {
            X[i] = x + i;
            Y[i] = b + sign * table->shift(d0 + step * i, std::abs(along));
          }
        }
        // Where the root has no positive argument the pixel keeps its colour. A run whose offsets
        // all lie before the row's first such shift has none.
        if (thin ||
            (farthest >= clean && std::any_of(Y, Y + n, [](double v) { return std::isnan(v); }))) {
          int kept = 0;
          for (int i = 0; i < n; ++i)
            if (!std::isnan(Y[i])) X[kept] = x + i, Y[kept] = Y[i], xs[kept++] = x + i;
          if (thin)
            for (int i = 0; i < kept; ++i) PutSample(src, dst, xs[i], y, X[i], Y[i]);
          else if (kept > 0)
            sampleRun(X, Y, xs, kept, src, out);
        } else {
          sampleRun(X, Y, kConsecutive.data(), n, src, out + 3 * x);
        }
      };
      auto side = [&](int from, int to) {  // columns from .. to, on one side of the centre
        for (int x = from; x <= to; x += kSourceRun) run(x, std::min(kSourceRun, to - x + 1));
      };
      if (nested) {
        // From the first column inside, left of or at the centre, to the last, right of or at it.
        const int first = FirstInside(xl, std::min(xr, p.a), inside);
        const int last = LastInside(std::max(xl, p.a), xr, inside);
        side(first, std::min(xr, p.a - 1));
        // The centre column (offset 0) starts the run to its right, whose offsets grow from it.
        side(p.a >= xl && p.a <= xr && inside(p.a) ? p.a : std::max(xl, p.a + 1), last);
        continue;
      }
      for (int x = xl; x <= xr;) {
        if (!inside(x)) {
          ++x;
          continue;
        }
        const int end = x < p.a ? std::min(p.a - 1, xr) : xr;
        int n = 1;
        while (n < kSourceRun && x + n <= end && inside(x + n)) ++n;
        run(x, n);
        x += n;
      }
    }
  };
  // The progress ticks once per column of the patch, whether or not it lies in the destination.
  int ticks = 0;
  const int patchColumns = 2 * p.R - 1;
  const Progress perRow = progress ? Progress([&] {
    if (ticks < patchColumns) ++ticks, Tick(progress);
  })
                                   : Progress{};
  ForRows(top, bottom + 1, rows, perRow, 16);
  for (; ticks < patchColumns && progress; ++ticks) Tick(progress);
}

void horizontalExpand(const ConstView& src, const MutableView& dst, const SphereParams& p,
                      const Progress& progress) {
  assert(!Overlap(src, dst));
  if (p.R < 1) return;
  const std::shared_ptr<const ExpandTable> table = ExpandShifts(p.R, p.H, false);
  const std::vector<BulgeTerms>& terms = table->terms;
  const Rect& bounds = dst.bounds;
  auto rows = [&](int y0, int y1) {
    RowSamples samples(src, dst);
    for (int y = std::max(y0, bounds.top); y < std::min(y1, bounds.bottom); ++y) {
      const int across = std::abs(p.b - y);
      const BulgeTerms& row = terms[across];
      const double* shifts = table->row(across);
      const double a = p.a;
      const int x0 = std::max(Round(p.a - row.w), bounds.left);
      const int x1 = std::min(Round(p.a + row.w), bounds.right - 1);
      for (int x = x0; x <= x1; ++x) {
        const int along = p.a - x;
        const int d = std::abs(along);
        const double shift = shifts && d <= p.R ? shifts[d] : table->shift(across, d);
        if (std::isnan(shift)) continue;
        samples.add(x, y, along >= 0 ? a - shift : a + shift, y);
      }
    }
  };
  ForRows(p.b - p.R + 1, p.b + p.R, rows, progress, 16);
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
