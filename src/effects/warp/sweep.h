// Helpers shared by the warp kernels: pixel writes into a destination region and the column
// sweeps over a patch.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "image/bilinear.h"
#include "image/parallel.h"
#include "image/picture.h"
#include "image/pixel_math.h"
#include "image/progress.h"

namespace drollo::warp::detail {

// The warps keep the terms of their source positions for one radius and strength while the
// sliders stay put, up to this radius; beyond, each is computed when it is needed.
constexpr int kTabulatedRadius = 1024;

// The table of the last radius and strength, kept in `kept` and shared with the steps that use it:
// made by make() when the radius or the strength changed. Tables have members R and H.
template <typename Table, typename Make>
std::shared_ptr<const Table> LastTable(std::shared_ptr<const Table>& kept, std::mutex& mutex, int R,
                                       int H, Make make) {
  {
    std::lock_guard lock(mutex);
    if (kept && kept->R == R && kept->H == H) return kept;
  }
  std::shared_ptr<const Table> table = make();
  std::lock_guard lock(mutex);
  kept = table;
  return table;
}

inline double Square(int d) {
  return static_cast<double>(d) * d;
}

inline void Put(const MutableView& dst, int x, int y, TColor c) {
  std::uint8_t* p = dst.pixel(x, y);
  p[0] = static_cast<std::uint8_t>(BlueOf(c));
  p[1] = static_cast<std::uint8_t>(GreenOf(c));
  p[2] = static_cast<std::uint8_t>(RedOf(c));
}

// The bilinear sample of src at (X, Y), stored at (x, y) of dst: SampleBgr, or xiangsujuhe
// itself on a picture narrower or lower than two pixels.
inline void PutSample(const ConstView& src, const MutableView& dst, int x, int y, double X,
                      double Y) {
  if (src.width < 2 || src.height < 2)
    Put(dst, x, y, xiangsujuhe(X, Y, src));
  else
    SampleBgr(X, Y, src, dst.pixel(x, y));
}

inline bool Overlap(const ConstView& src, const MutableView& dst) {
  if (dst.bounds.empty() || src.height == 0) return false;
  const std::uint8_t* srcEnd = src.row(src.height - 1) + src.width * src.bytesPerPixel;
  const std::uint8_t* dstBegin = dst.pixel(dst.bounds.left, dst.bounds.top);
  const std::uint8_t* dstEnd = dst.pixel(dst.bounds.right, dst.bounds.bottom - 1);
  return dstBegin < srcEnd && src.data < dstEnd;
}

// Rows lo..hi (inclusive) clipped to the destination.
struct RowSpan {
  int first;
  int last;
};
inline RowSpan Clip(int lo, int hi, const Rect& bounds) {
  return RowSpan{std::max(lo, bounds.top), std::min(hi, bounds.bottom - 1)};
}

// Visits the pixels of columns x0..x1, each column's rows given by `rowsOf(x)` (already clipped),
// in strips of kStrip columns: within a strip row by row, so a tall patch on a wide picture walks
// its rows once per strip rather than once per column (a column walk touches a new memory page on
// every row). Every pixel is written once, so the order cannot change the result. The progress
// ticks once per column, in column order, including the columns outside the destination.
constexpr int kStrip = 32;

template <typename RowsOf, typename Pixel>
void SweepColumns(int x0, int x1, const Rect& bounds, RowsOf rowsOf, Pixel pixel,
                  const Progress& progress) {
  for (int s0 = x0; s0 <= x1; s0 += kStrip) {
    const int s1 = std::min(x1, s0 + kStrip - 1);
    RowSpan spans[kStrip];
    int top = bounds.bottom, bottom = bounds.top - 1;
    for (int x = s0; x <= s1; ++x) {
      RowSpan& span = spans[x - s0];
      span = (x >= bounds.left && x < bounds.right) ? rowsOf(x) : RowSpan{0, -1};
      if (span.first <= span.last) {
        top = std::min(top, span.first);
        bottom = std::max(bottom, span.last);
      }
    }
    for (int y = top; y <= bottom; ++y)
      for (int x = s0; x <= s1; ++x) {
        const RowSpan& span = spans[x - s0];
        if (y >= span.first && y <= span.last) pixel(x, y);
      }
    for (int x = s0; x <= s1; ++x) Tick(progress);
  }
}

// The fastest form Fastest gives for a patch with these bounds (see SourceReach), each reach's
// chosen once.
template <auto Fastest>
auto FastestFor(const Rect& patch) {
  static const auto nearSource = Fastest(SourceReach::Near);
  static const auto farSource = Fastest(SourceReach::Far);
  return ReachOf(patch) == SourceReach::Far ? farSource : nearSource;
}
inline SampleRunFunction SamplerFor(const Rect& patch) {
  return FastestFor<&FastestSampleRun>(patch);
}
inline SampleOffsetRunFunction OffsetSamplerFor(const Rect& patch) {
  return FastestFor<&FastestSampleOffsetRun>(patch);
}

// The longest run of positions handed to the sampler at once.
constexpr int kSourceRun = 256;

static_assert(kSourceRun <= static_cast<int>(kConsecutive.size()));

// Bilinear samples of src stored into dst pixel by pixel, handed to the fastest sampler in runs of
// the same row: add() keeps a sample until the row changes or kSourceRun are waiting. Every pixel
// is written once and src never overlaps dst, so writing later cannot change the result; the
// samples are all written when flush() is called or the collector goes.
class RowSamples {
 public:
  RowSamples(const ConstView& src, const MutableView& dst)
      : src_(src), dst_(dst), thin_(src.width < 2 || src.height < 2) {}
  RowSamples(const RowSamples&) = delete;
  RowSamples& operator=(const RowSamples&) = delete;
  ~RowSamples() { flush(); }

