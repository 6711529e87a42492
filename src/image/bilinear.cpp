#include "image/bilinear.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
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

// The run's positions formed in doubles, as many at a time as the columns' list holds, and handed
// to sampleRun.
void SampleOffsetRunWith(SampleRunFunction sampleRun, const OffsetRun& run, const ConstView& bitmap,
                         std::uint8_t* out) {
  constexpr int kPart = static_cast<int>(kConsecutive.size());
  double X[kPart], Y[kPart];
  for (int done = 0; done < run.n; done += kPart) {
    const int m = std::min(kPart, run.n - done);
    for (int i = 0; i < m; ++i) OffsetRunPosition(run, done + i, X[i], Y[i]);
    sampleRun(X, Y, kConsecutive.data(), m, bitmap, out + 3 * (run.x + done));
  }
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

// Byte offsets into the picture are kept in 32-bit lanes, and eight bytes from the start of a row
// lie in the row.
bool FitsThirtyTwoBitOffsets(const ConstView& bitmap) {
  return bitmap.stride * static_cast<std::ptrdiff_t>(bitmap.height) <= std::ptrdiff_t{1} << 30 &&
         bitmap.width >= 3;
}

// What the samplers of every width do pixel by pixel with their positions: the pixel a position
// is stored at, and its sample done again by the scalar sampler.
//
// Positions given as doubles, each stored at pixel x[k] counted from `out`.
struct DoubleRun {
  const double* X;
  const double* Y;
  const int* x;

  int column(int k) const { return x[k]; }
  void exactly(int k, const ConstView& bitmap, std::uint8_t* out) const {
    SampleBgr(X[k], Y[k], bitmap, out + 3 * x[k]);
  }
};

// The positions of an offset run (see OffsetRun), stored at its consecutive pixels.
struct SplitRun {
  const OffsetRun& run;

  int column(int k) const { return run.x + k; }
  void exactly(int k, const ConstView& bitmap, std::uint8_t* out) const {
    double X, Y;
    OffsetRunPosition(run, k, X, Y);
    SampleBgr(X, Y, bitmap, out + 3 * (run.x + k));
  }
};

#define DROLLO_AVX2_FMA __attribute__((target("avx2,fma")))
// The positions' loads belong in the sampler's loop: with a sampler for each reach, the compiler
// otherwise calls them.
#define DROLLO_ALWAYS_INLINE __attribute__((always_inline))

// The positions of eight lanes as the blend takes them: the whole parts, and the fractions as
// floats.
struct EightPositions {
  __m256i x0;
  __m256i y0;
  __m256 wx1;
  __m256 wy1;
};

// Lanes from `count` on take lane 0's value.
DROLLO_AVX2_FMA inline __m256i RepeatFirstFrom(int count, __m256i v) {
  const __m256i past =
      _mm256_cmpgt_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(count - 1));
  return _mm256_blendv_epi8(v, _mm256_permutevar8x32_epi32(v, _mm256_setzero_si256()), past);
}
DROLLO_AVX2_FMA inline __m256 RepeatFirstFrom(int count, __m256 v) {
  return _mm256_castsi256_ps(RepeatFirstFrom(count, _mm256_castps_si256(v)));
}

// Positions given as doubles, clamped as the scalar sampler clamps them, each stored at pixel x[k]
// counted from `out`.
struct DoublePositionsAvx2 : DoubleRun {
  // The pixels are those of a run of neighbours (the columns' list is kConsecutive).
  bool neighbours;

