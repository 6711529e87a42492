#include "outline/layer_display.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "image/parallel.h"

namespace drollo::outline {

namespace {

constexpr std::uint32_t kColourMask = 0x00FFFFFFu;

inline std::uint32_t Load(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store(std::uint8_t* p, std::uint32_t v) {
  std::memcpy(p, &v, 4);
}

}  // namespace

TBitmap32 settransparent(const TBitmap32& layer) {
  TBitmap32 out(layer.width(), layer.height());
  for (int y = 0; y < layer.height(); ++y) {
    const std::uint8_t* s = layer.row(y);
    std::uint8_t* d = out.mutableRow(y);
    for (int x = 0; x < layer.width(); ++x, s += 4, d += 4) {
      const std::uint32_t c = Load(s) & kColourMask;
      Store(d, c == kColourMask ? c : c | 0xFF000000u);
    }
  }
  return out;
}

TBitmap32 Checkerboard(int width, int height) {
  TBitmap32 out(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* d = out.mutableRow(y);
    for (int x = 0; x < width; x += 20) {
      const std::uint8_t grey = ((y / 20) + (x / 20)) % 2 == 0 ? 255 : 240;
      const std::uint32_t pixel = 0xFF000000u | grey * 0x010101u;
      const int end = std::min(x + 20, width);
      for (int i = x; i < end; ++i) Store(d + 4 * i, pixel);
    }
  }
  return out;
}

// Pixels [x0, x1) of row y of the view over the picture, from `s`, the picture's pixels from x0 as
// 24 bits, into `d` from pixel x0: the covering layer pixel or the picture's own, widened to 32
// bits.
void ComposeOverPicture(const Picture& picture, const TBitmap32& layer, int y, int x0, int x1,
                        const std::uint8_t* s, std::uint8_t* d) {
  const int lw = std::min(picture.width(), layer.width());
  const std::uint8_t* l = y < std::min(picture.height(), layer.height()) ? layer.row(y) : nullptr;
  for (int x = x0; x < x1; ++x, s += 3, d += 4) {
    if (x < lw && l) {
      const std::uint32_t c = Load(l + 4 * x) & kColourMask;
      if (c != kColourMask) {
        Store(d, c | 0xFF000000u);
        continue;
      }
    }
    d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
  }
}

// Pixels [x0, x1) of row y of the view over the checkerboard, which has the layer's size, into
// `d` from pixel x0.
void ComposeOverCheckerboard(const TBitmap32& layer, int y, int x0, int x1, std::uint8_t* d) {
  const std::uint8_t* l = layer.row(y);
  for (int x = x0; x < x1; ++x, d += 4) {
    std::uint32_t c = Load(l + 4 * x) & kColourMask;
    if (c == kColourMask) c = (((y / 20) + (x / 20)) % 2 == 0 ? 255 : 240) * 0x010101u;
    Store(d, c | 0xFF000000u);
  }
}

TBitmap32 Image2showto(const Picture& picture, const TBitmap32& layer, bool showPicture) {
  TBitmap32 view;
  Image2showto(picture, layer, showPicture, view);
  return view;
}

void Image2showto(const Picture& picture, const TBitmap32& layer, bool showPicture,
                  TBitmap32& view) {
  if (!showPicture || picture.bitsPerPixel() == 24) {
    // The usual cases, in one pass: each pixel is the covering layer pixel, or else the picture's
    // own widened to 32 bits or the checkerboard's.
    const int w = showPicture ? picture.width() : layer.width();
    const int h = showPicture ? picture.height() : layer.height();
    if (view.width() != w || view.height() != h) {
      view = TBitmap32();  // the old bytes go before the new ones come
      view = TBitmap32(w, h, Picture::Unfilled{});
    }
    Image2showtoPart(picture, layer, showPicture, view, view.rect());
    return;
  }
  // A picture of another depth: converted, then the layer over it.
  view = TBitmap32();
  view.Assign(picture);
  view.SetAlpha(255);
  // The layer over the view: with every fourth byte of the layer 0 or 255 and of the view 255,
  // a covering pixel replaces the view's pixel (fourth byte 255) and a white one leaves it.
  const int w = std::min(view.width(), layer.width());
  const int h = std::min(view.height(), layer.height());
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = layer.row(y);
    std::uint8_t* d = view.mutableRow(y);
    for (int x = 0; x < w; ++x, s += 4, d += 4) {
      const std::uint32_t c = Load(s) & kColourMask;
      if (c != kColourMask) Store(d, c | 0xFF000000u);
    }
  }
}

bool Image2showtoPart(const Picture& picture, const TBitmap32& layer, bool showPicture,
                      TBitmap32& view, const Rect& area) {
  const bool overPicture = showPicture && picture.bitsPerPixel() == 24;
  if (showPicture && !overPicture) return false;
  const int w = overPicture ? picture.width() : layer.width();
  const int h = overPicture ? picture.height() : layer.height();
  if (view.width() != w || view.height() != h || view.bitsPerPixel() != 32) return false;
  const Rect r = area.intersected(view.rect());
  if (r.empty()) return true;
  const MutableView dst = view.region(r);
  ForRows(
      r.top, r.bottom,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          std::uint8_t* d = dst.pixel(r.left, y);
          if (overPicture)
            ComposeOverPicture(picture, layer, y, r.left, r.right, picture.row(y) + 3 * r.left, d);
          else
            ComposeOverCheckerboard(layer, y, r.left, r.right, d);
        }
      },
      {}, GrainRows(4 * static_cast<std::size_t>(r.width())));
  return true;
}