  void add(int x, int y, double X, double Y) {
    if (thin_) {
      PutSample(src_, dst_, x, y, X, Y);
      return;
    }
    if (y != y_ || n_ == kSourceRun) flush();
    y_ = y;
    X_[n_] = X;
    Y_[n_] = Y;
    xs_[n_++] = x;
  }
  void flush() {
    static const SampleRunFunction sampleRun = FastestSampleRun();
    if (n_ > 0) sampleRun(X_, Y_, xs_, n_, src_, dst_.row(y_));
    n_ = 0;
  }

 private:
  const ConstView& src_;
  const MutableView& dst_;
  bool thin_;
  int y_ = 0;
  int n_ = 0;
  double X_[kSourceRun];
  double Y_[kSourceRun];
  int xs_[kSourceRun];
};

// Up to this radius the offset grids of the pinch and the swirl, and the vertical expand's shifts,
// are also kept split for the sampler's offset runs (at R = 500, 8 MB more for a grid and 4 MB for
// the shifts).
constexpr int kSplitRadius = 512;

// Whether an int holds the whole part of a term (not so for NaN).
inline bool WholePartFits(double t) {
  return std::abs(t) < 1 << 30;
}

// The terms times 1 (index 0) and -1 (index 1), each split into its whole part and its fraction
// (exact in double, then rounded to float), as OffsetRun wants them. A term whose whole part does
// not fit gets 0 and 0: no offset run may use it.
inline void SplitTerms(const std::vector<double>& terms, std::array<std::vector<int>, 2>& whole,
                       std::array<std::vector<float>, 2>& fraction) {
  for (int s = 0; s < 2; ++s) {
    const double sign = s == 0 ? 1 : -1;
    whole[s].assign(terms.size(), 0);
    fraction[s].assign(terms.size(), 0);
    for (std::size_t k = 0; k < terms.size(); ++k) {
      if (!WholePartFits(terms[k])) continue;
      const double t = sign * terms[k];
      whole[s][k] = static_cast<int>(std::floor(t));
      fraction[s][k] = static_cast<float>(t - std::floor(t));
    }
  }
}

// The terms of the source positions by offset (|dx|, |dy|) from the centre, |dx| and |dy| below
// R, for one radius and strength: u along x and v along y, each R x R, a row per |dy|. Empty
// beyond kTabulatedRadius, where the kernels compute each term when it is needed.
//
// After split(), up to kSplitRadius, the signed terms s u and s v are also kept split into whole
// parts and fractions, as OffsetRun wants them, for s = 1 (index 0) and s = -1 (index 1); after
// splitLens(), the lens's signed offsets s (|dx| - u) and s (|dy| - v) instead.
struct OffsetGrid {
  int R = 0;
  std::vector<double> u;
  std::vector<double> v;
  std::array<std::vector<int>, 2> uWhole, vWhole;
  std::array<std::vector<float>, 2> uFraction, vFraction;
  // Per row: how many of its terms, from |dx| = 0 on, are finite (and below 2^30). The largest
  // |u| and |v| among those the patch uses.
  std::vector<int> finite;
  double uReach = 0;
  double vReach = 0;

