// Small numeric helpers shared by every effect: rounding, the colour value and the grey value.
#pragma once

#include <cmath>
#include <cstdint>

namespace drollo {

// Round to the nearest integer, a half going to the even neighbour (the default rounding mode).
inline int Round(double v) {
  return static_cast<int>(std::nearbyint(v));
}
inline int Round(long double v) {
  return static_cast<int>(std::nearbyint(v));
}

// Towards zero.
inline int Trunc(double v) {
  return static_cast<int>(v);
}

// A colour value: red in the lowest byte, green in the next, blue in the third, top byte 0.
using TColor = std::uint32_t;

constexpr TColor MakeColour(int r, int g, int b) {
  return static_cast<TColor>(r & 0xFF) | (static_cast<TColor>(g & 0xFF) << 8) |
         (static_cast<TColor>(b & 0xFF) << 16);
}
constexpr int RedOf(TColor c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(TColor c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(TColor c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;

// Round(0.3 R + 0.59 G + 0.11 B), evaluated left to right in double precision.
inline int GreyValue(int r, int g, int b) {
  return Round(0.3 * r + 0.59 * g + 0.11 * b);
}

// The same weights in extended precision, as the outline threshold needs them.
inline long double GreyValueExtended(int r, int g, int b) {
  return 0.3L * r + 0.59L * g + 0.11L * b;
}

// Sorts values[0..last] ascending in place by exchange: for i from 0 to last, and for j from last
// down to i + 1, values[i] and values[j] are exchanged when values[j] < values[i].
inline void SelectionSort(int* values, int last) {
  for (int i = 0; i <= last; ++i) {
    for (int j = last; j >= i + 1; --j) {
      if (values[j] < values[i]) {
        const int t = values[i];
        values[i] = values[j];
        values[j] = t;
      }
    }
  }
}

}  // namespace drollo
