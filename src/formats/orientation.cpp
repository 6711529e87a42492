#include "formats/orientation.h"

#include <cstring>

#include "formats/exif.h"

namespace drollo::formats {

Picture Oriented(const Picture& stored, int orientation) {
  const int bpp = stored.bytesPerPixel();
  if (orientation < 2 || orientation > 8 || bpp == 0 || stored.empty()) return stored;
  const int w = stored.width(), h = stored.height();
  const bool swap = orientation >= 5;
  Picture out(swap ? h : w, swap ? w : h, stored.format());
  std::uint8_t* base = out.rawData();
  for (int y = 0; y < out.height(); ++y) {
    std::uint8_t* d = base + static_cast<std::size_t>(y) * out.stride();
    for (int x = 0; x < out.width(); ++x) {
      // The stored column and row shown at (x, y).
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x;
          sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y;
          sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y;
          sy = x;
          break;
      }
      std::memcpy(d + static_cast<std::size_t>(x) * bpp,
                  stored.row(sy) + static_cast<std::size_t>(sx) * bpp, bpp);
    }
  }
  return out;
}

void MakeUpright(LoadedPicture& loaded) {
  if (loaded.metadata.exif.empty()) return;
  loaded.picture = Oriented(loaded.picture, ExifOrientation(loaded.metadata.exif));
  loaded.metadata.exif = UprightExif(loaded.metadata.exif);
}

}  // namespace drollo::formats
