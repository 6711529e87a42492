#include "image/reduced_copy.h"

#include <cstring>

#include "image/resample.h"

namespace drollo {

void ReducedCopy::make(const PixelSource& source, const Rect& part) {
  const Rect r = part.intersected(area_);
  if (r.empty()) return;
  const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(pixels_.stride());
  std::uint8_t* first =
      pixels_.rawData() + (r.top - area_.top) * stride + (r.left - area_.left) * 4;
  AreaResampleInto(source, width_, height_, MutableView{first, stride, r, 4});
}

void ReducedCopy::update(const Picture& source, int width, int height, const Rect& shown) {
  update(PictureSource(source), width, height, shown);
}

void ReducedCopy::update(const PixelSource& source, int width, int height, const Rect& shown) {
  // Read before the pixels are: a write after this is seen by the next update.
  const std::uint64_t now = Picture::WriteClock();
  const Rect wanted = shown.intersected(Rect{0, 0, width, height});
  const bool whole = width_ != width || height_ != height || identity_ != source.identity() ||
                     sourceWidth_ != source.width() || sourceHeight_ != source.height() ||
                     wanted.intersected(area_).empty();
  if (whole || !(wanted == area_)) {
    // Every byte is written below: copied from the part kept, or made.
    Picture kept = std::move(pixels_);
    const Rect keptArea = whole ? Rect{} : area_;
    pixels_ = Picture(wanted.width(), wanted.height(), PixelFormat::Bgra32(), Picture::Unfilled{});
    area_ = wanted;
    width_ = width;
    height_ = height;
    const Rect overlap = keptArea.intersected(area_);
    if (overlap.empty()) {
      make(source, area_);
    } else {
      for (int y = overlap.top; y < overlap.bottom; ++y)
        std::memcpy(pixels_.rawData() + (y - area_.top) * pixels_.stride() +
                        (overlap.left - area_.left) * 4,
                    kept.row(y - keptArea.top) + (overlap.left - keptArea.left) * 4,
                    static_cast<std::size_t>(overlap.width()) * 4);
      // The bands above and below the part kept, and left and right of it.
      make(source, Rect{area_.left, area_.top, area_.right, overlap.top});
      make(source, Rect{area_.left, overlap.bottom, area_.right, area_.bottom});
      make(source, Rect{area_.left, overlap.top, overlap.left, overlap.bottom});
      make(source, Rect{overlap.right, overlap.top, area_.right, overlap.bottom});
    }
  }
  if (!whole) {
    for (const Rect& changed : source.writtenSince(madeAt_))
      make(source, AreaResampleCover(source.width(), source.height(), width, height, changed));
  }
  identity_ = source.identity();
  sourceWidth_ = source.width();
  sourceHeight_ = source.height();
  madeAt_ = now;
}

void ReducedCopy::clear() {
  // Called at every paint at full size: an empty copy is left as it is.
  if (pixels_.width() != 0 || pixels_.height() != 0) pixels_ = Picture();
  area_ = Rect{};
  identity_ = {};
}

}  // namespace drollo
