// Helpers shared by the warp kernels: pixel writes into a destination region and the column
// sweeps over a patch.
#pragma once

#include <algorithm>
#include <cstdint>

#include "image/bilinear.h"
#include "image/parallel.h"
#include "image/picture.h"
#include "image/pixel_math.h"
#include "image/progress.h"

namespace drollo::warp::detail {

inline double Square(int d) {
  return static_cast<double>(d) * d;
}

inline void Put(const MutableView& dst, int x, int y, TColor c) {
  std::uint8_t* p = dst.pixel(x, y);
  p[0] = static_cast<std::uint8_t>(BlueOf(c));
  p[1] = static_cast<std::uint8_t>(GreenOf(c));
  p[2] = static_cast<std::uint8_t>(RedOf(c));
}

// The bilinear sample of src at (X, Y), stored at (x, y) of dst: the fastest form of SampleBgr,
// or xiangsujuhe itself on a picture narrower or lower than two pixels.
inline void PutSample(const ConstView& src, const MutableView& dst, int x, int y, double X,
                      double Y) {
  static const SampleFunction sample = FastestSampler();
  if (src.width < 2 || src.height < 2)
    Put(dst, x, y, xiangsujuhe(X, Y, src));
  else
    sample(X, Y, src, dst.pixel(x, y));
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

// Columns x0..x1 of a round patch, the rows above the centre (`above(x)`) and below it
// (`below(x)`), split between threads by columns; every pixel is written once, so the split cannot
// change the result. `progress` ticks once per column, from the calling thread.
template <typename Above, typename Below, typename Pixel>
void SweepColumnsInParallel(int x0, int x1, const Rect& bounds, Above above, Below below,
                            Pixel pixel, const Progress& progress) {
  ForRows(
      x0, x1 + 1,
      [&](int c0, int c1) {
        for (int s0 = c0; s0 < c1; s0 += kStrip) {
          const int s1 = std::min(c1 - 1, s0 + kStrip - 1);
          SweepColumns(s0, s1, bounds, above, pixel, Progress{});
          SweepColumns(s0, s1, bounds, below, pixel, Progress{});
        }
      },
      progress, kStrip);
}

}  // namespace drollo::warp::detail