  // Lanes past the end of the run (`count` long from position i) repeat its first position.
  DROLLO_AVX2_FMA DROLLO_ALWAYS_INLINE EightPositions at(int i, int count,
                                                         const ConstView& bitmap) const {
    // Rows: in [0, h - 1) as they are, below 0 to 0, else (beyond, or NaN) to h - 2. Columns: not
    // at least 0 (NaN included) to 0, beyond w - 2 to w - 2. (The maximum takes its second operand
    // for NaN; 0 for -0 changes no weight's size.)
    const __m256d zero = _mm256_setzero_pd();
    const __m256d lastRow = _mm256_set1_pd(bitmap.height - 1);
    const __m256d rowClamp = _mm256_set1_pd(bitmap.height - 2);
    const __m256d columnClamp = _mm256_set1_pd(bitmap.width - 2);
    __m128i y0[2], x0[2];
    __m128 wy1[2], wx1[2];
    for (int j = 0; j < 2; ++j) {
      __m256d y, xj;
      if (count == 8) {
        y = _mm256_loadu_pd(Y + i + 4 * j);
        xj = _mm256_loadu_pd(X + i + 4 * j);
      } else {
        const __m256i in = _mm256_cmpgt_epi64(
            _mm256_set1_epi64x(count), _mm256_setr_epi64x(4 * j, 4 * j + 1, 4 * j + 2, 4 * j + 3));
        y = _mm256_blendv_pd(_mm256_set1_pd(Y[i]), _mm256_maskload_pd(Y + i + 4 * j, in),
                             _mm256_castsi256_pd(in));
        xj = _mm256_blendv_pd(_mm256_set1_pd(X[i]), _mm256_maskload_pd(X + i + 4 * j, in),
                              _mm256_castsi256_pd(in));
      }
      const __m256d vy =
          _mm256_max_pd(_mm256_blendv_pd(rowClamp, y, _mm256_cmp_pd(y, lastRow, _CMP_LT_OQ)), zero);
      const __m256d vx = _mm256_min_pd(_mm256_max_pd(xj, zero), columnClamp);
      y0[j] = _mm256_cvttpd_epi32(vy);
      x0[j] = _mm256_cvttpd_epi32(vx);
      // Y - y0 and X - x0 are exact.
      wy1[j] = _mm256_cvtpd_ps(_mm256_sub_pd(vy, _mm256_cvtepi32_pd(y0[j])));
      wx1[j] = _mm256_cvtpd_ps(_mm256_sub_pd(vx, _mm256_cvtepi32_pd(x0[j])));
    }
    return EightPositions{_mm256_set_m128i(x0[1], x0[0]), _mm256_set_m128i(y0[1], y0[0]),
                          _mm256_set_m128(wx1[1], wx1[0]), _mm256_set_m128(wy1[1], wy1[0])};
  }
  bool consecutive(int i, int count) const {
    if (neighbours) return true;
    for (int k = 1; k < count; ++k)
      if (x[i + k] != x[i] + k) return false;
    return true;
  }
};

// The positions of an offset run, from its split tables: whole parts added as integers, the
// fractions taken as they are. Every position lies where no clamp applies, and the pixels are
// consecutive.
struct SplitPositionsAvx2 : SplitRun {
  // Lanes past the end of the run repeat its first position.
  DROLLO_AVX2_FMA DROLLO_ALWAYS_INLINE EightPositions at(int i, int count,
                                                         const ConstView& /*bitmap*/) const {
    const int a = run.a0 + run.step * i;
    __m256i xWhole, yWhole;
    __m256 wx1, wy1;
    const __m256i iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    if (run.step > 0) {
      if (count == 8) {
        xWhole = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.xWhole + a));
        yWhole = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.yWhole + a));
        wx1 = _mm256_loadu_ps(run.xFraction + a);
        wy1 = _mm256_loadu_ps(run.yFraction + a);
      } else {
        const __m256i in = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), iota);
        xWhole = _mm256_maskload_epi32(run.xWhole + a, in);
        yWhole = _mm256_maskload_epi32(run.yWhole + a, in);
        wx1 = _mm256_maskload_ps(run.xFraction + a, in);
        wy1 = _mm256_maskload_ps(run.yFraction + a, in);
      }
    } else {
      // Entries a, a - 1, ..., loaded from a - 7 up and turned round; nothing before the run's
      // last entry is read.
      const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
      if (count == 8) {
        xWhole = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.xWhole + a - 7));
        yWhole = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.yWhole + a - 7));
        wx1 = _mm256_loadu_ps(run.xFraction + a - 7);
        wy1 = _mm256_loadu_ps(run.yFraction + a - 7);
      } else {
        const __m256i in = _mm256_cmpgt_epi32(iota, _mm256_set1_epi32(7 - count));
        xWhole = _mm256_maskload_epi32(run.xWhole + a - 7, in);
        yWhole = _mm256_maskload_epi32(run.yWhole + a - 7, in);
        wx1 = _mm256_maskload_ps(run.xFraction + a - 7, in);
        wy1 = _mm256_maskload_ps(run.yFraction + a - 7, in);
      }
      xWhole = _mm256_permutevar8x32_epi32(xWhole, reverse);
      yWhole = _mm256_permutevar8x32_epi32(yWhole, reverse);
      wx1 = _mm256_permutevar8x32_ps(wx1, reverse);
      wy1 = _mm256_permutevar8x32_ps(wy1, reverse);
    }
    EightPositions p{_mm256_add_epi32(_mm256_add_epi32(_mm256_set1_epi32(run.x + i), iota), xWhole),
                     _mm256_add_epi32(_mm256_set1_epi32(run.y), yWhole), wx1, wy1};
    if (count < 8) {
      p.x0 = RepeatFirstFrom(count, p.x0);
      p.y0 = RepeatFirstFrom(count, p.y0);
      p.wx1 = RepeatFirstFrom(count, p.wx1);
      p.wy1 = RepeatFirstFrom(count, p.wy1);
    }
    return p;
  }
  static bool consecutive(int /*i*/, int /*count*/) { return true; }
};

