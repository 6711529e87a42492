#include "image/resample.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "image/cpu_features.h"
#include "image/parallel.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace drollo {

namespace {

// The source pixels under each target pixel along one axis. Distances are counted in units of
// 1 / (target length) source pixels, so every boundary is an integer: target pixel t covers
// [t * s, (t + 1) * s) and source pixel i covers [i * n, (i + 1) * n), for source length s and
// target length n. The weights of one target pixel add up to s.
struct Span {
  int first = 0;  // index into the weights
  int count = 0;
  int source = 0;  // first source pixel
};

// The spans of target pixels [t0, t1), and the source pixels [sourceBegin, sourceEnd) they read.
struct AxisWeights {
  std::vector<Span> spans;
  std::vector<std::uint64_t> weights;
  int sourceBegin = 0;
  int sourceEnd = 0;
  // When the target length divides the source length, every target pixel covers this many whole
  // source pixels, each with the weight n; otherwise 0.
  int wholePixels = 0;
};

AxisWeights Weights(int s, int n, int t0, int t1) {
  AxisWeights a;
  a.spans.resize(t1 - t0);
  for (int t = t0; t < t1; ++t) {
    const std::int64_t lo = std::int64_t{t} * s;
    const std::int64_t hi = lo + s;
    const int i0 = static_cast<int>(lo / n);
    const int i1 = static_cast<int>((hi - 1) / n);  // last source pixel touched
    Span& sp = a.spans[t - t0];
    sp.first = static_cast<int>(a.weights.size());
    sp.source = i0;
    for (int i = i0; i <= i1; ++i) {
      const std::int64_t plo = std::int64_t{i} * n;
      const std::int64_t w = std::min(hi, plo + n) - std::max(lo, plo);
      a.weights.push_back(static_cast<std::uint64_t>(w));
    }
    sp.count = static_cast<int>(a.weights.size()) - sp.first;
  }
  if (s % n == 0) a.wholePixels = s / n;
  if (t1 > t0) {
    a.sourceBegin = a.spans.front().source;
    a.sourceEnd = a.spans.back().source + a.spans.back().count;
  }
  return a;
}

// The horizontal sums of a target row's vertical sums for every target pixel of `xs`: `row` holds
// the sums of the source columns from xs.sourceBegin, kBytes a pixel, blue, green and red first.
// Every source pixel but the first and the last under a target pixel lies under it whole, with the
// weight `full` (the target length): those are summed plainly and weighted once.
template <int kBytes, typename Value>
void SumAcross(const Value* row, const AxisWeights& xs, std::uint64_t full, std::uint64_t* across) {
  if (xs.wholePixels > 0) {
    // Every weight is `full`: the plain sum, weighted once.
    const int k = xs.wholePixels;
    for (const Span& sx : xs.spans) {
      const Value* p = row + kBytes * (sx.source - xs.sourceBegin);
      std::uint64_t b = 0, g = 0, r = 0;
      for (int j = 0; j < k; ++j, p += kBytes) {
        b += p[0];
        g += p[1];
        r += p[2];
      }
      across[0] = full * b;
      across[1] = full * g;
      across[2] = full * r;
      across += 3;
    }
    return;
  }
  for (const Span& sx : xs.spans) {
    const Value* p = row + kBytes * (sx.source - xs.sourceBegin);
    const std::uint64_t* w = &xs.weights[sx.first];
    std::uint64_t b = w[0] * p[0], g = w[0] * p[1], r = w[0] * p[2];
    if (sx.count > 1) {
      std::uint64_t ib = 0, ig = 0, ir = 0;
      const Value* q = p + kBytes;
      for (int j = 1; j < sx.count - 1; ++j, q += kBytes) {
        ib += q[0];
        ig += q[1];
        ir += q[2];
      }
      const std::uint64_t wl = w[sx.count - 1];
      b += full * ib + wl * q[0];
      g += full * ig + wl * q[1];
      r += full * ir + wl * q[2];
    }
    across[0] = b;
    across[1] = g;
    across[2] = r;
    across += 3;
  }
}

// sum[i] += weight * row[i] for i < n: the source rows under a target row added up, each with its
// weight.
template <typename Sum>
void AddWeightedBytes(Sum* sum, const std::uint8_t* row, std::uint64_t weight, std::size_t n) {
  const auto w = static_cast<Sum>(weight);
  for (std::size_t i = 0; i < n; ++i) sum[i] += w * row[i];
}

// acc[i] += row[i] for i < n: the rows of a block of whole source rows added up byte by byte.
void AddBytes(std::uint16_t* acc, const std::uint8_t* row, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) acc[i] = static_cast<std::uint16_t>(acc[i] + row[i]);
}

