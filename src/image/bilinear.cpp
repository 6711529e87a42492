#include "image/bilinear.h"

#include <cassert>
#include <cstring>
#include <vector>

#include "image/cpu_features.h"

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

inline std::int32_t Load32(const std::uint8_t* p) {
  std::int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Byte `shift / 8` of each 32-bit lane, as a double.
__attribute__((target("avx2"), always_inline)) inline __m256d ByteLane(__m128i bytes, int shift) {
  return _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(bytes, shift), _mm_set1_epi32(0xFF)));
}

// SampleBgr for four positions at once, one in each lane of an AVX register: the clamps, the
// weights, the products and the sums are those of the scalar sampler, in the same order per lane,
// and the rounding is to nearest with ties to even, so every byte equals the scalar sampler's.
// (The target has no FMA, so no product and sum can be fused into one rounding.) The four pixels
// around a position are read as bytes 0..3 and 2..5 of each of its two rows, never past the row.
__attribute__((target("avx2"))) void SampleRunAvx2(const double* X, const double* Y, const int* x,
                                                   int n, const ConstView& bitmap,
                                                   std::uint8_t* out) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  const __m256d zero = _mm256_setzero_pd();
  const __m256d lastRow = _mm256_set1_pd(h - 1);
  const __m256d rowClamp = _mm256_set1_pd(h - 2);
  const __m256d columnClamp = _mm256_set1_pd(w - 2);
  const __m128i one = _mm_set1_epi32(1);
  // Copies, so that the stores into `out` (bytes, which may alias anything) do not make the
  // compiler read them again for every pixel.
  const std::uint8_t* const data = bitmap.data;
  const std::ptrdiff_t stride = bitmap.stride;
  // Bytes b0 b1 b2 b3 g0 g1 g2 g3 r0 r1 r2 r3 to b0 g0 r0 b1 g1 r1 ...
  const __m128i interleave = _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    // Rows: in [0, h - 1) as it is, below 0 to 0, else (beyond, or NaN) to h - 2.
    __m256d vy = _mm256_loadu_pd(Y + i);
    const __m256d inside =
        _mm256_and_pd(_mm256_cmp_pd(vy, zero, _CMP_GE_OQ), _mm256_cmp_pd(vy, lastRow, _CMP_LT_OQ));
    const __m256d negative = _mm256_cmp_pd(vy, zero, _CMP_LT_OQ);
    vy = _mm256_blendv_pd(_mm256_blendv_pd(rowClamp, zero, negative), vy, inside);
    // Columns: not at least 0 (NaN included) to 0, beyond w - 2 to w - 2.
    __m256d vx = _mm256_loadu_pd(X + i);
    const __m256d notNegative = _mm256_cmp_pd(vx, zero, _CMP_GE_OQ);
    const __m256d beyond = _mm256_cmp_pd(vx, columnClamp, _CMP_GT_OQ);
    vx = _mm256_blendv_pd(zero, _mm256_blendv_pd(vx, columnClamp, beyond), notNegative);
    const __m128i y0 = _mm256_cvttpd_epi32(vy);
    const __m128i x0 = _mm256_cvttpd_epi32(vx);
    const __m256d wy0 = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm_add_epi32(y0, one)), vy);
    const __m256d wy1 = _mm256_sub_pd(vy, _mm256_cvtepi32_pd(y0));
    const __m256d wx0 = _mm256_sub_pd(_mm256_cvtepi32_pd(_mm_add_epi32(x0, one)), vx);
    const __m256d wx1 = _mm256_sub_pd(vx, _mm256_cvtepi32_pd(x0));
    // The four bytes at each pixel's top left and two bytes on, in its row and the next, loaded
    // one by one (the processor's gathers are slower) straight into the lanes.
    const std::uint8_t* p0 =
        data + _mm_extract_epi32(y0, 0) * stride + 3 * _mm_extract_epi32(x0, 0);
    const std::uint8_t* p1 =
        data + _mm_extract_epi32(y0, 1) * stride + 3 * _mm_extract_epi32(x0, 1);
    const std::uint8_t* p2 =
        data + _mm_extract_epi32(y0, 2) * stride + 3 * _mm_extract_epi32(x0, 2);
    const std::uint8_t* p3 =
        data + _mm_extract_epi32(y0, 3) * stride + 3 * _mm_extract_epi32(x0, 3);
    const __m128i topLeft = _mm_setr_epi32(Load32(p0), Load32(p1), Load32(p2), Load32(p3));
    const __m128i topRight =
        _mm_setr_epi32(Load32(p0 + 2), Load32(p1 + 2), Load32(p2 + 2), Load32(p3 + 2));
    const __m128i bottomLeft = _mm_setr_epi32(Load32(p0 + stride), Load32(p1 + stride),
                                              Load32(p2 + stride), Load32(p3 + stride));
    const __m128i bottomRight = _mm_setr_epi32(Load32(p0 + stride + 2), Load32(p1 + stride + 2),
                                               Load32(p2 + stride + 2), Load32(p3 + stride + 2));
    __m128i channel[3];
    for (int c = 0; c < 3; ++c) {
      // Left pixel: byte c of bytes 0..3; right pixel: byte c + 1 of bytes 2..5.
      const __m256d tl = ByteLane(topLeft, 8 * c), bl = ByteLane(bottomLeft, 8 * c);
      const __m256d tr = ByteLane(topRight, 8 * (c + 1)), br = ByteLane(bottomRight, 8 * (c + 1));
      const __m256d v = _mm256_add_pd(
          _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(tl, wy0), _mm256_mul_pd(bl, wy1)), wx0),
          _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(tr, wy0), _mm256_mul_pd(br, wy1)), wx1));
      channel[c] =
          _mm256_cvtpd_epi32(_mm256_round_pd(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
    }
    // Saturated to bytes as the scalar sampler clamps, then interleaved blue, green, red.
    const __m128i bytes =
        _mm_shuffle_epi8(_mm_packus_epi16(_mm_packs_epi32(channel[0], channel[1]),
                                          _mm_packs_epi32(channel[2], channel[2])),
                         interleave);
    alignas(16) std::uint8_t pixels[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(pixels), bytes);
    if (x[i + 1] == x[i] + 1 && x[i + 2] == x[i] + 2 && x[i + 3] == x[i] + 3) {
      std::memcpy(out + 3 * x[i], pixels, 12);
    } else {
      for (int k = 0; k < 4; ++k) std::memcpy(out + 3 * x[i + k], pixels + 3 * k, 3);
    }
  }
  for (; i < n; ++i) SampleBgr(X[i], Y[i], bitmap, out + 3 * x[i]);
}

