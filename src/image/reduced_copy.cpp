#include "image/reduced_copy.h"

#include "image/resample.h"

namespace drollo {

void ReducedCopy::update(const Picture& source, int width, int height) {
  // Read before the pixels are: a write after this is seen by the next update.
  const std::uint64_t now = Picture::WriteClock();
  const bool whole = pixels_.width() != width || pixels_.height() != height ||
                     identity_ != source.identity() || sourceWidth_ != source.width() ||
                     sourceHeight_ != source.height();
  if (whole) {
    // Every byte is written below.
    pixels_ = Picture(width, height, PixelFormat::Bgra32(), Picture::Unfilled{});
    AreaResampleInto(source, width, height, pixels_.region(pixels_.rect()));
  } else {
    for (const Rect& changed : source.writtenSince(madeAt_)) {
      const Rect part = AreaResampleCover(source.width(), source.height(), width, height, changed);
      if (!part.empty()) AreaResampleInto(source, width, height, pixels_.region(part));
    }
  }
  identity_ = source.identity();
  sourceWidth_ = source.width();
  sourceHeight_ = source.height();
  madeAt_ = now;
}

void ReducedCopy::clear() {
  pixels_ = Picture();
  identity_ = 0;
}

}  // namespace drollo