// Byte `b` of each lane's eight bytes to the low byte of its 32-bit lane, as floats: lanes 0, 1
// (low half) and 4, 5 (high half) hold their bytes in `first`, lanes 2, 3 and 6, 7 in `second`.
DROLLO_AVX2_FMA inline __m256 PickByte(__m256i first, __m256i second, int b) {
  const char z = -1;
  const auto c = static_cast<char>(b);
  const auto d = static_cast<char>(8 + b);
  const __m256i fromFirst = _mm256_setr_epi8(c, z, z, z, d, z, z, z, z, z, z, z, z, z, z, z,  //
                                             c, z, z, z, d, z, z, z, z, z, z, z, z, z, z, z);
  const __m256i fromSecond = _mm256_setr_epi8(z, z, z, z, z, z, z, z, c, z, z, z, d, z, z, z,  //
                                              z, z, z, z, z, z, z, z, c, z, z, z, d, z, z, z);
  return _mm256_cvtepi32_ps(_mm256_or_si256(_mm256_shuffle_epi8(first, fromFirst),
                                            _mm256_shuffle_epi8(second, fromSecond)));
}

inline std::int64_t Load64(const std::uint8_t* p) {
  std::int64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// The eight bytes at base + offsets[k] for lanes k0, k1 (low half) and k2, k3 (high half).
DROLLO_AVX2_FMA inline __m256i EightBytesEach(const std::uint8_t* base, const std::int32_t* offsets,
                                              int k0, int k1, int k2, int k3) {
  return _mm256_set_epi64x(Load64(base + offsets[k3]), Load64(base + offsets[k2]),
                           Load64(base + offsets[k1]), Load64(base + offsets[k0]));
}

// SampleRunScalar eight positions at a time, with the same bytes, through the checked float blend
// of the sixteen-lane form (see SampleGroupsAvx512 below for why it gives the formula's bytes): the
// clamps and the weights in double precision, the blend in single precision, and a lane whose blend
// lies within 2^-12 of a half done again by the scalar sampler. Each position's eight bytes and the
// eight below them are read one by one; a lane in the last two columns would read past its row, so
// it reads the first pixel instead and is done again too.
//
// With kAhead, the first pass also asks for the lines the second will read (see SourceReach).
//
// The picture must be at least 3 pixels wide, and its bytes few enough for 32-bit offsets.
template <bool kAhead, typename Positions>
DROLLO_AVX2_FMA void SampleGroupsAvx2(const Positions& positions, int n, const ConstView& bitmap,
                                      std::uint8_t* out) {
  const std::uint8_t* const data = bitmap.data;
  const std::uint8_t* const below = data + bitmap.stride;
  const __m256 one = _mm256_set1_ps(1);
  const __m256 nearHalf = _mm256_set1_ps(0.5F - 1.0F / 4096);
  const __m256 sign = _mm256_set1_ps(-0.0F);
  const __m256i stride32 = _mm256_set1_epi32(static_cast<int>(bitmap.stride));
  const __m256i three = _mm256_set1_epi32(3);
  const __m256i lastEightByteColumn = _mm256_set1_epi32(bitmap.width - 3);
  // Bytes b0 b1 b2 b3 g0 g1 g2 g3 r0 r1 r2 r3 of each half to b0 g0 r0 b1 g1 r1 ...
  const __m256i interleave = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1,
                                              0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
  // A part of the run at a time, in two passes: first every position's byte offset and fractions,
  // then the blends. The blends' reads then wait on no arithmetic, and more of them are under way
  // at once.
  constexpr int kPart = 128;
  alignas(32) std::int32_t offsets[kPart];
  alignas(32) float wx1s[kPart], wy1s[kPart];
  std::uint8_t lastColumns[kPart / 8];
  for (int from = 0; from < n; from += kPart) {
    const int m = std::min(kPart, n - from);
    for (int g = 0; g < m; g += 8) {
      const EightPositions p = positions.at(from + g, std::min(8, m - g), bitmap);
      const __m256i last = _mm256_cmpgt_epi32(p.x0, lastEightByteColumn);
      lastColumns[g / 8] = static_cast<std::uint8_t>(_mm256_movemask_ps(_mm256_castsi256_ps(last)));
      _mm256_store_si256(
          reinterpret_cast<__m256i*>(offsets + g),
          _mm256_andnot_si256(last, _mm256_add_epi32(_mm256_mullo_epi32(p.y0, stride32),
                                                     _mm256_mullo_epi32(p.x0, three))));
      _mm256_store_ps(wx1s + g, p.wx1);
      _mm256_store_ps(wy1s + g, p.wy1);
      if constexpr (kAhead) {
        // The first and the last lane's lines are asked for now and read in the second pass, a
        // part later. (Asking for every lane's lines was slower: most share lines.)
        for (const int k : {g, g + std::min(8, m - g) - 1}) {
          _mm_prefetch(reinterpret_cast<const char*>(data + offsets[k]), _MM_HINT_T0);
          _mm_prefetch(reinterpret_cast<const char*>(below + offsets[k]), _MM_HINT_T0);
        }
      }
    }
    for (int g = 0; g < m; g += 8) {
      const int i = from + g;
      // Nothing is stored from the lanes past the end of the run.
      const int count = std::min(8, m - g);
      const __m256 wx1 = _mm256_load_ps(wx1s + g), wy1 = _mm256_load_ps(wy1s + g);
      const __m256 wy0 = _mm256_sub_ps(one, wy1);
      const __m256 wx0 = _mm256_sub_ps(one, wx1);
      // Lanes 0, 1, 4, 5 in the first register of each row, 2, 3, 6, 7 in the second, so that the
      // bytes picked from both come out in lane order.
      const std::int32_t* const at = offsets + g;
      const __m256i top0 = EightBytesEach(data, at, 0, 1, 4, 5);
      const __m256i top1 = EightBytesEach(data, at, 2, 3, 6, 7);
      const __m256i bottom0 = EightBytesEach(below, at, 0, 1, 4, 5);
      const __m256i bottom1 = EightBytesEach(below, at, 2, 3, 6, 7);
      __m256i channel[3];
      __m256 farthest = _mm256_setzero_ps();  // the largest distance to a whole number
#pragma GCC unroll 3
      for (int c = 0; c < 3; ++c) {
        const __m256 tl = PickByte(top0, top1, c), tr = PickByte(top0, top1, c + 3);
        const __m256 bl = PickByte(bottom0, bottom1, c), br = PickByte(bottom0, bottom1, c + 3);
        const __m256 left = _mm256_fmadd_ps(bl, wy1, _mm256_mul_ps(tl, wy0));
        const __m256 right = _mm256_fmadd_ps(br, wy1, _mm256_mul_ps(tr, wy0));
        const __m256 v = _mm256_fmadd_ps(right, wx1, _mm256_mul_ps(left, wx0));
        const __m256 nearest = _mm256_round_ps(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        // v less its nearest whole number is exact.
        farthest = _mm256_max_ps(farthest, _mm256_andnot_ps(sign, _mm256_sub_ps(v, nearest)));
        channel[c] = _mm256_cvtps_epi32(nearest);
      }
      int unsure =
          (lastColumns[g / 8] | _mm256_movemask_ps(_mm256_cmp_ps(farthest, nearHalf, _CMP_GT_OQ))) &
          ((1 << count) - 1);
      // Saturated to bytes as the scalar sampler clamps, then interleaved blue, green, red: pixels
      // 0..3 in the first twelve bytes of the low half, 4..7 in those of the high half.
      const __m256i pixels =
          _mm256_shuffle_epi8(_mm256_packus_epi16(_mm256_packus_epi32(channel[0], channel[1]),
                                                  _mm256_packus_epi32(channel[2], channel[2])),
                              interleave);
      const __m128i low = _mm256_castsi256_si128(pixels);
      const __m128i high = _mm256_extracti128_si256(pixels, 1);
      if (count == 8 && positions.consecutive(i, 8)) {
        // Straight from the registers: the low half's four spare bytes are written over by the
        // high half's pixels. (Through a buffer, the copy would read one stretch of two stores,
        // which the processor cannot hand on before both are written.)
        std::uint8_t* const to = out + 3 * positions.column(i);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), low);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + 12), high);
        const std::int32_t last = _mm_extract_epi32(high, 2);
        std::memcpy(to + 20, &last, 4);
      } else {
        alignas(32) std::uint8_t bytes[32];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 12), high);
        for (int k = 0; k < count; ++k)
          std::memcpy(out + 3 * positions.column(i + k), bytes + 3 * k, 3);
      }
      for (; unsure != 0; unsure &= unsure - 1)
        positions.exactly(i + __builtin_ctz(static_cast<unsigned>(unsure)), bitmap, out);
    }
  }
}

