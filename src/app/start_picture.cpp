#include "app/start_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace drollo {

namespace {

// A fully saturated hue, h in [0, 6).
void Hue(double h, int& r, int& g, int& b) {
  const int sector = static_cast<int>(h) % 6;
  const int rise = static_cast<int>((h - std::floor(h)) * 255);
  const int fall = 255 - rise;
  switch (sector) {
    case 0:
      r = 255, g = rise, b = 0;
      break;
    case 1:
      r = fall, g = 255, b = 0;
      break;
    case 2:
      r = 0, g = 255, b = rise;
      break;
    case 3:
      r = 0, g = fall, b = 255;
      break;
    case 4:
      r = rise, g = 0, b = 255;
      break;
    default:
      r = 255, g = 0, b = fall;
      break;
  }
}

}  // namespace

Picture MakeStartPicture() {
  const int w = kStartPictureWidth;
  const int h = kStartPictureHeight;
  Picture p(w, h, 24);
  const double cx = w / 2.0;
  const double cy = h / 2.0;
  const int bandTop = h - 60;  // colour bands across the bottom
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (int x = 0; x < w; ++x) {
      int r, g, b;
      if (y >= bandTop) {
        // Upper half: the hue circle from left to right; lower half: a grey ramp.
        if (y < bandTop + 30) {
          Hue(6.0 * x / w, r, g, b);
        } else {
          r = g = b = 255 * x / (w - 1);
        }
      } else {
        // A soft background from sky blue at the top to sand at the band.
        const double t = static_cast<double>(y) / bandTop;
        r = static_cast<int>(150 + 90 * t);
        g = static_cast<int>(200 + 20 * t);
        b = static_cast<int>(240 - 90 * t);
        // Concentric rings around the centre, alternating colours, inside a disc.
        const double d = std::hypot(x - cx, y - cy * 0.9);
        if (d < 170) {
          const int ring = static_cast<int>(d / 17);
          Hue(ring % 6 + 0.5, r, g, b);
          if (ring % 2) r = (r + 255) / 2, g = (g + 255) / 2, b = (b + 255) / 2;
        }
        // Four small circles in the corners of the card.
        const double corners[4][2] = {
            {70, 70}, {w - 70.0, 70}, {70, bandTop - 70.0}, {w - 70.0, bandTop - 70.0}};
        for (const auto& c : corners) {
          const double dc = std::hypot(x - c[0], y - c[1]);
          if (dc < 40) r = 250, g = 250, b = 250;
          if (std::fabs(dc - 40) < 2) r = g = b = 30;
        }
        // A dark grid every 40 pixels.
        if (x % 40 == 0 || y % 40 == 0) r /= 3, g /= 3, b /= 3;
      }
      row[3 * x] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
      row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
      row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
    }
  }
  return p;
}

}  // namespace drollo