// GCC 12 takes the undefined start values inside its own AVX-512 conversions for uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// ByteLane for eight lanes.
__attribute__((target("avx512f,avx512vl,avx512bw,avx512dq"), always_inline)) inline __m512d
ByteLanes(__m256i bytes, int shift) {
  return _mm512_cvtepi32_pd(
      _mm256_and_si256(_mm256_srli_epi32(bytes, shift), _mm256_set1_epi32(0xFF)));
}

// SampleRunAvx2 with eight positions at once, in the lanes of AVX-512 registers: the same clamps,
// weights, products and sums per lane, in the same order, and the same rounding, so the same
// bytes. The eight pixels' channels are interleaved with two byte shuffles per half.
__attribute__((target("avx512f,avx512vl,avx512bw,avx512dq"))) void SampleRunAvx512(
    const double* X, const double* Y, const int* x, int n, const ConstView& bitmap,
    std::uint8_t* out) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  const __m512d zero = _mm512_setzero_pd();
  const __m512d lastRow = _mm512_set1_pd(h - 1);
  const __m512d rowClamp = _mm512_set1_pd(h - 2);
  const __m512d columnClamp = _mm512_set1_pd(w - 2);
  const __m256i one = _mm256_set1_epi32(1);
  const std::uint8_t* const data = bitmap.data;
  const std::ptrdiff_t stride = bitmap.stride;
  const __m512i stride64 = _mm512_set1_epi64(stride);
  // Blue and green in bytes 0..7 and 8..15 of one register, red in 0..7 of another, to blue,
  // green, red of pixels 0..5 (and 5 blue) in the first sixteen bytes and the rest in the next.
  const __m128i firstBlueGreen =
      _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5);
  const __m128i firstRed = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i restBlueGreen =
      _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i restRed =
      _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m512d vy = _mm512_loadu_pd(Y + i);
    const __mmask8 inside =
        _mm512_cmp_pd_mask(vy, zero, _CMP_GE_OQ) & _mm512_cmp_pd_mask(vy, lastRow, _CMP_LT_OQ);
    const __mmask8 negative = _mm512_cmp_pd_mask(vy, zero, _CMP_LT_OQ);
    vy = _mm512_mask_blend_pd(inside, _mm512_mask_blend_pd(negative, rowClamp, zero), vy);
    __m512d vx = _mm512_loadu_pd(X + i);
    const __mmask8 notNegative = _mm512_cmp_pd_mask(vx, zero, _CMP_GE_OQ);
    const __mmask8 beyond = _mm512_cmp_pd_mask(vx, columnClamp, _CMP_GT_OQ);
    vx = _mm512_mask_blend_pd(notNegative, zero, _mm512_mask_blend_pd(beyond, vx, columnClamp));
    const __m256i y0 = _mm512_cvttpd_epi32(vy);
    const __m256i x0 = _mm512_cvttpd_epi32(vx);
    const __m512d wy0 = _mm512_sub_pd(_mm512_cvtepi32_pd(_mm256_add_epi32(y0, one)), vy);
    const __m512d wy1 = _mm512_sub_pd(vy, _mm512_cvtepi32_pd(y0));
    const __m512d wx0 = _mm512_sub_pd(_mm512_cvtepi32_pd(_mm256_add_epi32(x0, one)), vx);
    const __m512d wx1 = _mm512_sub_pd(vx, _mm512_cvtepi32_pd(x0));
    // Each pixel's top-left byte: y0 * stride + 3 * x0.
    alignas(64) std::int64_t offsets[8];
    const __m512i x3 = _mm512_cvtepi32_epi64(_mm256_add_epi32(x0, _mm256_add_epi32(x0, x0)));
    _mm512_store_si512(
        offsets, _mm512_add_epi64(_mm512_mullo_epi64(_mm512_cvtepi32_epi64(y0), stride64), x3));
    const std::uint8_t* p[8];
    for (int k = 0; k < 8; ++k) p[k] = data + offsets[k];
    const __m256i topLeft =
        _mm256_setr_epi32(Load32(p[0]), Load32(p[1]), Load32(p[2]), Load32(p[3]), Load32(p[4]),
                          Load32(p[5]), Load32(p[6]), Load32(p[7]));
    const __m256i topRight =
        _mm256_setr_epi32(Load32(p[0] + 2), Load32(p[1] + 2), Load32(p[2] + 2), Load32(p[3] + 2),
                          Load32(p[4] + 2), Load32(p[5] + 2), Load32(p[6] + 2), Load32(p[7] + 2));
    const __m256i bottomLeft = _mm256_setr_epi32(
        Load32(p[0] + stride), Load32(p[1] + stride), Load32(p[2] + stride), Load32(p[3] + stride),
        Load32(p[4] + stride), Load32(p[5] + stride), Load32(p[6] + stride), Load32(p[7] + stride));
    const __m256i bottomRight = _mm256_setr_epi32(
        Load32(p[0] + stride + 2), Load32(p[1] + stride + 2), Load32(p[2] + stride + 2),
        Load32(p[3] + stride + 2), Load32(p[4] + stride + 2), Load32(p[5] + stride + 2),
        Load32(p[6] + stride + 2), Load32(p[7] + stride + 2));
    __m128i channel[3];
    for (int c = 0; c < 3; ++c) {
      const __m512d tl = ByteLanes(topLeft, 8 * c), bl = ByteLanes(bottomLeft, 8 * c);
      const __m512d tr = ByteLanes(topRight, 8 * (c + 1)), br = ByteLanes(bottomRight, 8 * (c + 1));
      const __m512d v = _mm512_add_pd(
          _mm512_mul_pd(_mm512_add_pd(_mm512_mul_pd(tl, wy0), _mm512_mul_pd(bl, wy1)), wx0),
          _mm512_mul_pd(_mm512_add_pd(_mm512_mul_pd(tr, wy0), _mm512_mul_pd(br, wy1)), wx1));
      // Rounded to nearest, ties to even; clamped to 0..255 as the scalar sampler does.
      const __m256i r = _mm512_cvt_roundpd_epi32(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
      channel[c] = _mm256_cvtusepi32_epi8(_mm256_max_epi32(r, _mm256_setzero_si256()));
    }
    const __m128i blueGreen = _mm_unpacklo_epi64(channel[0], channel[1]);
    const __m128i first = _mm_or_si128(_mm_shuffle_epi8(blueGreen, firstBlueGreen),
                                       _mm_shuffle_epi8(channel[2], firstRed));
    const __m128i rest = _mm_or_si128(_mm_shuffle_epi8(blueGreen, restBlueGreen),
                                      _mm_shuffle_epi8(channel[2], restRed));
    alignas(32) std::uint8_t pixels[32];
    _mm_store_si128(reinterpret_cast<__m128i*>(pixels), first);
    _mm_store_si128(reinterpret_cast<__m128i*>(pixels + 16), rest);
    const __m256i columns = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i));
    const __m256i adjacent =
        _mm256_add_epi32(_mm256_set1_epi32(x[i]), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    if (_mm256_cmpeq_epi32_mask(columns, adjacent) == 0xFF) {
      std::memcpy(out + 3 * x[i], pixels, 24);
    } else {
      for (int k = 0; k < 8; ++k) std::memcpy(out + 3 * x[i + k], pixels + 3 * k, 3);
    }
  }
  SampleRunAvx2(X + i, Y + i, x + i, n - i, bitmap, out);
}

#pragma GCC diagnostic pop

}  // namespace
#endif

void SampleRunScalar(const double* X, const double* Y, const int* x, int n, const ConstView& bitmap,
                     std::uint8_t* out) {
  for (int i = 0; i < n; ++i) SampleBgr(X[i], Y[i], bitmap, out + 3 * x[i]);
}

std::vector<SampleRunFunction> SampleRunsOfThisProcessor() {
  std::vector<SampleRunFunction> runs{&SampleRunScalar};
#if defined(__x86_64__)
  if (HasAvx2()) runs.push_back(&SampleRunAvx2);
  if (HasAvx2() && HasAvx512()) runs.push_back(&SampleRunAvx512);
#endif
  return runs;
}

SampleRunFunction FastestSampleRun() {
  return SampleRunsOfThisProcessor().back();
}

}  // namespace drollo