template <bool kAhead>
DROLLO_AVX2_FMA void SampleRunAvx2Fma(const double* X, const double* Y, const int* x, int n,
                                      const ConstView& bitmap, std::uint8_t* out) {
  if (!FitsThirtyTwoBitOffsets(bitmap)) {
    SampleRunAvx2(X, Y, x, n, bitmap, out);
    return;
  }
  SampleGroupsAvx2<kAhead>(DoublePositionsAvx2{{X, Y, x}, x == kConsecutive.data()}, n, bitmap,
                           out);
}

template <bool kAhead>
DROLLO_AVX2_FMA void SampleOffsetRunAvx2Fma(const OffsetRun& run, const ConstView& bitmap,
                                            std::uint8_t* out) {
  if (!FitsThirtyTwoBitOffsets(bitmap)) {
    SampleOffsetRunWith(&SampleRunAvx2, run, bitmap, out);
    return;
  }
  SampleGroupsAvx2<kAhead>(SplitPositionsAvx2{{run}}, run.n, bitmap, out);
}

#undef DROLLO_AVX2_FMA
#undef DROLLO_ALWAYS_INLINE

// GCC 12 takes the undefined start values inside its own AVX-512 conversions for uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define DROLLO_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx512vbmi")))

// Sixteen doubles, eight in each register, as floats in one register.
DROLLO_AVX512 inline __m512 Floats(__m512d low, __m512d high) {
  return _mm512_insertf32x8(_mm512_castps256_ps512(_mm512_cvtpd_ps(low)), _mm512_cvtpd_ps(high), 1);
}

