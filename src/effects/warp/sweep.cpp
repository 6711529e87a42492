#include "effects/warp/sweep.h"

#include <algorithm>

#include "image/cpu_features.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace drollo::warp::detail {

namespace {

void LensRunPlain(const RunTerms& run, const LensPositions& lens, double* X, double* Y) {
  for (int i = 0, ax = run.ax0; i < run.n; ++i, ax += run.step) {
    X[i] = ((lens.K - lens.sx * run.u[ax]) + lens.a) - lens.K;
    Y[i] = ((lens.w[ax] - lens.sy * run.v[ax]) + lens.b) - lens.w[ax];
  }
}

void DisplacedRunPlain(const RunTerms& run, const DisplacedPositions& shift, double* X, double* Y) {
  const double fy = shift.y;
  for (int i = 0, ax = run.ax0; i < run.n; ++i, ax += run.step) {
    X[i] = static_cast<double>(shift.x + i) + shift.sx * run.u[ax];
    Y[i] = fy + shift.sy * run.v[ax];
  }
}

#if defined(__x86_64__)
#define DROLLO_AVX2 __attribute__((target("avx2")))

// The terms of offsets ax, ax + kStep, ..., of the first `count` lanes (up to four), in that
// order; the other lanes 0. Nothing beyond them is read.
template <int kStep>
DROLLO_AVX2 inline __m256d FourTerms(const double* terms, int ax, int count) {
  if (count >= 4) {
    if (kStep > 0) return _mm256_loadu_pd(terms + ax);
    return _mm256_permute4x64_pd(_mm256_loadu_pd(terms + ax - 3), 0x1B);
  }
  const __m256i lane = _mm256_setr_epi64x(0, 1, 2, 3);
  if (kStep > 0)
    return _mm256_maskload_pd(terms + ax, _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), lane));
  return _mm256_permute4x64_pd(
      _mm256_maskload_pd(terms + ax - 3, _mm256_cmpgt_epi64(lane, _mm256_set1_epi64x(3 - count))),
      0x1B);
}

// The first `count` lanes of v (up to four) stored at p.
DROLLO_AVX2 inline void StoreLanes(double* p, __m256d v, int count) {
  if (count >= 4) {
    _mm256_storeu_pd(p, v);
    return;
  }
  _mm256_maskstore_pd(
      p, _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), _mm256_setr_epi64x(0, 1, 2, 3)), v);
}

// Four lanes at a time, the last part of the run in as many lanes as it has. The run and the lens
// come as copies: the stores could write anything as far as the compiler knows, and it would read
// them again after each one.
template <int kStep>
DROLLO_AVX2 void LensRunAvx2Along(const RunTerms run, const LensPositions lens, double* X,
                                  double* Y) {
  const __m256d K = _mm256_set1_pd(lens.K), a = _mm256_set1_pd(lens.a);
  const __m256d sx = _mm256_set1_pd(lens.sx), sy = _mm256_set1_pd(lens.sy);
  const __m256d b = _mm256_set1_pd(lens.b);
  for (int i = 0; i < run.n; i += 4) {
    const int count = run.n - i;
    const int ax = run.ax0 + kStep * i;
    const __m256d u = FourTerms<kStep>(run.u, ax, count);
    const __m256d v = FourTerms<kStep>(run.v, ax, count);
    const __m256d w = FourTerms<kStep>(lens.w, ax, count);
    StoreLanes(X + i, _mm256_sub_pd(_mm256_add_pd(_mm256_sub_pd(K, _mm256_mul_pd(sx, u)), a), K),
               count);
    StoreLanes(Y + i, _mm256_sub_pd(_mm256_add_pd(_mm256_sub_pd(w, _mm256_mul_pd(sy, v)), b), w),
               count);
  }
}

DROLLO_AVX2 void LensRunAvx2(const RunTerms& run, const LensPositions& lens, double* X, double* Y) {
  if (run.step > 0)
    LensRunAvx2Along<1>(run, lens, X, Y);
  else
    LensRunAvx2Along<-1>(run, lens, X, Y);
}

template <int kStep>
DROLLO_AVX2 void DisplacedRunAvx2Along(const RunTerms run, const DisplacedPositions shift,
                                       double* X, double* Y) {
  const __m256d sx = _mm256_set1_pd(shift.sx), sy = _mm256_set1_pd(shift.sy);
  const __m256d fy = _mm256_set1_pd(shift.y);
  const __m128i four = _mm_setr_epi32(0, 1, 2, 3);
  for (int i = 0; i < run.n; i += 4) {
    const int count = run.n - i;
    const int ax = run.ax0 + kStep * i;
    const __m256d column = _mm256_cvtepi32_pd(_mm_add_epi32(_mm_set1_epi32(shift.x + i), four));
    StoreLanes(X + i, _mm256_add_pd(column, _mm256_mul_pd(sx, FourTerms<kStep>(run.u, ax, count))),
               count);
    StoreLanes(Y + i, _mm256_add_pd(fy, _mm256_mul_pd(sy, FourTerms<kStep>(run.v, ax, count))),
               count);
  }
}

