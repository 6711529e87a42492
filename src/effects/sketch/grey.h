// The sketches' grey value Round(0.3 R + 0.59 G + 0.11 B) without a multiplication or a library
// call per pixel.
//
// Each product is looked up instead of computed; a product rounded to double is the same number
// whether it comes from a table or from the multiplication, and the sum is still formed left to
// right, so the result is bit for bit that of the formula. The rounding adds and subtracts 2^52,
// which rounds a non-negative double below 2^52 to an integer with halves to even (the default
// rounding mode), exactly as nearbyint does.
#pragma once

#include <array>
#include <cstdint>

namespace drollo::sketch {

class GreyTables {
 public:
  GreyTables() {
    for (int v = 0; v < 256; ++v) {
      red_[v] = 0.3 * v;
      green_[v] = 0.59 * v;
      blue_[v] = 0.11 * v;
    }
  }

  // Pixel bytes in the order blue, green, red.
  int operator()(const std::uint8_t* bgr) const {
    const double sum = red_[bgr[2]] + green_[bgr[1]] + blue_[bgr[0]];
    return static_cast<int>((sum + kRoundingShift) - kRoundingShift);
  }

  static const GreyTables& Instance() {
    static const GreyTables tables;
    return tables;
  }

 private:
  static constexpr double kRoundingShift = 4503599627370496.0;  // 2^52
  std::array<double, 256> red_{}, green_{}, blue_{};
};

}  // namespace drollo::sketch