DROLLO_AVX512 inline __m512i Join(__m256i low, __m256i high) {
  return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
}

DROLLO_AVX512 inline __m512i Join(__m128i a, __m128i b, __m128i c, __m128i d) {
  return Join(_mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1),
              _mm256_inserti128_si256(_mm256_castsi128_si256(c), d, 1));
}

// Bytes `index` of the 128 bytes of (low, high) into the low byte of each 32-bit lane, as floats.
DROLLO_AVX512 inline __m512 PickBytes(__m512i low, __m512i index, __m512i high) {
  constexpr __mmask64 kLowByteOfEachLane = 0x1111111111111111ULL;
  return _mm512_cvtepi32_ps(_mm512_maskz_permutex2var_epi8(kLowByteOfEachLane, low, index, high));
}

// The positions of sixteen lanes as the blend takes them: the whole parts, and the fractions as
// floats.
struct SixteenPositions {
  __m512i x0;
  __m512i y0;
  __m512 wx1;
  __m512 wy1;
};

// Positions given as doubles, clamped as the scalar sampler clamps them, each stored at pixel x[k]
// counted from `out`.
struct DoublePositions : DoubleRun {
  __m512d lastRow, rowClamp, columnClamp;

  DROLLO_AVX512 DoublePositions(const double* X_, const double* Y_, const int* x_, int w, int h)
      : DoubleRun{X_, Y_, x_},
        lastRow(_mm512_set1_pd(h - 1)),
        rowClamp(_mm512_set1_pd(h - 2)),
        columnClamp(_mm512_set1_pd(w - 2)) {}

  // Lanes past the end of the run (`count` long from position i) repeat its first position.
  DROLLO_AVX512 SixteenPositions at(int i, __mmask16 lanes, int /*count*/) const {
    // Rows: in [0, h - 1) as they are, below 0 to 0, else (beyond, or NaN) to h - 2. Columns: not
    // at least 0 (NaN included) to 0, beyond w - 2 to w - 2. (The maximum takes its second operand
    // for NaN; 0 for -0 changes no weight's size.)
    const __m512d zero = _mm512_setzero_pd();
    __m512d vy[2], vx[2];
    for (int j = 0; j < 2; ++j) {
      const __mmask8 half = static_cast<__mmask8>(lanes >> (8 * j));
      const __m512d y = _mm512_mask_loadu_pd(_mm512_set1_pd(Y[i]), half, Y + i + 8 * j);
      const __m512d xj = _mm512_mask_loadu_pd(_mm512_set1_pd(X[i]), half, X + i + 8 * j);
      vy[j] = _mm512_max_pd(
          _mm512_mask_blend_pd(_mm512_cmp_pd_mask(y, lastRow, _CMP_LT_OQ), rowClamp, y), zero);
      vx[j] = _mm512_min_pd(_mm512_max_pd(xj, zero), columnClamp);
    }
    const __m256i y0Low = _mm512_cvttpd_epi32(vy[0]), y0High = _mm512_cvttpd_epi32(vy[1]);
    const __m256i x0Low = _mm512_cvttpd_epi32(vx[0]), x0High = _mm512_cvttpd_epi32(vx[1]);
    // Y - y0 and X - x0 are exact.
    return SixteenPositions{Join(x0Low, x0High), Join(y0Low, y0High),
                            Floats(_mm512_sub_pd(vx[0], _mm512_cvtepi32_pd(x0Low)),
                                   _mm512_sub_pd(vx[1], _mm512_cvtepi32_pd(x0High))),
                            Floats(_mm512_sub_pd(vy[0], _mm512_cvtepi32_pd(y0Low)),
                                   _mm512_sub_pd(vy[1], _mm512_cvtepi32_pd(y0High)))};
  }
  DROLLO_AVX512 bool consecutive(int i, __mmask16 lanes) const {
    const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m512i columns = _mm512_maskz_loadu_epi32(lanes, x + i);
    return _mm512_mask_cmpeq_epi32_mask(lanes, columns,
                                        _mm512_add_epi32(_mm512_set1_epi32(x[i]), iota)) == lanes;
  }
};

