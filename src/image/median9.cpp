#include "image/median9.h"

#include "image/cpu_features.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace drollo::sketch {

#if defined(__x86_64__)
namespace {

__attribute__((target("avx2"))) inline void SortPair256(__m256i& a, __m256i& b) {
  const __m256i lo = _mm256_min_epu8(a, b);
  b = _mm256_max_epu8(a, b);
  a = lo;
}

__attribute__((target("avx2"))) inline __m256i Load256(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) void Median9RowAvx2(const std::uint8_t* above,
                                                    const std::uint8_t* same,
                                                    const std::uint8_t* below, std::uint8_t* out,
                                                    std::ptrdiff_t first, std::ptrdiff_t last,
                                                    int step) {
  std::ptrdiff_t k = first;
  for (; k + 32 <= last; k += 32) {
    __m256i a0 = Load256(above + k - step), a1 = Load256(above + k), a2 = Load256(above + k + step);
    __m256i b0 = Load256(same + k - step), b1 = Load256(same + k), b2 = Load256(same + k + step);
    __m256i c0 = Load256(below + k - step), c1 = Load256(below + k), c2 = Load256(below + k + step);
    SortPair256(a0, b0), SortPair256(b0, c0), SortPair256(a0, b0);
    SortPair256(a1, b1), SortPair256(b1, c1), SortPair256(a1, b1);
    SortPair256(a2, b2), SortPair256(b2, c2), SortPair256(a2, b2);
    __m256i lo = _mm256_max_epu8(_mm256_max_epu8(a0, a1), a2);
    __m256i hi = _mm256_min_epu8(_mm256_min_epu8(c0, c1), c2);
    SortPair256(b0, b1), SortPair256(b1, b2), SortPair256(b0, b1);
    __m256i mid = b1;
    SortPair256(lo, mid), SortPair256(mid, hi), SortPair256(lo, mid);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), mid);
  }
  Median9RowSse2(above, same, below, out, k, last, step);
}

}  // namespace
#endif

void Median9Row(const std::uint8_t* above, const std::uint8_t* same, const std::uint8_t* below,
                std::uint8_t* out, std::ptrdiff_t first, std::ptrdiff_t last, int step) {
#if defined(__x86_64__)
  if (HasAvx2()) {
    Median9RowAvx2(above, same, below, out, first, last, step);
    return;
  }
#endif
  Median9RowSse2(above, same, below, out, first, last, step);
}

}  // namespace drollo::sketch