int LayerDisplayRows::width() const {
  return base_ == LayerBase::Picture ? picture_.width() : layer_.width();
}

int LayerDisplayRows::height() const {
  return base_ == LayerBase::Picture ? picture_.height() : layer_.height();
}

const std::uint8_t* LayerDisplayRows::pixels(int y, int x0, int x1, std::uint8_t* scratch) const {
  switch (base_) {
    case LayerBase::None:
      return layer_.row(y) + 4 * static_cast<std::ptrdiff_t>(x0);
    case LayerBase::Checkerboard:
      ComposeOverCheckerboard(layer_, y, x0, x1, scratch);
      return scratch;
    case LayerBase::Picture:
      break;
  }
  if (picture_.bitsPerPixel() == 24) {
    ComposeOverPicture(picture_, layer_, y, x0, x1, picture_.row(y) + 3 * x0, scratch);
  } else {
    // Read as 24 bits first, as Image2showto converts such a picture.
    thread_local std::vector<std::uint8_t> bgr;
    bgr.resize(static_cast<std::size_t>(x1 - x0) * 3);
    picture_.readBgr24(y, x0, x1, bgr.data());
    ComposeOverPicture(picture_, layer_, y, x0, x1, bgr.data(), scratch);
  }
  return scratch;
}

std::array<std::uint64_t, 3> LayerDisplayRows::identity() const {
  const std::uint64_t picture = base_ == LayerBase::Picture ? picture_.identity() : 0;
  return {picture, layer_.identity(), static_cast<std::uint64_t>(base_) + 1};
}

std::vector<Rect> LayerDisplayRows::writtenSince(std::uint64_t stamp) const {
  return written(&Picture::writtenSince, stamp);
}

std::vector<Rect> LayerDisplayRows::writtenAreasSince(std::uint64_t stamp) const {
  return written(&Picture::writtenAreasSince, stamp);
}

std::vector<Rect> LayerDisplayRows::written(std::vector<Rect> (Picture::*since)(std::uint64_t)
                                                const,
                                            std::uint64_t stamp) const {
  std::vector<Rect> rects = (layer_.*since)(stamp);
  if (base_ == LayerBase::Picture) {
    const std::vector<Rect> underneath = (picture_.*since)(stamp);
    rects.insert(rects.end(), underneath.begin(), underneath.end());
  }
  return rects;
}

}  // namespace drollo::outline