// The positions of an offset run, from its split tables: whole parts added as integers, the
// fractions taken as they are. Every position lies where no clamp applies, and the pixels are
// consecutive.
struct SplitPositions : SplitRun {
  // Lanes past the end of the run repeat its first position.
  DROLLO_AVX512 SixteenPositions at(int i, __mmask16 lanes, int count) const {
    const int a = run.a0 + run.step * i;
    __m512i xWhole, yWhole;
    __m512 wx1, wy1;
    if (run.step > 0) {
      xWhole = _mm512_maskz_loadu_epi32(lanes, run.xWhole + a);
      yWhole = _mm512_maskz_loadu_epi32(lanes, run.yWhole + a);
      wx1 = _mm512_maskz_loadu_ps(lanes, run.xFraction + a);
      wy1 = _mm512_maskz_loadu_ps(lanes, run.yFraction + a);
    } else {
      // Entries a, a - 1, ..., loaded from a - 15 up and turned round; nothing before the run's
      // last entry is read.
      const __m512i reverse =
          _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
      const __mmask16 high = static_cast<__mmask16>(lanes << (16 - count));
      xWhole =
          _mm512_permutexvar_epi32(reverse, _mm512_maskz_loadu_epi32(high, run.xWhole + a - 15));
      yWhole =
          _mm512_permutexvar_epi32(reverse, _mm512_maskz_loadu_epi32(high, run.yWhole + a - 15));
      wx1 = _mm512_permutexvar_ps(reverse, _mm512_maskz_loadu_ps(high, run.xFraction + a - 15));
      wy1 = _mm512_permutexvar_ps(reverse, _mm512_maskz_loadu_ps(high, run.yFraction + a - 15));
    }
    const __m512i iota = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    SixteenPositions p{
        _mm512_add_epi32(_mm512_add_epi32(_mm512_set1_epi32(run.x + i), iota), xWhole),
        _mm512_add_epi32(_mm512_set1_epi32(run.y), yWhole), wx1, wy1};
    if (count < 16) {
      const __m512i first = _mm512_setzero_si512();
      p.x0 = _mm512_mask_blend_epi32(lanes, _mm512_permutexvar_epi32(first, p.x0), p.x0);
      p.y0 = _mm512_mask_blend_epi32(lanes, _mm512_permutexvar_epi32(first, p.y0), p.y0);
      p.wx1 = _mm512_mask_blend_ps(lanes, _mm512_permutexvar_ps(first, p.wx1), p.wx1);
      p.wy1 = _mm512_mask_blend_ps(lanes, _mm512_permutexvar_ps(first, p.wy1), p.wy1);
    }
    return p;
  }
  static bool consecutive(int /*i*/, __mmask16 /*lanes*/) { return true; }
};

