#include "image/bitmap32.h"

#include <cassert>

namespace drollo {

void TBitmap32::Assign(const Picture& source) {
  assign(source);
  convertTo(32);
}

void TBitmap32::SetAlpha(std::uint8_t value) {
  for (int y = 0; y < height(); ++y) {
    std::uint8_t* p = mutableRow(y);
    for (int x = 0; x < width(); ++x) p[4 * x + 3] = value;
  }
}

Bgra TBitmap32::BlendPixel(Bgra d, Bgra s) {
  const int sa = s.a, da = d.a;
  if (sa == 0 && da == 0) return Bgra{255, 255, 255, 0};
  if (sa == 0) return d;
  if (da == 0 || sa == 255) return s;
  const int e = sa * da;
  const int f = (sa + da) * 255 - e;
  auto mix = [&](int dc, int sc) {
    return static_cast<std::uint8_t>((dc * (da * 255 - e) + sc * sa * 255) / f);
  };
  return Bgra{mix(d.b, s.b), mix(d.g, s.g), mix(d.r, s.r), static_cast<std::uint8_t>(f / 255)};
}

void TBitmap32::DrawOver(int x, int y, Picture& target) const {
  assert(target.bitsPerPixel() == 32);
  const Rect r = target.rect().intersected(Rect{x, y, x + width(), y + height()});
  if (r.empty()) return;
  MutableView dst = target.region(r);
  for (int ty = r.top; ty < r.bottom; ++ty) {
    const std::uint8_t* s = row(ty - y) + 4 * (r.left - x);
    std::uint8_t* d = dst.pixel(r.left, ty);
    for (int tx = r.left; tx < r.right; ++tx, s += 4, d += 4) {
      const Bgra out = BlendPixel(Bgra{d[0], d[1], d[2], d[3]}, Bgra{s[0], s[1], s[2], s[3]});
      d[0] = out.b;
      d[1] = out.g;
      d[2] = out.r;
      d[3] = out.a;
    }
  }
}

}  // namespace drollo