#if defined(__x86_64__)
// AddWeightedBytes into 32-bit sums eight bytes at a time.
__attribute__((target("avx2"))) void AddWeightedBytesAvx2(std::uint32_t* sum,
                                                          const std::uint8_t* row,
                                                          std::uint64_t weight, std::size_t n) {
  const __m256i w = _mm256_set1_epi32(static_cast<int>(weight));
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i b =
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + i)));
    __m256i* s = reinterpret_cast<__m256i*>(sum + i);
    _mm256_storeu_si256(s, _mm256_add_epi32(_mm256_loadu_si256(s), _mm256_mullo_epi32(b, w)));
  }
  AddWeightedBytes(sum + i, row + i, weight, n - i);
}

// AddBytes sixteen bytes at a time.
__attribute__((target("avx2"))) void AddBytesAvx2(std::uint16_t* acc, const std::uint8_t* row,
                                                  std::size_t n) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i b =
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)));
    __m256i* a = reinterpret_cast<__m256i*>(acc + i);
    _mm256_storeu_si256(a, _mm256_add_epi16(_mm256_loadu_si256(a), b));
  }
  AddBytes(acc + i, row + i, n - i);
}

#endif

// When both target lengths divide the source's, target pixel (tx, ty) covers the block of kx by ky
// whole source pixels from (kx tx, ky ty), each with the weight width x height: its weighted sum is
// that weight times the block's plain sum. The ky rows of a block are added up byte by byte first
// (below 2^16 for ky up to 257), then kx pixels of that across. On a target with many more bytes
// than there are possible sums, the quotients come from a table.
constexpr int kMostWholeRows = 257;

// Room for `pixels` pixels of a source's rows where it makes them, none where it reads in place;
// its bytes are left as they are, for pixels() writes every one it returns.
std::unique_ptr<std::uint8_t[]> Scratch(const PixelSource& source, int pixels) {
  if (source.inPlace()) return nullptr;
  return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[static_cast<std::size_t>(pixels) * 4]);
}

template <int kBytes>
void ResampleWholeBlocks(const PixelSource& source, int width, int height, const AxisWeights& xs,
                         const AxisWeights& ys, const Rect& part, const MutableView& dst) {
  const int kx = xs.wholePixels, ky = ys.wholePixels;
  const std::uint64_t total = std::uint64_t(source.width()) * std::uint64_t(source.height());
  const std::uint64_t weight = std::uint64_t(width) * std::uint64_t(height);
  const std::uint64_t half = total / 2;
  const ExactDivision divide(total);
  const std::uint64_t largest = std::uint64_t{255} * std::uint64_t(kx) * std::uint64_t(ky);
  const std::uint64_t bytes = std::uint64_t(part.width()) * std::uint64_t(part.height()) * 3;
  const auto divided = [&](std::uint64_t sum) {
    return static_cast<std::uint8_t>(divide(weight * sum + half));
  };
  std::vector<std::uint8_t> table;
  if (largest < bytes / 4) {
    table.resize(largest + 1);
    for (std::uint64_t b = 0; b <= largest; ++b) table[b] = divided(b);
  }
  const auto quotient = [&](std::uint64_t sum) {
    return table.empty() ? divided(sum) : table[sum];
  };
  auto addRow = &AddBytes;
#if defined(__x86_64__)
  if (HasAvx2()) addRow = &AddBytesAvx2;
#endif
  const std::size_t rowBytes = static_cast<std::size_t>(xs.sourceEnd - xs.sourceBegin) * kBytes;
  const int columns = part.width();
  const int step = dst.bytesPerPixel;
  ForRows(
      part.top, part.bottom,
      [&](int y0, int y1) {
        std::vector<std::uint16_t> acc(rowBytes);
        const std::unique_ptr<std::uint8_t[]> scratch =
            Scratch(source, xs.sourceEnd - xs.sourceBegin);
        for (int ty = y0; ty < y1; ++ty) {
          std::fill(acc.begin(), acc.end(), 0);
          const int first = ys.spans[ty - part.top].source;
          for (int k = 0; k < ky; ++k)
            addRow(acc.data(),
                   source.pixels(first + k, xs.sourceBegin, xs.sourceEnd, scratch.get()), rowBytes);
          const std::uint16_t* a = acc.data();
          std::uint8_t* d = dst.pixel(part.left, ty);
          for (int x = 0; x < columns; ++x, d += step) {
            std::uint64_t b = 0, g = 0, r = 0;
            for (int j = 0; j < kx; ++j, a += kBytes) {
              b += a[0];
              g += a[1];
              r += a[2];
            }
            d[0] = quotient(b);
            d[1] = quotient(g);
            d[2] = quotient(r);
            if (step == 4) d[3] = 255;
          }
        }
      },
      {}, 4);
}