// SampleRunScalar sixteen positions at a time, with the same bytes, through a cheaper blend that
// is checked before it is trusted.
//
// The clamps and the weights are the scalar sampler's, in double precision. The blend itself is
// done in single precision with weights rounded to float: with all its terms at least 0 and at most
// 255 in all, it differs from the double blend by less than 1.3e-4 (the weights' rounding, 2^-24
// each, weighs at most 4 * 255 * 2^-24, and the float products and sums as much again; the double
// blend's own error is below 1e-12). So wherever the float blend lies farther than 2^-12 from
// a half, both round to the same whole number; a lane nearer to a half (ties included) is done
// again by the scalar sampler. The four pixels around each position are read in one of two ways:
// when all sixteen lie in rows r .. r + 2 and 21 columns (as along a warp's row), three 64-byte
// loads and byte permutes; otherwise eight bytes from each position's two rows, one by one.
//
// The picture must be at least 3 pixels wide, and its bytes few enough for 32-bit offsets.
template <typename Positions>
DROLLO_AVX512 void SampleGroupsAvx512(const Positions& positions, int n, const ConstView& bitmap,
                                      std::uint8_t* out) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  const std::uint8_t* const data = bitmap.data;
  const std::ptrdiff_t stride = bitmap.stride;
  const __m512 one = _mm512_set1_ps(1);
  const __m512 nearHalf = _mm512_set1_ps(0.5F - 1.0F / 4096);
  const __m512i stride32 = _mm512_set1_epi32(static_cast<int>(stride));
  const __m512i three = _mm512_set1_epi32(3);
  const __m512i lastEightByteColumn = _mm512_set1_epi32(w - 3);
  // Byte k of each of sixteen 8-byte groups (the one-by-one reads), to the low byte of lane k.
  const __m512i groupStarts =
      _mm512_mullo_epi32(_mm512_set1_epi32(8),
                         _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  // Blue of pixels 0..15, green, red, to blue, green, red of pixel 0, of pixel 1, ...
  alignas(64) std::uint8_t order[64] = {};
  for (int k = 0; k < 16; ++k)
    for (int c = 0; c < 3; ++c) order[3 * k + c] = static_cast<std::uint8_t>(16 * c + k);
  const __m512i interleave = _mm512_load_si512(order);
  for (int i = 0; i < n; i += 16) {
    // Nothing is stored from the lanes past the end of the run.
    const int count = std::min(16, n - i);
    const __mmask16 lanes = static_cast<__mmask16>(count == 16 ? 0xFFFF : (1 << count) - 1);
    const SixteenPositions p = positions.at(i, lanes, count);
    // y0 + 1 - Y is 1 - (Y - y0) within 2^-54.
    const __m512 wy1 = p.wy1;
    const __m512 wx1 = p.wx1;
    const __m512 wy0 = _mm512_sub_ps(one, wy1);
    const __m512 wx0 = _mm512_sub_ps(one, wx1);
    const __m512i y0 = p.y0;
    const __m512i x0 = p.x0;
    __m512i topLeft, topRight, bottomLeft, bottomRight;  // byte indices of channel 0
    __m512i top0, top1, bottom0, bottom1;                // the 128 bytes each index reads
    __mmask16 unsure = 0;
    const int r = std::min(_mm_cvtsi128_si32(_mm512_castsi512_si128(y0)),
                           _mm_extract_epi32(_mm512_extracti32x4_epi32(y0, 3), 3));
    const int c0 = std::min(_mm_cvtsi128_si32(_mm512_castsi512_si128(x0)),
                            _mm_extract_epi32(_mm512_extracti32x4_epi32(x0, 3), 3));
    const __m512i dy = _mm512_sub_epi32(y0, _mm512_set1_epi32(r));
    const __m512i dx = _mm512_sub_epi32(x0, _mm512_set1_epi32(c0));
    if (_mm512_cmpgt_epu32_mask(dy, _mm512_set1_epi32(1)) == 0 &&
        _mm512_cmpgt_epu32_mask(dx, _mm512_set1_epi32(19)) == 0 && 3 * c0 + 64 <= 3 * w) {
      // Rows r, r + 1 and r + 2 (r + 1 again at the last row, where no lane reads below r + 1),
      // from column c0: a lane's top pixel is byte 64 dy + 3 dx of (r, r + 1), its bottom one the
      // same byte of (r + 1, r + 2).
      const std::uint8_t* p = data + r * stride + 3 * c0;
      top0 = _mm512_loadu_si512(p);
      top1 = bottom0 = _mm512_loadu_si512(p + stride);
      bottom1 = r + 2 < h ? _mm512_loadu_si512(p + 2 * stride) : bottom0;
      topLeft = bottomLeft =
          _mm512_add_epi32(_mm512_mullo_epi32(dx, three), _mm512_slli_epi32(dy, 6));
      topRight = bottomRight = _mm512_add_epi32(topLeft, three);
    } else {
      // Eight bytes at each position and below it; a lane in the last two columns would read past
      // its row, so it reads the first pixel instead and is done again by the scalar sampler.
      const __mmask16 lastColumns = _mm512_cmpgt_epi32_mask(x0, lastEightByteColumn);
      unsure = lastColumns;
      alignas(64) std::int32_t offsets[16];
      _mm512_store_si512(offsets, _mm512_maskz_add_epi32(static_cast<__mmask16>(~lastColumns),
                                                         _mm512_mullo_epi32(y0, stride32),
                                                         _mm512_mullo_epi32(x0, three)));
      __m128i top[8], bottom[8];
      for (int k = 0; k < 8; ++k) {
        const std::uint8_t* p0 = data + offsets[2 * k];
        const std::uint8_t* p1 = data + offsets[2 * k + 1];
        std::int64_t a, b, c, d;
        std::memcpy(&a, p0, 8);
        std::memcpy(&b, p1, 8);
        std::memcpy(&c, p0 + stride, 8);
        std::memcpy(&d, p1 + stride, 8);
        top[k] = _mm_set_epi64x(b, a);
        bottom[k] = _mm_set_epi64x(d, c);
      }
      top0 = Join(top[0], top[1], top[2], top[3]);
      top1 = Join(top[4], top[5], top[6], top[7]);
      bottom0 = Join(bottom[0], bottom[1], bottom[2], bottom[3]);
      bottom1 = Join(bottom[4], bottom[5], bottom[6], bottom[7]);
      topLeft = bottomLeft = groupStarts;
      topRight = bottomRight = _mm512_add_epi32(groupStarts, three);
    }

    __m512i channel[3];
    __m512 farthest = _mm512_setzero_ps();  // the largest distance to a whole number
    for (int c = 0; c < 3; ++c) {
      const __m512i shift = _mm512_set1_epi32(c);
      const __m512 tl = PickBytes(top0, _mm512_add_epi32(topLeft, shift), top1);
      const __m512 tr = PickBytes(top0, _mm512_add_epi32(topRight, shift), top1);
      const __m512 bl = PickBytes(bottom0, _mm512_add_epi32(bottomLeft, shift), bottom1);
      const __m512 br = PickBytes(bottom0, _mm512_add_epi32(bottomRight, shift), bottom1);
      const __m512 left = _mm512_fmadd_ps(bl, wy1, _mm512_mul_ps(tl, wy0));
      const __m512 right = _mm512_fmadd_ps(br, wy1, _mm512_mul_ps(tr, wy0));
      const __m512 v = _mm512_fmadd_ps(right, wx1, _mm512_mul_ps(left, wx0));
      // v less its nearest whole number, exact; the range keeps the larger size.
      const __m512 off = _mm512_reduce_ps(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
      farthest = _mm512_range_ps(farthest, off, 0x07);
      channel[c] = _mm512_cvtps_epi32(v);
    }
    unsure = static_cast<__mmask16>(
        (unsure | _mm512_cmp_ps_mask(_mm512_abs_ps(farthest), nearHalf, _CMP_GT_OQ)) & lanes);
    const __m512i blues = _mm512_castsi128_si512(_mm512_cvtusepi32_epi8(channel[0]));
    const __m512i planes =
        _mm512_inserti32x4(_mm512_inserti32x4(blues, _mm512_cvtusepi32_epi8(channel[1]), 1),
                           _mm512_cvtusepi32_epi8(channel[2]), 2);
    const __m512i pixels = _mm512_permutexvar_epi8(interleave, planes);
    if (positions.consecutive(i, lanes)) {
      _mm512_mask_storeu_epi8(out + 3 * positions.column(i), (__mmask64{1} << (3 * count)) - 1,
                              pixels);
    } else {
      alignas(64) std::uint8_t bytes[64];
      _mm512_store_si512(bytes, pixels);
      for (int k = 0; k < count; ++k)
        std::memcpy(out + 3 * positions.column(i + k), bytes + 3 * k, 3);
    }
    for (; unsure != 0; unsure &= static_cast<__mmask16>(unsure - 1))
      positions.exactly(i + __builtin_ctz(unsure), bitmap, out);
  }
}

DROLLO_AVX512 void SampleRunAvx512(const double* X, const double* Y, const int* x, int n,
                                   const ConstView& bitmap, std::uint8_t* out) {
  if (!FitsThirtyTwoBitOffsets(bitmap)) {
    SampleRunAvx2(X, Y, x, n, bitmap, out);
    return;
  }
  SampleGroupsAvx512(DoublePositions(X, Y, x, bitmap.width, bitmap.height), n, bitmap, out);
}

DROLLO_AVX512 void SampleOffsetRunAvx512(const OffsetRun& run, const ConstView& bitmap,
                                         std::uint8_t* out) {
  if (!FitsThirtyTwoBitOffsets(bitmap)) {
    SampleOffsetRunWith(&SampleRunAvx2, run, bitmap, out);
    return;
  }
  SampleGroupsAvx512(SplitPositions{{run}}, run.n, bitmap, out);
}

#undef DROLLO_AVX512
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
  if (HasAvx2() && HasFma()) {
    runs.push_back(&SampleRunAvx2Fma<true>);
    runs.push_back(&SampleRunAvx2Fma<false>);
  }
  if (HasAvx2() && HasAvx512()) runs.push_back(&SampleRunAvx512);
#endif
  return runs;
}

