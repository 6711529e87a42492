// The median of nine over rows of bytes: the fast row (AVX2 where the processor has it), the SSE2
// row and the scalar formula give the same bytes, at every length and both pixel steps.
#include "image/median9.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace drollo::sketch {
namespace {

std::vector<std::uint8_t> Noise(std::size_t n, std::uint32_t seed, int levels) {
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>((seed >> 24) % levels * (255 / (levels - 1)));
  }
  return v;
}

TEST(Median9Row, FastAndSse2RowsEqualTheScalarMedianAtEveryLength) {
  for (int step : {3, 4})
    for (int levels : {2, 7, 256})
      for (std::ptrdiff_t bytes = 2 * step; bytes < 2 * step + 140; ++bytes) {
        const auto seed = static_cast<std::uint32_t>(bytes * 131 + step * 7 + levels);
        const auto a = Noise(bytes, seed, levels), b = Noise(bytes, seed + 1, levels),
                   c = Noise(bytes, seed + 2, levels);
        std::vector<std::uint8_t> fast(bytes, 7), sse2(bytes, 7), scalar(bytes, 7);
        const std::ptrdiff_t first = step, last = bytes - step;
        Median9Row(a.data(), b.data(), c.data(), fast.data(), first, last, step);
        Median9RowSse2(a.data(), b.data(), c.data(), sse2.data(), first, last, step);
        for (std::ptrdiff_t k = first; k < last; ++k)
          scalar[k] = detail::Median9Scalar(a[k - step], a[k], a[k + step], b[k - step], b[k],
                                            b[k + step], c[k - step], c[k], c[k + step]);
        ASSERT_EQ(fast, scalar) << bytes << " bytes, step " << step << ", " << levels << " levels";
        ASSERT_EQ(sse2, scalar) << bytes << " bytes, step " << step << ", " << levels << " levels";
      }
}

}  // namespace
}  // namespace drollo::sketch
