#include "outline/thickness.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "image/parallel.h"
#include "image/pixel_math.h"

namespace drollo::outline {

namespace {

constexpr std::uint32_t kColourMask = 0x00FFFFFFu;
constexpr std::uint32_t kWhite = 0x00FFFFFFu;
// Red 236, green 233, blue 216 as the three low bytes of a little-endian blue-green-red pixel.
constexpr std::uint32_t kPaleBackground = 0x00ECE9D8u;

inline std::uint32_t Colour(const std::uint8_t* row, int x) {
  std::uint32_t v;
  std::memcpy(&v, row + 4 * static_cast<std::ptrdiff_t>(x), 4);
  return v & kColourMask;
}
inline bool IsWhite(const std::uint8_t* row, int x) {
  return Colour(row, x) == kWhite;
}

// Round(sqrt(r^2 - k^2)) with the squares in 64 bits. |k| <= r always holds here.
int HalfWidth(std::int64_t r, std::int64_t k) {
  return Round(std::sqrt(static_cast<double>(r * r - k * k)));
}

// The circle test with the half-widths computed once per pass: they depend only on the row
// distance, and a clipped loop never looks further than the layer's height.
class CircleTest {
 public:
  CircleTest(const Picture& layer, int r, bool tabulate = true) : layer_(layer), r_(r) {
    if (!tabulate) return;
    const std::int64_t kmax = std::min<std::int64_t>(r, layer.height());
    halfWidth_.resize(static_cast<std::size_t>(kmax) + 1);
    for (std::int64_t k = 0; k <= kmax; ++k) halfWidth_[k] = HalfWidth(r, k);
  }

  bool operator()(int x, int y) const {
    return Count(x, y, [this](std::int64_t k) { return halfWidth_[k < 0 ? -k : k]; });
  }

  // The same test computing every root as it goes.
  bool Direct(int x, int y) const {
    return Count(x, y, [this](std::int64_t k) { return HalfWidth(r_, k); });
  }

 private:
  template <typename HalfWidthOf>
  bool Count(int x, int y, HalfWidthOf halfWidthOf) const {
    const int w = layer_.width(), h = layer_.height();
    const std::int64_t r = r_;
    const std::int64_t first = std::max<std::int64_t>(y - r + 1, 1);
    const std::int64_t last = std::min<std::int64_t>(y + r, h - 1);
    int count = 0;
    for (std::int64_t i = first; i <= last; ++i) {
      const std::int64_t d1 = halfWidthOf(y - i), d2 = halfWidthOf(y - i + 1);
      const std::uint8_t* row = layer_.row(static_cast<int>(i));
      const std::uint8_t* above = layer_.row(static_cast<int>(i - 1));
      const std::int64_t left = x - d1, leftPartner = x - d2;
      if (left > 0) {
        const int partner = leftPartner >= 0 ? above[4 * leftPartner] : 255;
        if (row[4 * left] != partner) ++count;
      }
      const std::int64_t right = x + d1, rightPartner = x + d2;
      if (right < w - 1) {
        const int partner = rightPartner <= w - 1 ? above[4 * rightPartner] : 255;
        if (row[4 * right] != partner) ++count;
      }
      if (count > 2) return true;  // further changes cannot make it false
    }
    if (count == 0 && x - r >= 0 && x + r < w) {
      const std::uint8_t* row = layer_.row(y);
      if (row[4 * (x - r)] == row[4 * (x + r)]) count = 4;
    }
    return count > 2;
  }

  const Picture& layer_;
  int r_;
  std::vector<int> halfWidth_;
};

}  // namespace

bool lesslinethick(const Picture& layer, int x, int y, int r) {
  return CircleTest(layer, r, false).Direct(x, y);
}

TBitmap32 ThickenLines(const TBitmap32& layer, int r, const Progress& progress) {
  TBitmap32 out = layer;
  const int w = layer.width(), h = layer.height();
  const CircleTest thin(layer, r);
  const MutableView dst = out.region(out.rect());
  ForRows(
      1, h - 1,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const std::uint8_t* above = layer.row(y - 1);
          const std::uint8_t* row = layer.row(y);
          const std::uint8_t* below = layer.row(y + 1);
          std::uint8_t* d = dst.row(y);
          for (int x = 1; x < w - 1; ++x) {
            if (!IsWhite(row, x)) continue;
            if (IsWhite(row, x - 1) && IsWhite(row, x + 1) && IsWhite(above, x) &&
                IsWhite(below, x))
              continue;
            if (thin(x, y)) {
              std::uint8_t* p = d + 4 * x;
              p[0] = 0, p[1] = 0, p[2] = 0, p[3] = 255;
            }
          }
        }
      },
      progress, GrainRows(4 * static_cast<std::size_t>(w)));
  return out;
}

TBitmap32 ThinLines(const TBitmap32& layer, int r, const Progress& progress) {
  TBitmap32 out = layer;
  const int w = layer.width(), h = layer.height();
  const CircleTest thin(layer, r);
  auto background = [](const std::uint8_t* row, int x) {
    const std::uint32_t c = Colour(row, x);
    return c == kWhite || c == kPaleBackground ? 1 : 0;
  };
  const MutableView dst = out.region(out.rect());
  ForRows(
      1, h - 1,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
          const std::uint8_t* above = layer.row(y - 1);
          const std::uint8_t* row = layer.row(y);
          const std::uint8_t* below = layer.row(y + 1);
          std::uint8_t* d = dst.row(y);
          for (int x = 1; x < w - 1; ++x) {
            // Clockwise from the north-west.
            const int nw = background(above, x - 1), n = background(above, x),
                      ne = background(above, x + 1), e = background(row, x + 1),
                      se = background(below, x + 1), s = background(below, x),
                      sw = background(below, x - 1), wv = background(row, x - 1);
            const int b = nw + n + ne + e + se + s + sw + wv;
            if (b < 2 || b > 6) continue;
            const int a = (nw < n) + (n < ne) + (ne < e) + (e < se) + (se < s) + (s < sw) +
                          (sw < wv) + (wv < nw);
            if (a != 1) continue;
            if (n * e * s != 0 || wv * e * s != 0) continue;
            if (!IsWhite(row, x - 1) && !IsWhite(row, x + 1) && !IsWhite(above, x) &&
                !IsWhite(below, x))
              continue;
            if (thin(x, y)) continue;
            std::uint8_t* p = d + 4 * x;
            p[0] = 255, p[1] = 255, p[2] = 255, p[3] = 255;
          }
        }
      },
      progress, GrainRows(4 * static_cast<std::size_t>(w)));
  return out;
}

TBitmap32 BalanceLines(const TBitmap32& layer, int r, const Progress& progress) {
  return ThickenLines(ThinLines(layer, r, progress), r, progress);
}

RadiusInput ParseRadius(std::string_view text, const TextLookup& texts) {
  RadiusInput result;
  const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(),
                                                       [](char c) { return c >= '0' && c <= '9'; });
  if (!digitsOnly) {
    result.outcome = RadiusInput::Outcome::InvalidInteger;
    result.message = texts.Translate("TTools", "Invalid integer");
    result.caption = texts.Translate("TTools", "Sorry");
    return result;
  }
  std::int64_t value = 0;
  for (char c : text) {
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int>::max()) {
      result.outcome = RadiusInput::Outcome::ConversionError;
      result.message = FormatText(texts.Translate("TTools", "'%1' 不是有效的整型值"), {text});
      return result;
    }
  }
  result.value = static_cast<int>(value);
  return result;
}

}  // namespace drollo::outline
