#include "effects/warp/wave.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <vector>

#include "effects/warp/sweep.h"
#include "image/parallel.h"

namespace drollo::warp {

int FoldColumn(int sx, int width) {
  if (sx < 0) return (width - 1) - ((-sx) % width);
  if (sx >= width) return sx % width;
  return sx;
}

int FoldRow(int sy, int height) {
  if (sy < 0) return (height - 1) - ((-sy) % height);
  if (sy >= height) return height > 1 ? sy % (height - 1) : 0;
  return sy;
}

void wave(const ConstView& src, const MutableView& dst, int A, int B, int K,
          const Progress& progress) {
  assert(A != 0 && B != 0);
  assert(!detail::Overlap(src, dst));
  assert(dst.bounds == (Rect{0, 0, src.width, src.height}));
  const int width = src.width, height = src.height;
  // The vertical offset depends on the column only: one cosine per column.
  std::vector<double> down(width);
  for (int x = 0; x < width; ++x) down[x] = std::cos(static_cast<double>(x) / A) * K;
  ForRows(
      0, height,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const double across = std::sin(static_cast<double>(y) / B) * K;
          std::uint8_t* d = dst.row(y);
          for (int x = 0; x < width; ++x) {
            const int sx = FoldColumn(Round(across + x), width);
            const int sy = FoldRow(Round(down[x] + y), height);
            std::memcpy(d + 3 * x, src.pixel(sx, sy), 3);
          }
        }
      },
      progress, GrainRows(3 * static_cast<std::size_t>(width)));
}

}  // namespace drollo::warp