  // Fills (ax, ay) for ax, ay in from .. R - 1 with terms(ax, ay), a pair {u, v}.
  template <typename Terms>
  void fill(int radius, int from, Terms terms) {
    R = radius;
    if (R > kTabulatedRadius) return;
    const std::size_t size = static_cast<std::size_t>(R) * R;
    u.assign(size, 0);
    v.assign(size, 0);
    for (int ay = from; ay < R; ++ay)
      for (int ax = from; ax < R; ++ax) {
        const auto [along, across] = terms(ax, ay);
        u[static_cast<std::size_t>(ay) * R + ax] = along;
        v[static_cast<std::size_t>(ay) * R + ax] = across;
      }
  }
  bool tabulated() const { return !u.empty(); }

  // Whether every source position of the round patch of radius R around (a, b) keeps clear of the
  // edges of src as offset runs must: judged by the farthest terms the patch uses.
  bool splitFits(const ConstView& src, int a, int b) const {
    if (finite.empty()) return false;
    return a - R + 1 - std::ceil(uReach) >= 0 && a + R - 1 + std::floor(uReach) <= src.width - 3 &&
           b - R + 1 - std::ceil(vReach) >= 0 && b + R - 1 + std::floor(vReach) <= src.height - 3;
  }

  // The offset run of pixels x .. x + n - 1 of row y, whose offsets |dx| go from ax0 by step, in
  // row ay of the grid, with the signs sx and sy; false where the grid keeps no split terms or one
  // of the run's terms is not finite.
  bool offsetRun(int x, int y, int n, int ay, int ax0, int step, double sx, double sy,
                 OffsetRun& run) const {
    if (finite.empty() || (step > 0 ? ax0 + n - 1 : ax0) >= finite[ay]) return false;
    const std::size_t row = static_cast<std::size_t>(ay) * R;
    const int ix = sx > 0 ? 0 : 1, iy = sy > 0 ? 0 : 1;
    run = OffsetRun{.x = x,
                    .y = y,
                    .n = n,
                    .a0 = ax0,
                    .step = step,
                    .u = u.data() + row,
                    .v = v.data() + row,
                    .sx = sx,
                    .sy = sy,
                    .xWhole = uWhole[ix].data() + row,
                    .xFraction = uFraction[ix].data() + row,
                    .yWhole = vWhole[iy].data() + row,
                    .yFraction = vFraction[iy].data() + row};
    return true;
  }

  // Splits the filled terms for offset runs, up to kSplitRadius. The patch uses the offsets
  // (|dx|, |dy|) with |dy| at most extent(|dx|), and the reach of its positions is measured over
  // those.
  template <typename Extent>
  void split(Extent extent) {
    if (!tabulated() || R > kSplitRadius) return;
    splitOffsets(u, v, extent);
  }

  // The same for the lens, whose runs take the offsets |dx| - u and |dy| - v from their pixels to
  // their sources (see OffsetRunLens).
  template <typename Extent>
  void splitLens(Extent extent) {
    if (!tabulated() || R > kSplitRadius) return;
    std::vector<double> alongOffsets(u.size()), acrossOffsets(v.size());
    for (int ay = 0; ay < R; ++ay)
      for (int ax = 0; ax < R; ++ax) {
        const std::size_t k = static_cast<std::size_t>(ay) * R + ax;
        alongOffsets[k] = ax - u[k];
        acrossOffsets[k] = ay - v[k];
      }
    splitOffsets(alongOffsets, acrossOffsets, extent);
  }