// The general case, a target row at a time: the source rows under it added up byte by byte, each
// with its vertical weight, then across each target pixel's source pixels with their horizontal
// weights. Every weighted sum is that of the definition, only added in another order, and each
// target channel is (sum + total / 2) / total, total = source width x source height.
template <typename Sum>
void ResampleRows(const PixelSource& source, int width, const AxisWeights& xs,
                  const AxisWeights& ys, const Rect& part, const MutableView& dst) {
  const std::uint64_t total = std::uint64_t(source.width()) * std::uint64_t(source.height());
  const ExactDivision divide(total);
  const int bytesPerPixel = source.bitsPerPixel() == 32 ? 4 : 3;
  const std::size_t rowBytes =
      static_cast<std::size_t>(xs.sourceEnd - xs.sourceBegin) * bytesPerPixel;
  auto addRow = &AddWeightedBytes<Sum>;
#if defined(__x86_64__)
  if constexpr (std::is_same_v<Sum, std::uint32_t>) {
    // A weight is at most the source height, so each product is below the 2^32 of the sums.
    if (HasAvx2()) addRow = &AddWeightedBytesAvx2;
  }
#endif
  const int columns = part.width();
  ForRows(
      part.top, part.bottom,
      [&](int y0, int y1) {
        std::vector<Sum> down(rowBytes);
        std::vector<std::uint64_t> sum(static_cast<std::size_t>(columns) * 3);
        const std::unique_ptr<std::uint8_t[]> scratch =
            Scratch(source, xs.sourceEnd - xs.sourceBegin);
        for (int ty = y0; ty < y1; ++ty) {
          std::fill(down.begin(), down.end(), Sum{0});
          const Span& sy = ys.spans[ty - part.top];
          for (int k = 0; k < sy.count; ++k)
            addRow(down.data(),
                   source.pixels(sy.source + k, xs.sourceBegin, xs.sourceEnd, scratch.get()),
                   ys.weights[sy.first + k], rowBytes);
          if (bytesPerPixel == 4)
            SumAcross<4>(down.data(), xs, width, sum.data());
          else
            SumAcross<3>(down.data(), xs, width, sum.data());
          // (sum + total / 2) / total in whole numbers; sum is at most 255 total, below 2^37.
          // (Local copies: the byte stores below could otherwise alias them.)
          const ExactDivision quotient = divide;
          const std::uint64_t half = total / 2;
          const int step = dst.bytesPerPixel;
          std::uint8_t* d = dst.pixel(part.left, ty);
          const std::uint64_t* v = sum.data();
          for (int x = 0; x < columns; ++x, d += step, v += 3) {
            for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(quotient(v[c] + half));
            if (step == 4) d[3] = 255;
          }
        }
      },
      {}, 4);
}

}  // namespace

ExactDivision::ExactDivision(std::uint64_t divisor) {
  assert(divisor > 0);
  int l = 0;
  while ((std::uint64_t{1} << l) < divisor) ++l;
  // m = ceil(2^(40 + l) / d): then m d lies in [2^(40 + l), 2^(40 + l) + 2^l], which makes
  // floor(x m / 2^(40 + l)) equal floor(x / d) for every x below 2^40 (Granlund and Montgomery).
  shift_ = 40 + l;
  multiplier_ = static_cast<std::uint64_t>(((Wide{1} << shift_) + divisor - 1) / divisor);
}

Picture AreaResample(const Picture& source, int width, int height) {
  if (width <= 0 || height <= 0 || source.empty())
    return Picture(std::max(width, 0), std::max(height, 0), 24);
  // Every byte is written below.
  Picture out(width, height, PixelFormat::Bgr24(), Picture::Unfilled{});
  AreaResampleInto(source, width, height, out.region(out.rect()));
  return out;
}

const std::uint8_t* PictureSource::pixels(int y, int x0, int x1, std::uint8_t* scratch) const {
  switch (picture_.bitsPerPixel()) {
    case 24:
      return picture_.row(y) + 3 * static_cast<std::ptrdiff_t>(x0);
    case 32:
      return picture_.row(y) + 4 * static_cast<std::ptrdiff_t>(x0);
    default:
      picture_.readBgr24(y, x0, x1, scratch);
      return scratch;
  }
}

