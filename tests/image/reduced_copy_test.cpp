#include "image/reduced_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "image/resample.h"
#include "support/pictures.h"

namespace drollo {
namespace {

// The part `area` of the picture averaged whole to w x h, in the copy's 32 bits.
Picture Afresh(const Picture& p, int w, int h, const Rect& area) {
  Picture whole = AreaResample(p, w, h);
  whole.convertTo(32);
  Picture part(area.width(), area.height(), 32);
  for (int y = area.top; y < area.bottom; ++y)
    std::memcpy(part.mutableRow(y - area.top), whole.row(y) + 4 * area.left,
                static_cast<std::size_t>(area.width()) * 4);
  return part;
}

testing::AssertionResult ShowsAfresh(const ReducedCopy& copy, const Picture& p, int w, int h) {
  return test::SamePicture(Afresh(p, w, h, copy.area()), copy.pixels());
}

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}
  int operator()(int n) {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(n));
  }

 private:
  std::uint32_t state_;
};

// A local edit of one of the kinds the program makes: a region written (a warp step), single
// pixels, rows, or a rectangle copied in from another picture (an undo's tiles).
void LocalEdit(Picture& p, const Picture& other, Random& random) {
  const int x0 = random(p.width()), y0 = random(p.height());
  const Rect area{x0, y0, x0 + 1 + random(90), y0 + 1 + random(90)};
  switch (random(4)) {
    case 0: {
      const MutableView v = p.region(area);
      for (int y = v.bounds.top; y < v.bounds.bottom; ++y)
        for (int x = v.bounds.left; x < v.bounds.right; ++x)
          v.setPixel(x, y, (p.pixel(x, y) * 7 + 0x123456) & 0xFFFFFF);
      break;
    }
    case 1:
      for (int i = 0; i < 20; ++i)
        p.setPixel(x0 + random(30), y0 + random(30), static_cast<TColor>(random(1 << 24)));
      break;
    case 2:
      p.mutableRow(y0)[3 * x0] ^= 0xFF;
      break;
    default:
      p.copyRect(other, area);
  }
}

// The copy after edits and scrolling equals the picture averaged whole, byte for byte, reduced
// much, reduced hardly at all in one direction, and at the picture's own size; it holds only the
// part shown.
TEST(ReducedCopy, FollowsLocalEditsAndScrollingByteForByte) {
  Picture picture = test::PatternPicture(700, 500, 1);
  const Picture other = test::PatternPicture(700, 500, 2);
  Random random(42);
  for (const auto& [w, h] : {std::pair(75, 53), std::pair(300, 499), std::pair(700, 500)}) {
    ReducedCopy copy;
    Rect shown{0, 0, w * 2 / 3, h / 2};
    copy.update(picture, w, h, shown);
    for (int round = 0; round < 16; ++round) {
      for (int i = 0, n = random(3); i < n; ++i) LocalEdit(picture, other, random);
      // Scrolled a little, or far, or not at all.
      const int dx = random(3) == 0 ? random(w) : random(9), dy = random(9);
      shown = Rect{dx, dy, dx + w * 2 / 3, dy + h / 2};
      copy.update(picture, w, h, shown);
      ASSERT_EQ(copy.area(), shown.intersected(Rect{0, 0, w, h}));
      ASSERT_EQ(copy.pixels().width(), copy.area().width());
      ASSERT_TRUE(ShowsAfresh(copy, picture, w, h)) << w << " x " << h << ", round " << round;
    }
  }
}

// A picture replaced by one moved or copied in shows the new one, also when every tile of the new
// one was written before the copy was last brought up to date.
TEST(ReducedCopy, APictureReplacedByAnOlderOneIsShownWhole) {
  Picture picture = test::PatternPicture(300, 200, 1);
  Picture older = test::PatternPicture(300, 200, 2);
  const Picture third = test::PatternPicture(300, 200, 3);
  const Rect shown{5, 5, 35, 25};
  ReducedCopy copy;
  copy.update(picture, 40, 30, shown);
  picture = std::move(older);
  copy.update(picture, 40, 30, shown);
  EXPECT_TRUE(ShowsAfresh(copy, picture, 40, 30));
  picture = third;
  copy.update(picture, 40, 30, shown);
  EXPECT_TRUE(ShowsAfresh(copy, third, 40, 30));
  picture.assign(test::PatternPicture(300, 200, 4));
  copy.update(picture, 40, 30, shown);
  EXPECT_TRUE(ShowsAfresh(copy, picture, 40, 30));
}

// An indexed picture is read through its table: a new table and a conversion to 24 bits, which
// keep the picture's identity, change what the copy shows.
TEST(ReducedCopy, NewTablesAndDepthsAreShown) {
  Picture picture(150, 90, PixelFormat::Grey8());
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.mutableRow(y)[x] = static_cast<std::uint8_t>(x + 3 * y);
  for (const auto& [w, h] : {std::pair(31, 20), std::pair(150, 90)}) {
    Picture p = picture;
    ReducedCopy copy;
    const Rect shown{0, 0, w, h};
    copy.update(p, w, h, shown);
    EXPECT_TRUE(ShowsAfresh(copy, p, w, h));
    std::vector<Bgra> table(256);
    for (int i = 0; i < 256; ++i) table[i] = Bgra{0, static_cast<std::uint8_t>(255 - i), 9, 0};
    p.setPalette(table);
    copy.update(p, w, h, shown);
    EXPECT_TRUE(ShowsAfresh(copy, p, w, h));
    p.convertTo(24);
    p.setPixel(5, 5, kWhite);
    copy.update(p, w, h, shown);
    EXPECT_TRUE(ShowsAfresh(copy, p, w, h));
  }
}

TEST(ReducedCopy, ANewSizeOrAClearedCopyIsMadeWhole) {
  Picture picture = test::PatternPicture(260, 170, 1);
  ReducedCopy copy;
  copy.update(picture, 50, 40, Rect{0, 0, 50, 40});
  copy.update(picture, 60, 30, Rect{0, 0, 60, 30});
  EXPECT_TRUE(ShowsAfresh(copy, picture, 60, 30));
  copy.clear();
  EXPECT_TRUE(copy.pixels().empty());
  picture.setPixel(3, 3, kWhite);
  copy.update(picture, 60, 30, Rect{10, 0, 60, 30});
  EXPECT_TRUE(ShowsAfresh(copy, picture, 60, 30));
  picture.reset(100, 100, 200);
  copy.update(picture, 60, 30, Rect{10, 0, 60, 30});
  EXPECT_TRUE(ShowsAfresh(copy, picture, 60, 30));
}

}  // namespace
}  // namespace drollo
