// The 24-bit picture the benchmarks work on: every pixel different from its neighbours, so no
// step or snapshot can take a short cut over a plain area.
#pragma once

#include <cstdint>

#include "image/picture.h"

namespace drollo {

inline Picture LargePicture(int width, int height) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 7 + y * 3);
      row[3 * x + 1] = static_cast<std::uint8_t>(x * x / 5 + y * 11);
      row[3 * x + 2] = static_cast<std::uint8_t>(x * 13 + y * y / 7);
    }
  }
  return p;
}

}  // namespace drollo
