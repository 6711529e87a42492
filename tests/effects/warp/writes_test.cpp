// Where the round warps say they write, against where they do: each kernel runs once over a
// destination filled with 0 and once over one filled with 255. A pixel it writes comes out the
// same both times; one it leaves alone keeps the two fills apart.
#include "effects/warp/writes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "effects/warp/spherical.h"
#include "effects/warp/swirl.h"
#include "support/pictures.h"

namespace drollo::warp {
namespace {

using drollo::test::PatternPicture;

using Kernel = std::function<void(const ConstView&, const MutableView&)>;

// For each pixel of `box`, whether the kernel writes it.
std::vector<std::vector<bool>> WrittenPixels(const Picture& picture, const Rect& box,
                                             const Kernel& kernel) {
  std::vector<std::vector<std::uint8_t>> runs;
  for (std::uint8_t fill : {0, 255}) {
    std::vector<std::uint8_t> bytes(3 * static_cast<std::size_t>(box.width() * box.height()), fill);
    kernel(picture.view(), MutableView{bytes.data(), 3 * box.width(), box, 3});
    runs.push_back(std::move(bytes));
  }
  std::vector<std::vector<bool>> written(box.height(), std::vector<bool>(box.width()));
  for (int y = 0; y < box.height(); ++y)
    for (int x = 0; x < box.width(); ++x) {
      const std::size_t i = 3 * static_cast<std::size_t>(y * box.width() + x);
      written[y][x] = std::memcmp(&runs[0][i], &runs[1][i], 3) == 0;
    }
  return written;
}

// Nothing is written outside a row's [left, right); a row that is whole has every pixel there
// written; and the first and last pixels of every row's run are written, so that nothing more
// than the patch is copied.
void ExpectWritesOf(const std::string& what, const Picture& picture, const Rect& box,
                    const Kernel& kernel, const Writes& writes) {
  ASSERT_EQ(writes.size(), static_cast<std::size_t>(box.height())) << what;
  const std::vector<std::vector<bool>> written = WrittenPixels(picture, box, kernel);
  int wholeRows = 0;
  for (int y = box.top; y < box.bottom; ++y) {
    const RowWrites& w = writes[y - box.top];
    const std::vector<bool>& row = written[y - box.top];
    wholeRows += w.whole || w.left >= w.right;
    for (int x = box.left; x < box.right; ++x) {
      const bool inside = x >= w.left && x < w.right;
      if (!inside) {
        ASSERT_FALSE(row[x - box.left]) << what << " writes " << x << "," << y;
      } else if (w.whole) {
        ASSERT_TRUE(row[x - box.left]) << what << " leaves " << x << "," << y;
      }
    }
    if (w.left < w.right) {
      ASSERT_TRUE(row[w.left - box.left] && row[w.right - 1 - box.left])
          << what << " row " << y << " is wider than its writes";
    }
  }
  // All but the centre's row are empty or one run through the centre's column.
  EXPECT_GE(wholeRows, box.height() - 1) << what;
}

TEST(RoundWarpWrites, TheKernelsWriteWhereTheySayAndNowhereElse) {
  const Picture picture = PatternPicture(120, 90, 5);
  struct Case {
    const char* name;
    int a, b, R, H;
  };
  const Case cases[] = {
      {"Inside", 60, 45, 30, 9},
      {"AcrossLeftAndTop", 8, 5, 25, 12},
      {"AcrossRightAndBottom", 115, 86, 25, 7},
      {"CentreRightOfPicture", 130, 45, 20, 6},
      {"LargerThanPicture", 60, 45, 90, 30},
      {"SteepCap", 60, 45, 12, 40},
      {"NegativeStrength", 60, 45, 20, -8},
      {"RadiusOne", 60, 45, 1, 3},
      {"RadiusTwo", 60, 45, 2, 1},
  };
  for (const Case& c : cases) {
    const SphereParams p{c.a, c.b, c.R, c.H};
    const Rect box = SphereBounds(p).intersected(picture.rect());
    if (box.empty()) continue;
    const std::string name = c.name;
    ExpectWritesOf(
        name + " bulge", picture, box,
        [&](const ConstView& src, const MutableView& dst) { bulge(src, dst, p); },
        BulgeWrites(p, box));
    ExpectWritesOf(
        name + " pinch", picture, box,
        [&](const ConstView& src, const MutableView& dst) { pinch(src, dst, p); },
        PinchWrites(p, box));
    for (bool clockwise : {true, false}) {
      const SwirlParams s{c.a, c.b, c.R, c.H, clockwise};
      ExpectWritesOf(
          name + " swirl", picture, box,
          [&](const ConstView& src, const MutableView& dst) { swirl(src, dst, s); },
          SwirlWrites(s, box));
    }
  }
}

}  // namespace
}  // namespace drollo::warp
