// The picture as the screen shows it at a zoom below 100 %: reduced to the display size by
// averaging, as AreaResample makes it, in 32 bits (blue, green, red, 255), the form a screen
// copies without converting. The copy follows the picture through the picture's record of written
// tiles: after a local edit only the part of the copy that the written tiles cover is made again,
// so keeping the screen up to date costs what the edit touched, not the picture. It is made whole
// when the picture was replaced or a size changed.
#pragma once

#include <cstdint>

#include "image/picture.h"

namespace drollo {

class ReducedCopy {
 public:
  // Brings the copy in line with `source` at width x height (both positive; the source not
  // empty).
  void update(const Picture& source, int width, int height);
  // The copy; empty before the first update and after clear().
  const Picture& pixels() const { return pixels_; }
  // Frees the copy: the next update makes it whole.
  void clear();

 private:
  Picture pixels_;
  // The picture the copy was made from, as its identity and size, and the write clock then.
  std::uint64_t identity_ = 0;
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  std::uint64_t madeAt_ = 0;
};

}  // namespace drollo
