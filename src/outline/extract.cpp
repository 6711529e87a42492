#include "outline/extract.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/median9.h"
#include "image/parallel.h"
#include "image/pixel_math.h"

namespace drollo::outline {

namespace {

// The grey value grows with the blue byte (every step of the sum and the rounding is monotonic),
// so whether a pixel turns white is decided by one number per red-green pair: the smallest blue
// that makes it white (256: none). The table is built once, from the formula itself.
class TwovalTable {
 public:
  TwovalTable() : minBlue_(256 * 256) {
    for (int r = 0; r < 256; ++r) {
      for (int g = 0; g < 256; ++g) {
        int lo = 0, hi = 256;  // the answer lies in [lo, hi]
        while (lo < hi) {
          const int mid = (lo + hi) / 2;
          if (TwovalWhite(r, g, mid))
            hi = mid;
          else
            lo = mid + 1;
        }
        minBlue_[r * 256 + g] = static_cast<std::uint16_t>(lo);
      }
    }
  }
  // Pixel bytes blue, green, red.
  bool white(const std::uint8_t* p) const { return p[0] >= minBlue_[p[2] * 256 + p[1]]; }

  static const TwovalTable& Instance() {
    static const TwovalTable table;
    return table;
  }

 private:
  std::vector<std::uint16_t> minBlue_;
};

}  // namespace

bool TwovalWhite(int red, int green, int blue) {
  return Round(0.3L * red + 0.59L * green + 0.11L * blue) > 185;
}

TBitmap32 twoval(const TBitmap32& picture, const Progress& progress) {
  const TwovalTable& table = TwovalTable::Instance();
  const int w = picture.width();
  TBitmap32 out(w, picture.height(), Picture::Unfilled{});
  if (out.empty()) return out;
  const MutableView dst = out.region(out.rect());
  ForRows(
      0, picture.height(),
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const std::uint8_t* s = picture.row(y);
          std::uint8_t* d = dst.row(y);
          for (int x = 0; x < w; ++x, s += 4, d += 4) {
            const std::uint8_t v = table.white(s) ? 255 : 0;
            d[0] = v;
            d[1] = v;
            d[2] = v;
            d[3] = s[3];
          }
        }
      },
      progress, GrainRows(4 * static_cast<std::size_t>(w)));
  return out;
}

TBitmap32 ExtractOutline(const Picture& picture, const Progress& progress) {
  if (picture.bitsPerPixel() != 24) {
    TBitmap32 layer;
    layer.Assign(picture);
    return twoval(layer, progress);
  }
  // The usual 24-bit picture: convert and threshold in the same pass (a 24-bit pixel becomes a
  // 32-bit one with fourth byte 255).
  const TwovalTable& table = TwovalTable::Instance();
  const int w = picture.width();
  TBitmap32 out(w, picture.height(), Picture::Unfilled{});
  if (out.empty()) return out;
  const MutableView dst = out.region(out.rect());
  ForRows(
      0, picture.height(),
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const std::uint8_t* s = picture.row(y);
          std::uint8_t* d = dst.row(y);
          for (int x = 0; x < w; ++x, s += 3, d += 4) {
            const std::uint8_t v = table.white(s) ? 255 : 0;
            d[0] = v;
            d[1] = v;
            d[2] = v;
            d[3] = 255;
          }
        }
      },
      progress, GrainRows(4 * static_cast<std::size_t>(w)));
  return out;
}

TBitmap32 RemoveOutlineSpeckles(const TBitmap32& layer, const Progress& progress) {
  const int w = layer.width(), h = layer.height();
  TBitmap32 out(w, h, Picture::Unfilled{});
  if (out.empty()) return out;
  const MutableView dst = out.region(out.rect());
  const std::ptrdiff_t rowBytes = 4 * static_cast<std::ptrdiff_t>(w);
  ForRows(
      0, h,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const std::uint8_t* s = layer.row(y);
          std::uint8_t* d = dst.row(y);
          if (y == 0 || y == h - 1 || w < 3) {
            std::copy(s, s + rowBytes, d);
          } else {
            std::copy(s, s + 4, d);
            // The fourth bytes get medians too and are overwritten below.
            sketch::Median9Row(layer.row(y - 1), s, layer.row(y + 1), d, 4, rowBytes - 4, 4);
            std::copy(s + rowBytes - 4, s + rowBytes, d + rowBytes - 4);
          }
          for (std::ptrdiff_t k = 3; k < rowBytes; k += 4) d[k] = 255;
        }
      },
      progress, GrainRows(static_cast<std::size_t>(rowBytes)));
  return out;
}

}  // namespace drollo::outline
