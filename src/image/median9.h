// The median of nine for one row of a 3x3 median filter, computed on bytes.
//
// In a packed row of interleaved channels the horizontal neighbours of a byte are `step` bytes
// away (3 for 24-bit rows, 4 for 32-bit rows), so the filter can treat a whole row as one byte
// array and never needs to know which channel a byte belongs to: out[k] becomes the median of
// the nine bytes above[k - step .. k + step], same[...] and below[...] at distance `step`.
//
// The median of nine is one value whatever the sorting method, so instead of sorting nine values
// we use the classic shortcut: sort each vertical triple, then the median is
// med3(max of the three minima, med3 of the three middles, min of the three maxima).
// Median9Row runs 32 bytes at a time with AVX2 when the processor has it (chosen once, at run
// time), otherwise 16 at a time with SSE2; Median9RowSse2 and the scalar Median9Scalar stay as the
// references the fast path is tested against. Minimum and maximum are exact, so every path gives
// the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace drollo::sketch {

namespace detail {

inline void SortPair(std::uint8_t& a, std::uint8_t& b) {
  const std::uint8_t lo = a < b ? a : b;
  const std::uint8_t hi = a < b ? b : a;
  a = lo;
  b = hi;
}

inline std::uint8_t Median9Scalar(std::uint8_t a0, std::uint8_t a1, std::uint8_t a2,
                                  std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                                  std::uint8_t c0, std::uint8_t c1, std::uint8_t c2) {
  // Sort each column (a_i, b_i, c_i).
  SortPair(a0, b0), SortPair(b0, c0), SortPair(a0, b0);
  SortPair(a1, b1), SortPair(b1, c1), SortPair(a1, b1);
  SortPair(a2, b2), SortPair(b2, c2), SortPair(a2, b2);
  // Largest minimum, median of middles, smallest maximum.
  std::uint8_t lo = a0 > a1 ? a0 : a1;
  lo = lo > a2 ? lo : a2;
  std::uint8_t hi = c0 < c1 ? c0 : c1;
  hi = hi < c2 ? hi : c2;
  SortPair(b0, b1), SortPair(b1, b2), SortPair(b0, b1);
  std::uint8_t mid = b1;
  SortPair(lo, mid), SortPair(mid, hi), SortPair(lo, mid);
  return mid;
}

#if defined(__SSE2__)
inline void SortPair(__m128i& a, __m128i& b) {
  const __m128i lo = _mm_min_epu8(a, b);
  b = _mm_max_epu8(a, b);
  a = lo;
}
inline __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
#endif

}  // namespace detail

// Writes out[k] for first <= k < last; the caller guarantees first >= step and that
// last + step does not pass the end of the input rows.
void Median9Row(const std::uint8_t* above, const std::uint8_t* same, const std::uint8_t* below,
                std::uint8_t* out, std::ptrdiff_t first, std::ptrdiff_t last, int step);

// The same, sixteen bytes at a time (or one at a time without SSE2).
inline void Median9RowSse2(const std::uint8_t* above, const std::uint8_t* same,
                           const std::uint8_t* below, std::uint8_t* out, std::ptrdiff_t first,
                           std::ptrdiff_t last, int step) {
  std::ptrdiff_t k = first;
#if defined(__SSE2__)
  using detail::Load;
  using detail::SortPair;
  for (; k + 16 <= last; k += 16) {
    __m128i a0 = Load(above + k - step), a1 = Load(above + k), a2 = Load(above + k + step);
    __m128i b0 = Load(same + k - step), b1 = Load(same + k), b2 = Load(same + k + step);
    __m128i c0 = Load(below + k - step), c1 = Load(below + k), c2 = Load(below + k + step);
    SortPair(a0, b0), SortPair(b0, c0), SortPair(a0, b0);
    SortPair(a1, b1), SortPair(b1, c1), SortPair(a1, b1);
    SortPair(a2, b2), SortPair(b2, c2), SortPair(a2, b2);
    __m128i lo = _mm_max_epu8(_mm_max_epu8(a0, a1), a2);
    __m128i hi = _mm_min_epu8(_mm_min_epu8(c0, c1), c2);
    SortPair(b0, b1), SortPair(b1, b2), SortPair(b0, b1);
    __m128i mid = b1;
    SortPair(lo, mid), SortPair(mid, hi), SortPair(lo, mid);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), mid);
  }
#endif
  for (; k < last; ++k) {
    out[k] =
        detail::Median9Scalar(above[k - step], above[k], above[k + step], same[k - step], same[k],
                              same[k + step], below[k - step], below[k], below[k + step]);
  }
}

}  // namespace drollo::sketch