 private:
  template <typename Extent>
  void splitOffsets(const std::vector<double>& along, const std::vector<double>& across,
                    Extent extent) {
    SplitTerms(along, uWhole, uFraction);
    SplitTerms(across, vWhole, vFraction);
    finite.assign(static_cast<std::size_t>(R), 0);
    for (int ay = 0; ay < R; ++ay) {
      int& count = finite[static_cast<std::size_t>(ay)];
      const std::size_t row = static_cast<std::size_t>(ay) * R;
      while (count < R && WholePartFits(along[row + count]) && WholePartFits(across[row + count]))
        ++count;
    }
    for (int ax = 0; ax < R; ++ax)
      for (int ay = 0; ay <= std::min(extent(ax), R - 1); ++ay) {
        if (ax >= finite[static_cast<std::size_t>(ay)]) continue;
        const std::size_t k = static_cast<std::size_t>(ay) * R + ax;
        uReach = std::max(uReach, std::abs(along[k]));
        vReach = std::max(vReach, std::abs(across[k]));
      }
  }
};

// The source positions of a run of n pixels of one row, all on one side of the centre, whose
// offsets |dx| go from ax0 by step (1 or -1), from the terms u[|dx|] and v[|dx|] of their row.
// Products with sx, sy (1 or -1) are exact, and every form computes each position with the same
// operations in the same order, so all give the same doubles.
struct RunTerms {
  const double* u;
  const double* v;
  int ax0;
  int step;
  int n;
};
inline RunTerms TermsOfRun(const OffsetGrid& grid, int ay, int ax0, int step, int n) {
  const std::size_t row = static_cast<std::size_t>(ay) * grid.R;
  return RunTerms{grid.u.data() + row, grid.v.data() + row, ax0, step, n};
}

// The lens (the bulge): X = ((K - sx u) + a) - K for the row's constant K, and
// Y = ((w[|dx|] - sy v) + b) - w[|dx|].
struct LensPositions {
  const double* w;
  double K;
  double a;
  double sx;
  double b;
  double sy;
};
using LensRunFunction = void (*)(const RunTerms& run, const LensPositions& lens, double* X,
                                 double* Y);
// The displacement (the pinch and the swirl): X = (x + i) + sx u, Y = y + sy v.
struct DisplacedPositions {
  int x;
  int y;
  double sx;
  double sy;
};
using DisplacedRunFunction = void (*)(const RunTerms& run, const DisplacedPositions& shift,
                                      double* X, double* Y);

// The plain forms, and the forms of this processor (vectorised where it can), which the tests
// hold to the plain ones.
struct PositionForms {
  LensRunFunction lens;
  DisplacedRunFunction displaced;
};
PositionForms PlainPositionForms();
const PositionForms& FastestPositionForms();
// Every form this processor runs, the plain ones first and the fastest last.
std::vector<PositionForms> PositionFormsOfThisProcessor();

// The displacement one position at a time, with (u, v) = offset(|dx|): for the terms that are
// not tabulated.
template <typename Offset>
void DisplacedRun(int x, int y, int n, int ax0, int step, double sx, double sy, Offset offset,
                  double* X, double* Y) {
  const double fy = y;
  for (int i = 0, ax = ax0; i < n; ++i, ax += step) {
    const auto [u, v] = offset(ax);
    X[i] = static_cast<double>(x + i) + sx * u;
    Y[i] = fy + sy * v;
  }
}

// Whether the spans of columns xl, xl + 1, ... (as many as `spans` holds) nest around column a:
// on either side, every column's span holds the span of the column beside it farther from a. The
// span of a itself is left out, or, `throughCentre`, holds both its neighbours' too. Where they
// nest, the columns a row crosses on each side are one run next to the centre.
inline bool SpansNest(const std::vector<RowSpan>& spans, int xl, int a, bool throughCentre) {
  const auto holds = [](const RowSpan& outer, const RowSpan& inner) {
    return inner.first > inner.last || (outer.first <= inner.first && outer.last >= inner.last);
  };
  const int xr = xl + static_cast<int>(spans.size()) - 1;
  for (int x = xl; x < xr; ++x) {
    const bool besideCentre = x + 1 == a || x == a;
    if (besideCentre && !throughCentre) continue;
    // Of x and x + 1, the one nearer a must hold the other.
    const RowSpan& left = spans[x - xl];
    const RowSpan& right = spans[x + 1 - xl];
    if (x < a ? !holds(right, left) : !holds(left, right)) return false;
  }
  return true;
}

// The first x of lo .. hi with inside(x), where inside is false and then true along them, or one
// past hi when there is none; found by halving.
template <typename Inside>
int FirstInside(int lo, int hi, Inside inside) {
  for (++hi; lo < hi;) {
    const int mid = lo + (hi - lo) / 2;
    if (inside(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

// The last x of lo .. hi with inside(x), where inside is true and then false along them, or one
// before lo when there is none.
template <typename Inside>
int LastInside(int lo, int hi, Inside inside) {
  for (--lo; lo < hi;) {
    const int mid = hi - (hi - lo) / 2;
    if (inside(mid))
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

// A run sampler for SweepQuadrantRows from the runs' source positions: sourceRun(x, y, n, X, Y)
// gives those of pixels x .. x + n - 1 of row y, n at most kSourceRun, and they go to the fastest
// sampler.
template <typename SourceRun>
auto SamplesAt(const ConstView& src, const MutableView& dst, SourceRun sourceRun) {
  return [&src, &dst, sourceRun, sampleRun = SamplerFor(dst.bounds)](int x, int y, int n,
                                                                     std::uint8_t* out) {
    double X[kSourceRun], Y[kSourceRun];
    for (int done = 0; done < n;) {
      const int m = std::min(kSourceRun, n - done);
      sourceRun(x + done, y, m, X, Y);
      if (src.width < 2 || src.height < 2) {
        for (int i = 0; i < m; ++i) PutSample(src, dst, x + done + i, y, X[i], Y[i]);
      } else {
        sampleRun(X, Y, kConsecutive.data(), m, src, out + 3 * (x + done));
      }
      done += m;
    }
  };
}

// How a run of the displacement warps is displaced: its offsets |dx| go from ax0 by step, in row
// ay, and the terms u and v take the signs sx and sy.
struct RunShift {
  int ay;
  int ax0;
  int step;
  double sx;
  double sy;
};

// A run sampler over the grid's split offsets: where the whole patch of radius R around (a, b)
// keeps clear of the edges, a run whose terms are finite goes to the sampler as an offset run,
// displaced as shiftOf(x, y) gives (a RunShift) and with the lens lensOf(shift) (none for a
// displacement); otherwise positions(x, y, n, out) samples it. Both give the same bytes.
template <typename ShiftOf, typename LensOf, typename Positions>
auto SplitOrPositionSamples(const OffsetGrid& grid, const ConstView& src, const MutableView& dst,
                            int a, int b, ShiftOf shiftOf, LensOf lensOf, Positions positions) {
  const bool split = grid.splitFits(src, a, b);
  return [&grid, &src, split, shiftOf, lensOf, positions,
          sampleOffsetRun = OffsetSamplerFor(dst.bounds)](int x, int y, int n, std::uint8_t* out) {
    if (split) {
      const RunShift s = shiftOf(x, y);
      OffsetRun run;
      if (grid.offsetRun(x, y, n, s.ay, s.ax0, s.step, s.sx, s.sy, run)) {
        run.lens = lensOf(s);
        sampleOffsetRun(run, src, out);
        return;
      }
    }
    positions(x, y, n, out);
  };
}

// The run sampler of the displacement warps (the pinch and the swirl), whose source positions
// are X = (x + i) + sx u, Y = y + sy v: shiftOf(x, y) gives the RunShift of a run from pixel x
// of row y, and compute(ax, ay) the terms {u, v} beyond the grid (see SplitOrPositionSamples).
template <typename ShiftOf, typename Compute>
auto DisplacedSamples(const OffsetGrid& grid, const ConstView& src, const MutableView& dst, int a,
                      int b, ShiftOf shiftOf, Compute compute) {
  const DisplacedRunFunction displacedRun = FastestPositionForms().displaced;
  auto positions = SamplesAt(
      src, dst, [&grid, shiftOf, compute, displacedRun](int x, int y, int n, double* X, double* Y) {
        const RunShift s = shiftOf(x, y);
        if (grid.tabulated()) {
          displacedRun(TermsOfRun(grid, s.ay, s.ax0, s.step, n),
                       DisplacedPositions{x, y, s.sx, s.sy}, X, Y);
          return;
        }
        DisplacedRun(
            x, y, n, s.ax0, s.step, s.sx, s.sy, [&](int ax) { return compute(ax, s.ay); }, X, Y);
      });
  return SplitOrPositionSamples(
      grid, src, dst, a, b, shiftOf, [](const RunShift&) { return OffsetRunLens{}; }, positions);
}

// Every pixel of the quadrant pass of a round patch around (a, b) of radius R: the columns
// a - R + 1 .. a + R - 1 but a itself, column a - ax and a + ax taking the rows columns.top(ax) ..
// b - 1 above row b and b + 1 .. columns.bottom(ax) below it, as RoundWrites reads them, clipped to
// dst; each takes the bilinear sample of src at its source position. Walked row by row, each
// row left to right in runs of neighbouring pixels, all on one side of the centre:
// sampleRun(x, y, n, out) samples pixels x .. x + n - 1 of row y into `out`, the start of the row
// in dst (see SamplesAt and DisplacedSamples). The rows are split between threads. Every pixel is
// written once, so neither the order nor the split can change the result. `rowProgress` ticks once
// per row of the patch but row b, whether or not the row lies in the destination, from the calling
// thread.
template <typename Columns, typename SampleRun>
void SweepQuadrantRows(const MutableView& dst, int a, int b, int R, const Columns& columns,
                       SampleRun sampleRun, const Progress& rowProgress) {
  const Rect& bounds = dst.bounds;
  const int xl = std::max(a - R + 1, bounds.left), xr = std::min(a + R - 1, bounds.right - 1);
  const int count = std::max(xr - xl + 1, 0);
  std::vector<RowSpan> upper(count), lower(count);
  for (int x = xl; x <= xr; ++x) {
    if (x == a) {
      upper[x - xl] = lower[x - xl] = RowSpan{0, -1};
      continue;
    }
    const int ax = std::abs(x - a);
    upper[x - xl] = Clip(columns.top(ax), b - 1, bounds);
    lower[x - xl] = Clip(b + 1, columns.bottom(ax), bounds);
  }
  // In a round patch a row's pixels on each side of the centre are found by halving.
  const bool nested = SpansNest(upper, xl, a, false) && SpansNest(lower, xl, a, false);
  auto rows = [&](int y0, int y1) {
    for (int y = std::max(y0, bounds.top); y < std::min(y1, bounds.bottom); ++y) {
      const RowSpan* spans = y < b ? upper.data() : lower.data();
      auto inside = [&](int x) {
        const RowSpan& span = spans[x - xl];
        return y >= span.first && y <= span.last;
      };
      std::uint8_t* out = dst.row(y);
      if (nested) {
        // Left of the centre from the first column inside, right of it up to the last.
        const int leftEnd = std::min(xr, a - 1), rightStart = std::max(xl, a + 1);
        const int first = FirstInside(xl, leftEnd, inside);
        const int last = LastInside(rightStart, xr, inside);
        if (first <= leftEnd) sampleRun(first, y, leftEnd - first + 1, out);
        if (last >= rightStart) sampleRun(rightStart, y, last - rightStart + 1, out);
        continue;
      }
      for (int x = xl; x <= xr;) {
        if (!inside(x)) {
          ++x;
          continue;
        }
        // The run ends before the centre column, which is never inside.
        int n = 1;
        while (x + n <= xr && inside(x + n)) ++n;
        sampleRun(x, y, n, out);
        x += n;
      }
    }
  };
  ForRows(b - R + 1, b, rows, rowProgress, 16);
  ForRows(b + 1, b + R, rows, rowProgress, 16);
}

}  // namespace drollo::warp::detail
