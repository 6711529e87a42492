#include "effects/sketch/sketch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/sketch/grey.h"
#include "image/median9.h"
#include "image/parallel.h"
#include "image/pixel_math.h"

namespace drollo::sketch {

namespace {

// The source as 24-bit rows: the picture itself when it already is, otherwise a converted copy.
class Bgr24Source {
 public:
  explicit Bgr24Source(const Picture& p) : picture_(&p) {
    if (p.bitsPerPixel() != 24) {
      converted_ = ToBgr24(p);
      picture_ = &converted_;
    }
  }
  const Picture& operator*() const { return *picture_; }
  const Picture* operator->() const { return picture_; }

 private:
  const Picture* picture_;
  Picture converted_;
};

// Every pixel of the result becomes table[grey value of the source pixel] in all three channels.
// The result goes into `out`'s own bytes when it is a 24-bit picture of the source's size whose
// bytes can be written over without a copy, otherwise into a new picture that then replaces it.
void MapGrey(const Picture& source, const std::array<std::uint8_t, 256>& table, Picture& out,
             const Progress& progress) {
  const Bgr24Source src(source);
  const int w = src->width(), h = src->height();
  std::uint8_t* bytes = nullptr;
  if (&out != &source && out.width() == w && out.height() == h &&
      out.format() == PixelFormat::Bgr24())
    bytes = out.overwriteAll();
  Picture fresh;
  if (!bytes) {
    fresh = Picture(w, h, PixelFormat::Bgr24(), Picture::Unfilled{});
    if (fresh.empty()) {
      out = std::move(fresh);
      return;
    }
    bytes = fresh.region(fresh.rect()).data;
  }
  const std::size_t stride = PackedRowBytes(w, 24);
  const GreyTables& grey = GreyTables::Instance();
  ForRows(
      0, h,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const std::uint8_t* s = src->row(y);
          std::uint8_t* d = bytes + y * stride;
          for (int x = 0; x < w; ++x, s += 3, d += 3) {
            const std::uint8_t v = table[grey(s)];
            d[0] = v;
            d[1] = v;
            d[2] = v;
          }
        }
      },
      progress, GrainRows(3 * static_cast<std::size_t>(w)));
  if (!fresh.empty()) out = std::move(fresh);
}

std::array<std::uint8_t, 256> PenTable(int threshold) {
  std::array<std::uint8_t, 256> table{};
  for (int g = 0; g < 256; ++g) table[g] = g > threshold ? 255 : 0;
  return table;
}

}  // namespace

Picture twovalue(const Picture& edge, int threshold, const Progress& progress) {
  Picture out;
  MapGrey(edge, PenTable(threshold), out, progress);
  return out;
}

void twovalueInto(const Picture& edge, int threshold, Picture& out, const Progress& progress) {
  MapGrey(edge, PenTable(threshold), out, progress);
}

Hsl RgbToHsl(int red, int green, int blue) {
  const double r = red / 255.0, g = green / 255.0, b = blue / 255.0;
  const double max = std::max(std::max(r, g), b);
  const double min = std::min(std::min(r, g), b);
  const double l = (max + min) / 2;
  double h = 0, s = 0;
  if (max != min) {
    const double d = max - min;
    s = l < 0.5 ? d / (max + min) : d / (2 - max - min);
    if (max == r)
      h = (g - b) / d;
    else if (max == g)
      h = (b - r) / d + 2;
    else
      h = (r - g) / d + 4;
    h = h / 6;
    if (h < 0) h = h + 1;
  }
  return Hsl{Round(h * 360), Round(s * 100), Round(l * 100)};
}

Rgb HslToRgb(int hue, int saturation, int lightness) {
  if (hue >= 360 || hue < 0 || saturation > 100 || saturation < 0 || lightness > 100 ||
      lightness < 0)
    return Rgb{};
  const int h = hue;
  int c[3];  // red, green, blue on the hue wheel
  if (h <= 60) {
    c[0] = 255, c[1] = Round(h * 4.25), c[2] = 0;
  } else if (h <= 120) {
    c[0] = Round(255 - (h - 60) * 4.25), c[1] = 255, c[2] = 0;
  } else if (h <= 180) {
    c[0] = 0, c[1] = 255, c[2] = Round((h - 120) * 4.25);
  } else if (h <= 240) {
    c[0] = 0, c[1] = Round(255 - (h - 180) * 4.25), c[2] = 255;
  } else if (h <= 300) {
    c[0] = Round((h - 240) * 4.25), c[1] = 0, c[2] = 255;
  } else {
    c[0] = 255, c[1] = 0, c[2] = Round(255 - (h - 300) * 4.25);
  }
  const double d = std::abs(saturation - 100) / 100.0;
  for (int& v : c) v = Round(v - (v - 128) * d);
  const double e = (lightness - 50) / 50.0;
  if (e > 0) {
    for (int& v : c) v = Round(v + (255 - v) * e);
  } else if (e < 0) {
    for (int& v : c) v = Round(v + v * e);
  }
  return Rgb{c[0], c[1], c[2]};
}

int PencilLightness(int lightness, int contrast, double tangent) {
  const int l = contrast >= 45 ? Round(tangent * (lightness - contrast - 5)) + 50
                               : Round(tangent * (lightness - 55)) + 100 - contrast;
  return std::clamp(l, 0, 100);
}

std::array<std::uint8_t, 256> PencilTable(int contrast) {
  const double tangent = std::tan(contrast * std::numbers::pi / 180);
  std::array<std::uint8_t, 256> table{};
  for (int g = 0; g < 256; ++g) {
    const Hsl hsl = RgbToHsl(g, g, g);
    const Rgb rgb = HslToRgb(hsl.H, hsl.S, PencilLightness(hsl.L, contrast, tangent));
    // A grey in gives a grey out: the three channels are equal.
    table[g] = static_cast<std::uint8_t>(rgb.R);
  }
  return table;
}

Picture PencilSketch(const Picture& edge, int contrast, const Progress& progress) {
  Picture out;
  MapGrey(edge, PencilTable(contrast), out, progress);
  return out;
}

void PencilSketchInto(const Picture& edge, int contrast, Picture& out, const Progress& progress) {
  MapGrey(edge, PencilTable(contrast), out, progress);
}

std::string PenPressureLabel(int position) {
  return std::to_string(position);
}

std::string PencilContrastLabel(int position) {
  return std::to_string(Round(position * 100 / 89.0));
}

Picture RemoveSpeckles(const Picture& picture, const Progress& progress) {
  const Bgr24Source src(picture);
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
            std::copy(s, s + rowBytes, d);  // the frame keeps its colours
          } else {
            std::copy(s, s + 3, d);
            Median9Row(src->row(y - 1), s, src->row(y + 1), d, 3, rowBytes - 3, 3);
            std::copy(s + rowBytes - 3, s + rowBytes, d + rowBytes - 3);
          }
        }
      },
      progress, GrainRows(static_cast<std::size_t>(rowBytes)));
  return out;
}

}  // namespace drollo::sketch