SourceReach ReachOf(const Rect& patch) {
  return 3 * static_cast<double>(patch.width()) * patch.height() > kNearSourceBytes
             ? SourceReach::Far
             : SourceReach::Near;
}

namespace {

// Whether the fastest forms for a far source are the eight-lane ones that ask ahead, also where
// the sixteen-lane ones run: for a far source the lines' arrival, not the blend, sets the pace, and
// the sixteen-lane ones do not ask ahead (on a processor with both, the eight-lane ones that ask
// took the R = 500 warp clicks 3 to 9 % faster).
bool AsksAhead(SourceReach reach) {
#if defined(__x86_64__)
  return reach == SourceReach::Far && HasAvx2() && HasFma();
#else
  return false;
#endif
}

}  // namespace

SampleRunFunction FastestSampleRun(SourceReach reach) {
#if defined(__x86_64__)
  if (AsksAhead(reach)) return &SampleRunAvx2Fma<true>;
#endif
  return SampleRunsOfThisProcessor().back();
}

void SampleOffsetRunScalar(const OffsetRun& run, const ConstView& bitmap, std::uint8_t* out) {
  SampleOffsetRunWith(&SampleRunScalar, run, bitmap, out);
}

std::vector<SampleOffsetRunFunction> SampleOffsetRunsOfThisProcessor() {
  std::vector<SampleOffsetRunFunction> runs{&SampleOffsetRunScalar};
#if defined(__x86_64__)
  if (HasAvx2())
    runs.push_back([](const OffsetRun& run, const ConstView& bitmap, std::uint8_t* out) {
      SampleOffsetRunWith(&SampleRunAvx2, run, bitmap, out);
    });
  if (HasAvx2() && HasFma()) {
    runs.push_back(&SampleOffsetRunAvx2Fma<true>);
    runs.push_back(&SampleOffsetRunAvx2Fma<false>);
  }
  if (HasAvx2() && HasAvx512()) runs.push_back(&SampleOffsetRunAvx512);
#endif
  return runs;
}

SampleOffsetRunFunction FastestSampleOffsetRun(SourceReach reach) {
#if defined(__x86_64__)
  if (AsksAhead(reach)) return &SampleOffsetRunAvx2Fma<true>;
#endif
  return SampleOffsetRunsOfThisProcessor().back();
}

}  // namespace drollo
