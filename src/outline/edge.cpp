#include "outline/edge.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "image/cpu_features.h"
#include "image/parallel.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace drollo::outline {

namespace {

// Edge strengths of bytes first..last-1 of one row, inverted. The three rows are 24-bit rows, so
// a byte's horizontal neighbours in its own channel lie three bytes away.
void EdgeRow(const std::uint8_t* a, const std::uint8_t* m, const std::uint8_t* b, std::uint8_t* d,
             std::ptrdiff_t first, std::ptrdiff_t last) {
  for (std::ptrdiff_t k = first; k < last; ++k) {
    const int al = a[k - 3], ac = a[k], ar = a[k + 3];
    const int ml = m[k - 3], mr = m[k + 3];
    const int bl = b[k - 3], bc = b[k], br = b[k + 3];
    const int e1 = (ar - al) + 2 * (mr - ml) + (br - bl);
    const int e2 = (bl + bc + br) - (al + ac + ar);
    const int e3 = (al - ar) + (ml - mr) + (bl - br);
    // Clamping each sum to 0..255 and taking the largest equals clamping the largest.
    const int e = std::clamp(std::max(std::max(e1, e2), e3), 0, 255);
    d[k] = static_cast<std::uint8_t>(255 - e);
  }
}

#if defined(__x86_64__)
// EdgeRow 16 bytes at a time, in 16-bit lanes: every sum lies within -1020..1020, so the lanes
// hold it and 255 minus it exactly, and packing with unsigned saturation does the clamp. The last
// bytes go to EdgeRow itself.
__attribute__((target("avx2"))) inline __m256i Widen(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) void EdgeRowAvx2(const std::uint8_t* a, const std::uint8_t* m,
                                                 const std::uint8_t* b, std::uint8_t* d,
                                                 std::ptrdiff_t first, std::ptrdiff_t last) {
  std::ptrdiff_t k = first;
  const __m256i white = _mm256_set1_epi16(255);
  for (; k + 16 <= last; k += 16) {
    const __m256i al = Widen(a + k - 3), ac = Widen(a + k), ar = Widen(a + k + 3);
    const __m256i ml = Widen(m + k - 3), mr = Widen(m + k + 3);
    const __m256i bl = Widen(b + k - 3), bc = Widen(b + k), br = Widen(b + k + 3);
    const __m256i middle = _mm256_sub_epi16(mr, ml);
    const __m256i e1 = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_sub_epi16(ar, al), _mm256_add_epi16(middle, middle)),
        _mm256_sub_epi16(br, bl));
    const __m256i e2 = _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(bl, bc), br),
                                        _mm256_add_epi16(_mm256_add_epi16(al, ac), ar));
    const __m256i e3 =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_sub_epi16(al, ar), _mm256_sub_epi16(ml, mr)),
                         _mm256_sub_epi16(bl, br));
    const __m256i e = _mm256_max_epi16(_mm256_max_epi16(e1, e2), e3);
    // 255 - e, then packed with unsigned saturation: the same as clamping e to 0..255 first.
    const __m256i inverted = _mm256_sub_epi16(white, e);
    const __m128i bytes =
        _mm_packus_epi16(_mm256_castsi256_si128(inverted), _mm256_extracti128_si256(inverted, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), bytes);
  }
  EdgeRow(a, m, b, d, k, last);
}
#endif

// The fastest form of EdgeRow this processor runs.
using EdgeRowFunction = void (*)(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*,
                                 std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t);
EdgeRowFunction FastestEdgeRow() {
#if defined(__x86_64__)
  if (HasAvx2()) return &EdgeRowAvx2;
#endif
  return &EdgeRow;
}

void InvertBytes(const std::uint8_t* s, std::uint8_t* d, std::ptrdiff_t first,
                 std::ptrdiff_t last) {
  for (std::ptrdiff_t k = first; k < last; ++k) d[k] = static_cast<std::uint8_t>(255 - s[k]);
}

}  // namespace

Picture picsobel(const Picture& picture, const Progress& progress) {
  Picture converted;
  const Picture* src = &picture;
  if (picture.bitsPerPixel() != 24) {
    converted = ToBgr24(picture);
    src = &converted;
  }
  const int w = src->width(), h = src->height();
  Picture out(w, h, PixelFormat::Bgr24(), Picture::Unfilled{});
  if (out.empty()) return out;
  const MutableView dst = out.region(out.rect());
  const std::ptrdiff_t rowBytes = 3 * static_cast<std::ptrdiff_t>(w);
  static const EdgeRowFunction edgeRow = FastestEdgeRow();
  ForRows(
      0, h,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const std::uint8_t* s = src->row(y);
          std::uint8_t* d = dst.row(y);
          if (y == 0 || y == h - 1 || w < 3) {
            InvertBytes(s, d, 0, rowBytes);
          } else {
            InvertBytes(s, d, 0, 3);
            edgeRow(src->row(y - 1), s, src->row(y + 1), d, 3, rowBytes - 3);
            InvertBytes(s, d, rowBytes - 3, rowBytes);
          }
        }
      },
      progress, GrainRows(static_cast<std::size_t>(rowBytes)));
  return out;
}

}  // namespace drollo::outline