void AreaResampleInto(const Picture& source, int width, int height, const MutableView& dst) {
  AreaResampleInto(PictureSource(source), width, height, dst);
}

void AreaResampleInto(const PixelSource& source, int width, int height, const MutableView& dst) {
  const Rect part = dst.bounds.intersected(Rect{0, 0, width, height});
  if (part.empty() || source.width() <= 0 || source.height() <= 0) return;
  if (width == source.width() && height == source.height()) {
    // At its own size every target pixel is its source pixel.
    NearestResampleInto(source, width, height, dst);
    return;
  }
  const AxisWeights xs = Weights(source.width(), width, part.left, part.right);
  const AxisWeights ys = Weights(source.height(), height, part.top, part.bottom);
  const int bits = source.bitsPerPixel();
  if (xs.wholePixels > 0 && ys.wholePixels > 0 && ys.wholePixels <= kMostWholeRows) {
    if (bits == 24) return ResampleWholeBlocks<3>(source, width, height, xs, ys, part, dst);
    if (bits == 32) return ResampleWholeBlocks<4>(source, width, height, xs, ys, part, dst);
  }
  // Below 2^32 the vertical sums (at most 255 times the source height) take 32 bits.
  if (std::uint64_t{255} * static_cast<std::uint64_t>(source.height()) < (std::uint64_t{1} << 32))
    ResampleRows<std::uint32_t>(source, width, xs, ys, part, dst);
  else
    ResampleRows<std::uint64_t>(source, width, xs, ys, part, dst);
}

namespace {

// One pixel from a row of blue, green, red first, as 24 bits or as Qt's 0xffRRGGBB word.
template <int kOut>
void PutPixel(const std::uint8_t* p, std::uint8_t* d) {
  if constexpr (kOut == 4) {
    const std::uint32_t v =
        p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | 0xFF000000u;
    std::memcpy(d, &v, 4);
  } else {
    d[0] = p[0];
    d[1] = p[1];
    d[2] = p[2];
  }
}

// One target row of the nearest resampling: target pixel x shows the source pixel at
// src + kIn * columns[x].
template <int kIn, int kOut>
void CopyNearest(const std::uint8_t* src, const int* columns, int count, std::uint8_t* d) {
  for (int x = 0; x < count; ++x, d += kOut) PutPixel<kOut>(src + kIn * columns[x], d);
}

// The same for a target row as long as the source row: pixel x shows source pixel x.
template <int kIn, int kOut>
void CopyRow(const std::uint8_t* src, int count, std::uint8_t* d) {
  for (int x = 0; x < count; ++x, d += kOut, src += kIn) PutPixel<kOut>(src, d);
}

#if defined(__x86_64__)
// CopyRow<3, 4> four pixels at a time: 16 bytes are read for the 12 of four pixels, so the last
// pixels are left to the plain loop.
__attribute__((target("ssse3"))) void Bgr24ToBgrx32Ssse3(const std::uint8_t* src, int count,
                                                         std::uint8_t* d) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; x + 6 <= count; x += 4, src += 12, d += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                     _mm_or_si128(_mm_shuffle_epi8(v, spread), alpha));
  }
  CopyRow<3, 4>(src, count - x, d);
}

// The same eight pixels at a time, from the 24 bytes of the eight: the two halves of a 256-bit
// register load the 16 bytes of pixels 0 to 3 and those of pixels 4 to 7, read from 8 bytes on,
// so nothing past the eight is read and no lanes need crossing. A row's last pixels that do not
// make eight are taken with the eight that end the row, written again where they overlap pixels
// already done; a row shorter than eight is left to the four-pixel form.
__attribute__((target("avx2"), always_inline)) inline void EightBgr24ToBgrx32(
    const std::uint8_t* src, std::uint8_t* d, __m256i spread, __m256i alpha) {
  const __m256i v = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(src + 8),
                                        reinterpret_cast<const __m128i*>(src));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                      _mm256_or_si256(_mm256_shuffle_epi8(v, spread), alpha));
}

__attribute__((target("avx2"))) void Bgr24ToBgrx32Avx2(const std::uint8_t* src, int count,
                                                       std::uint8_t* d) {
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 4,
                                          5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  if (count < 8) return Bgr24ToBgrx32Ssse3(src, count, d);
  int x = 0;
  for (; x + 16 <= count; x += 16) {
    EightBgr24ToBgrx32(src + 3 * x, d + 4 * x, spread, alpha);
    EightBgr24ToBgrx32(src + 3 * x + 24, d + 4 * x + 32, spread, alpha);
  }
  if (x + 8 <= count) {
    EightBgr24ToBgrx32(src + 3 * x, d + 4 * x, spread, alpha);
    x += 8;
  }
  if (x < count) EightBgr24ToBgrx32(src + 3 * (count - 8), d + 4 * (count - 8), spread, alpha);
}

