// The picture as the screen shows it at a zoom below 100 %: reduced to the display size by
// averaging, as AreaResample makes it, in 32 bits (blue, green, red, 255), the form a screen
// copies without converting. Only the part of the display that the screen shows is kept, so the
// copy costs what the screen holds, not what the picture holds. It follows the picture through
// the picture's record of written tiles: after a local edit only the part of the copy that the
// written tiles cover is made again, so keeping the screen up to date costs what the edit touched,
// not the picture; scrolled, only the newly shown part is made. It is made whole when the picture
// was replaced or a size changed.
#pragma once

#include <array>
#include <cstdint>

#include "image/picture.h"
#include "image/resample.h"

namespace drollo {

class ReducedCopy {
 public:
  // Brings the copy in line with `source` reduced to width x height (both positive; the source
  // not empty), for the part `shown` of the reduced picture (clipped to width x height).
  void update(const Picture& source, int width, int height, const Rect& shown);
  // The same from any pixel source, followed through its identity and its writes.
  void update(const PixelSource& source, int width, int height, const Rect& shown);
  // The part area() of the reduced picture: pixel (x, y) of the reduced picture is pixel
  // (x - area().left, y - area().top) here. Empty before the first update and after clear().
  const Picture& pixels() const { return pixels_; }
  Rect area() const { return area_; }
  // Frees the copy: the next update makes it whole.
  void clear();

 private:
  // The pixels of `part` (reduced picture coordinates, inside area_) made from `source`.
  void make(const PixelSource& source, const Rect& part);

  Picture pixels_;
  Rect area_;
  int width_ = 0;
  int height_ = 0;
  // The picture the copy was made from, as its identity and size, and the write clock then.
  std::array<std::uint64_t, 3> identity_{};
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  std::uint64_t madeAt_ = 0;
};

}  // namespace drollo
