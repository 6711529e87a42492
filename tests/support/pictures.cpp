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

std::vector<std::uint8_t> CameraExif(int orientation) {
  // Header, then one directory of two entries (tags in ascending order) and the maker's text.
  std::vector<std::uint8_t> b = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0};
  const auto u16 = [&b](unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 255));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  const auto u32 = [&](unsigned v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const char maker[] = "Drollo Test";
  u16(0x010F), u16(2), u32(sizeof maker), u32(8 + 2 + 2 * 12 + 4);               // Make, ASCII
  u16(0x0112), u16(3), u32(1), u16(static_cast<unsigned>(orientation)), u16(0);  // Orientation
  u32(0);  // no further directory
  b.insert(b.end(), maker, maker + sizeof maker);
  return b;
}

}  // namespace drollo::test