#endif

template <int kIn>
void CopyNearest(const std::uint8_t* src, const std::vector<int>& columns, int n, bool same,
                 int kOut, std::uint8_t* d) {
#if defined(__x86_64__)
  // What the screen shows of a 24-bit picture at 100 %.
  if (same && kIn == 3 && kOut == 4) {
    if (HasAvx2()) return Bgr24ToBgrx32Avx2(src, n, d);
    if (HasSsse3()) return Bgr24ToBgrx32Ssse3(src, n, d);
  }
#endif
  if (same) {
    kOut == 4 ? CopyRow<kIn, 4>(src, n, d) : CopyRow<kIn, 3>(src, n, d);
  } else {
    kOut == 4 ? CopyNearest<kIn, 4>(src, columns.data(), n, d)
              : CopyNearest<kIn, 3>(src, columns.data(), n, d);
  }
}

}  // namespace

void NearestResampleInto(const Picture& source, int width, int height, const MutableView& dst) {
  NearestResampleInto(PictureSource(source), width, height, dst);
}

void NearestResampleInto(const PixelSource& source, int width, int height, const MutableView& dst) {
  const Rect part = dst.bounds.intersected(Rect{0, 0, width, height});
  if (part.empty() || source.width() <= 0 || source.height() <= 0) return;
  // The centre of target pixel t, t + 1/2 of n, lies in source pixel (2t + 1) * s / 2n of s.
  const auto under = [](int t, int s, int n) {
    return static_cast<int>((2 * std::int64_t{t} + 1) * s / (2 * std::int64_t{n}));
  };
  // At the source's own width target column x is source column x, and no list is needed.
  const bool same = width == source.width();
  const int first = same ? part.left : under(part.left, source.width(), width);
  std::vector<int> columns;
  if (!same) {
    columns.resize(static_cast<std::size_t>(part.width()));
    for (int x = part.left; x < part.right; ++x)
      columns[x - part.left] = under(x, source.width(), width) - first;
  }
  const int sourceColumns = same ? part.width() : columns.back() + 1;
  const bool sameRows = height == source.height();
  const int bits = source.bitsPerPixel();
  const std::unique_ptr<std::uint8_t[]> scratch = Scratch(source, sourceColumns);
  const std::size_t rowBytes = static_cast<std::size_t>(part.width()) * dst.bytesPerPixel;
  int shownRow = -1;
  const std::uint8_t* shown = nullptr;
  for (int y = part.top; y < part.bottom; ++y) {
    const int sy = sameRows ? y : under(y, source.height(), height);
    std::uint8_t* d = dst.pixel(part.left, y);
    // An enlarged row repeats the one above.
    if (sy == shownRow) {
      std::memcpy(d, shown, rowBytes);
      continue;
    }
    shownRow = sy;
    shown = d;
    const std::uint8_t* src = source.pixels(sy, first, first + sourceColumns, scratch.get());
    if (bits == 32)
      CopyNearest<4>(src, columns, part.width(), same, dst.bytesPerPixel, d);
    else
      CopyNearest<3>(src, columns, part.width(), same, dst.bytesPerPixel, d);
  }
}

Rect AreaResampleCover(int sourceWidth, int sourceHeight, int width, int height,
                       const Rect& changed) {
  // Target pixel t reads source pixel i when [t * s, (t + 1) * s) and [i * n, (i + 1) * n)
  // overlap: for i in [a, b) that is a * n / s - 1 < t < b * n / s.
  const auto range = [](int a, int b, int s, int n, int& t0, int& t1) {
    t0 = static_cast<int>(std::int64_t{a} * n / s);
    t1 = static_cast<int>((std::int64_t{b} * n + s - 1) / s);
  };
  const Rect c = changed.intersected(Rect{0, 0, sourceWidth, sourceHeight});
  if (c.empty() || width <= 0 || height <= 0) return Rect{};
  Rect r;
  range(c.left, c.right, sourceWidth, width, r.left, r.right);
  range(c.top, c.bottom, sourceHeight, height, r.top, r.bottom);
  return r.intersected(Rect{0, 0, width, height});
}

}  // namespace drollo