DROLLO_AVX2 void DisplacedRunAvx2(const RunTerms& run, const DisplacedPositions& shift, double* X,
                                  double* Y) {
  if (run.step > 0)
    DisplacedRunAvx2Along<1>(run, shift, X, Y);
  else
    DisplacedRunAvx2Along<-1>(run, shift, X, Y);
}
#undef DROLLO_AVX2

// GCC 12 takes the undefined start values inside its own AVX-512 conversions for uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define DROLLO_AVX512 __attribute__((target("avx512f")))

// The terms of offsets ax, ax + step, ... of the first `count` lanes (up to eight), in that
// order; the other lanes 0. Nothing beyond them is read.
DROLLO_AVX512 inline __m512d Terms(const double* terms, int ax, int step, __mmask8 lanes,
                                   int count) {
  if (step > 0) return _mm512_maskz_loadu_pd(lanes, terms + ax);
  return _mm512_permutexvar_pd(
      _mm512_setr_epi64(7, 6, 5, 4, 3, 2, 1, 0),
      _mm512_maskz_loadu_pd(static_cast<__mmask8>(lanes << (8 - count)), terms + ax - 7));
}

// The lanes of the part of a run from position i on, up to eight.
inline __mmask8 Lanes(int count) {
  return static_cast<__mmask8>(count >= 8 ? 0xFF : (1 << count) - 1);
}

DROLLO_AVX512 void LensRunAvx512(const RunTerms& run, const LensPositions& lens, double* X,
                                 double* Y) {
  const __m512d K = _mm512_set1_pd(lens.K), a = _mm512_set1_pd(lens.a);
  const __m512d sx = _mm512_set1_pd(lens.sx), sy = _mm512_set1_pd(lens.sy);
  const __m512d b = _mm512_set1_pd(lens.b);
  for (int i = 0; i < run.n; i += 8) {
    const int count = std::min(8, run.n - i);
    const __mmask8 lanes = Lanes(count);
    const int ax = run.ax0 + run.step * i;
    const __m512d u = Terms(run.u, ax, run.step, lanes, count);
    const __m512d v = Terms(run.v, ax, run.step, lanes, count);
    const __m512d w = Terms(lens.w, ax, run.step, lanes, count);
    _mm512_mask_storeu_pd(
        X + i, lanes, _mm512_sub_pd(_mm512_add_pd(_mm512_sub_pd(K, _mm512_mul_pd(sx, u)), a), K));
    _mm512_mask_storeu_pd(
        Y + i, lanes, _mm512_sub_pd(_mm512_add_pd(_mm512_sub_pd(w, _mm512_mul_pd(sy, v)), b), w));
  }
}

DROLLO_AVX512 void DisplacedRunAvx512(const RunTerms& run, const DisplacedPositions& shift,
                                      double* X, double* Y) {
  const __m512d sx = _mm512_set1_pd(shift.sx), sy = _mm512_set1_pd(shift.sy);
  const __m512d fy = _mm512_set1_pd(shift.y);
  const __m256i eight = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (int i = 0; i < run.n; i += 8) {
    const int count = std::min(8, run.n - i);
    const __mmask8 lanes = Lanes(count);
    const int ax = run.ax0 + run.step * i;
    const __m512d column =
        _mm512_cvtepi32_pd(_mm256_add_epi32(_mm256_set1_epi32(shift.x + i), eight));
    const __m512d u = Terms(run.u, ax, run.step, lanes, count);
    const __m512d v = Terms(run.v, ax, run.step, lanes, count);
    _mm512_mask_storeu_pd(X + i, lanes, _mm512_add_pd(column, _mm512_mul_pd(sx, u)));
    _mm512_mask_storeu_pd(Y + i, lanes, _mm512_add_pd(fy, _mm512_mul_pd(sy, v)));
  }
}

#undef DROLLO_AVX512
#pragma GCC diagnostic pop
#endif

}  // namespace

PositionForms PlainPositionForms() {
  return PositionForms{&LensRunPlain, &DisplacedRunPlain};
}

std::vector<PositionForms> PositionFormsOfThisProcessor() {
  std::vector<PositionForms> forms{PlainPositionForms()};
#if defined(__x86_64__)
  if (HasAvx2()) forms.push_back(PositionForms{&LensRunAvx2, &DisplacedRunAvx2});
  if (HasAvx512()) forms.push_back(PositionForms{&LensRunAvx512, &DisplacedRunAvx512});
#endif
  return forms;
}

const PositionForms& FastestPositionForms() {
  static const PositionForms forms = PositionFormsOfThisProcessor().back();
  return forms;
}

}  // namespace drollo::warp::detail
