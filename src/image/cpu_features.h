// What the processor offers beyond the x86-64 baseline, asked once, for the kernels that choose a
// vectorised form at run time (each keeps its plain form as the reference of its tests).
#pragma once

namespace drollo {

#if defined(__x86_64__)
inline bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

// The AVX-512 parts the sixteen-lane sampler uses: foundation, vector lengths, bytes and words,
// double and quad words, and the byte permutes (VBMI).
inline bool HasAvx512() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0 &&
           __builtin_cpu_supports("avx512bw") != 0 && __builtin_cpu_supports("avx512dq") != 0 &&
           __builtin_cpu_supports("avx512vbmi") != 0;
  }();
  return has;
}

// Fused multiply-add, which the eight-lane sampler's blend uses beside AVX2.
inline bool HasFma() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("fma") != 0;
  }();
  return has;
}

inline bool HasSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}
#endif

}  // namespace drollo
