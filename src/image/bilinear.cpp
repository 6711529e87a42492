#include "image/bilinear.h"

#include <cassert>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace drollo {

namespace {

int ClampChannel(int v) {
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Outside the sampler's domain (fewer than two columns or rows) the nearest pixel is the only
// sound answer; the position is clamped and written back as for wider pictures.
TColor NearestOfThinPicture(double& X, double& Y, const ConstView& v) {
  if (!(X >= 0)) X = 0;
  if (X > v.width - 1) X = v.width - 1;
  if (!(Y >= 0)) Y = 0;
  if (Y > v.height - 1) Y = v.height - 1;
  return NearestPixel(v, Round(X), Round(Y));
}

}  // namespace

TColor xiangsujuhe(double& X, double& Y, const ConstView& bitmap) {
  assert(bitmap.bytesPerPixel == 3);
  const int w = bitmap.width;
  const int h = bitmap.height;
  if (w < 2 || h < 2) return NearestOfThinPicture(X, Y, bitmap);

  int y0;
  if (Y >= 0 && Y < h - 1) {
    y0 = Trunc(Y);
  } else if (Y < 0) {
    Y = 0;
    y0 = 0;
  } else {  // at or beyond the last row (and NaN, which must not reach Trunc)
    Y = h - 2;
    y0 = h - 2;
  }
  // Written as "not at least 0" so that NaN is clamped too.
  if (!(X >= 0)) {
    X = 0;
  } else if (X > w - 2) {
    X = w - 2;
  }
  const int x0 = Trunc(X);

  const double wy0 = y0 + 1 - Y;
  const double wy1 = Y - y0;
  const double wx0 = x0 + 1 - X;
  const double wx1 = X - x0;

  const std::uint8_t* top = bitmap.row(y0) + 3 * x0;
  const std::uint8_t* bottom = bitmap.row(y0 + 1) + 3 * x0;
  int bgr[3];
  for (int c = 0; c < 3; ++c) {
    const double v =
        (top[c] * wy0 + bottom[c] * wy1) * wx0 + (top[3 + c] * wy0 + bottom[3 + c] * wy1) * wx1;
    bgr[c] = ClampChannel(Round(v));
  }
  return MakeColour(bgr[2], bgr[1], bgr[0]);
}

#if defined(__x86_64__)
namespace {

// SampleBgr with the three channels in the lanes of one AVX register: the same products and sums
// in the same order per lane, rounded with ties to even by the instruction the compiler would use
// for std::nearbyint, so every byte equals the scalar sampler's.
__attribute__((target("avx2"))) void SampleBgrAvx2(double X, double Y, const ConstView& bitmap,
                                                   std::uint8_t* out) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  int y0;
  if (Y >= 0 && Y < h - 1) {
    y0 = static_cast<int>(Y);
  } else if (Y < 0) {
    Y = 0;
    y0 = 0;
  } else {
    Y = h - 2;
    y0 = h - 2;
  }
  if (!(X >= 0)) {
    X = 0;
  } else if (X > w - 2) {
    X = w - 2;
  }
  const int x0 = static_cast<int>(X);
  const __m256d wy0 = _mm256_set1_pd(y0 + 1 - Y);
  const __m256d wy1 = _mm256_set1_pd(Y - y0);
  const __m256d wx0 = _mm256_set1_pd(x0 + 1 - X);
  const __m256d wx1 = _mm256_set1_pd(X - x0);
  const std::uint8_t* top = bitmap.row(y0) + 3 * x0;
  const std::uint8_t* bottom = top + bitmap.stride;
  // Bytes 0..3 and 2..5 of each row: both pixels' channels without reading past the row.
  std::int32_t t0, t2, b0, b2;
  std::memcpy(&t0, top, 4);
  std::memcpy(&t2, top + 2, 4);
  std::memcpy(&b0, bottom, 4);
  std::memcpy(&b2, bottom + 2, 4);
  const __m128i left = _mm_setr_epi32(t0, b0, 0, 0);
  const __m128i right = _mm_setr_epi32(t2, b2, 0, 0);
  // Lanes (blue, green, red, -) of the left and the right pixel, top and bottom.
  const __m256d topLeft = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(left));
  const __m256d bottomLeft = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(left, 4)));
  const __m256d topRight = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(right, 1)));
  const __m256d bottomRight = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(right, 5)));
  const __m256d v = _mm256_add_pd(
      _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(topLeft, wy0), _mm256_mul_pd(bottomLeft, wy1)),
                    wx0),
      _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(topRight, wy0), _mm256_mul_pd(bottomRight, wy1)),
                    wx1));
  const __m128i whole =
      _mm256_cvtpd_epi32(_mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
  const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(whole, whole), whole);
  const std::uint32_t bgr = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
  out[0] = static_cast<std::uint8_t>(bgr);
  out[1] = static_cast<std::uint8_t>(bgr >> 8);
  out[2] = static_cast<std::uint8_t>(bgr >> 16);
}

__attribute__((target("avx2"))) void SampleRunAvx2(const double* X, const double* Y, const int* x,
                                                   int n, const ConstView& bitmap,
                                                   std::uint8_t* out) {
  for (int i = 0; i < n; ++i) SampleBgrAvx2(X[i], Y[i], bitmap, out + 3 * x[i]);
}

bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

}  // namespace
#endif

void SampleRunScalar(const double* X, const double* Y, const int* x, int n, const ConstView& bitmap,
                     std::uint8_t* out) {
  for (int i = 0; i < n; ++i) SampleBgr(X[i], Y[i], bitmap, out + 3 * x[i]);
}

SampleRunFunction FastestSampleRun() {
#if defined(__x86_64__)
  if (HasAvx2()) return &SampleRunAvx2;
#endif
  return &SampleRunScalar;
}

}  // namespace drollo
