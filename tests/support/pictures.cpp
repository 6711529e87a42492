#include "support/pictures.h"

#include <sstream>

namespace drollo::test {

Picture PatternPicture(int width, int height, std::uint32_t seed) {
  Picture p(width, height, 24);
  std::uint32_t state = seed * 2654435761u + 12345u;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>(state >> 28);  // 0..15
      row[3 * x] = static_cast<std::uint8_t>((x * 7 + y * 3 + noise) & 0xFF);
      row[3 * x + 1] = static_cast<std::uint8_t>((x * x / 5 + y * 11 + noise) & 0xFF);
      row[3 * x + 2] = static_cast<std::uint8_t>((x * 13 + (y * y) / 7 + noise) & 0xFF);
    }
  }
  return p;
}

Picture FilledPicture(int width, int height, TColor colour) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.setPixel(x, y, colour);
  return p;
}

testing::AssertionResult SamePicture(const Picture& expected, const Picture& actual) {
  if (expected.width() != actual.width() || expected.height() != actual.height())
    return testing::AssertionFailure()
           << "size " << actual.width() << "x" << actual.height() << ", expected "
           << expected.width() << "x" << expected.height();
  if (!(expected.format() == actual.format()))
    return testing::AssertionFailure() << "format " << actual.bitsPerPixel() << " bits, expected "
                                       << expected.bitsPerPixel() << " bits (or another table)";
  std::ostringstream out;
  int shown = 0, differing = 0;
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const TColor e = expected.pixel(x, y), a = actual.pixel(x, y);
      if (e != a) {
        if (shown < 8) {
          out << " (" << x << "," << y << "): 0x" << std::hex << a << " expected 0x" << e
              << std::dec << ";";
          ++shown;
        }
        ++differing;
      }
    }
  }
  if (differing == 0 && expected.samePixels(actual)) return testing::AssertionSuccess();
  if (differing == 0) return testing::AssertionFailure() << "colours equal but bytes differ";
  return testing::AssertionFailure() << differing << " pixels differ:" << out.str();
}

}  // namespace drollo::test
