#include "outline/edge.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "image/parallel.h"

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
            EdgeRow(src->row(y - 1), s, src->row(y + 1), d, 3, rowBytes - 3);
            InvertBytes(s, d, rowBytes - 3, rowBytes);
          }
        }
      },
      progress, GrainRows(static_cast<std::size_t>(rowBytes)));
  return out;
}

}  // namespace drollo::outline
