#include "image/reduced_copy.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "image/resample.h"
#include "support/pictures.h"

namespace drollo {
namespace {

// The picture averaged whole to width x height, in the copy's 32 bits.
Picture Afresh(const Picture& p, int w, int h) {
  Picture out = AreaResample(p, w, h);
  out.convertTo(32);
  return out;
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

// The copy after edits equals the picture averaged whole, byte for byte: reduced much, reduced
// hardly at all in one direction, and at the picture's own size.
TEST(ReducedCopy, FollowsLocalEditsByteForByte) {
  Picture picture = test::PatternPicture(700, 500, 1);
  const Picture other = test::PatternPicture(700, 500, 2);
  Random random(42);
  for (const auto& [w, h] : {std::pair(75, 53), std::pair(300, 499), std::pair(700, 500)}) {
    ReducedCopy copy;
    copy.update(picture, w, h);
    for (int round = 0; round < 12; ++round) {
      for (int i = 0, n = 1 + random(3); i < n; ++i) LocalEdit(picture, other, random);
      copy.update(picture, w, h);
      ASSERT_TRUE(test::SamePicture(Afresh(picture, w, h), copy.pixels()))
          << w << " x " << h << ", round " << round;
    }
  }
}

// A picture replaced by one moved or copied in shows the new one, also when every tile of the new
// one was written before the copy was last brought up to date.
TEST(ReducedCopy, APictureReplacedByAnOlderOneIsShownWhole) {
  Picture picture = test::PatternPicture(300, 200, 1);
  Picture older = test::PatternPicture(300, 200, 2);
  const Picture third = test::PatternPicture(300, 200, 3);
  ReducedCopy copy;
  copy.update(picture, 40, 30);
  picture = std::move(older);
  copy.update(picture, 40, 30);
  EXPECT_TRUE(test::SamePicture(Afresh(picture, 40, 30), copy.pixels()));
  picture = third;
  copy.update(picture, 40, 30);
  EXPECT_TRUE(test::SamePicture(Afresh(third, 40, 30), copy.pixels()));
  picture.assign(test::PatternPicture(300, 200, 4));
  copy.update(picture, 40, 30);
  EXPECT_TRUE(test::SamePicture(Afresh(picture, 40, 30), copy.pixels()));
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
    copy.update(p, w, h);
    EXPECT_TRUE(test::SamePicture(Afresh(p, w, h), copy.pixels()));
    std::vector<Bgra> table(256);
    for (int i = 0; i < 256; ++i) table[i] = Bgra{0, static_cast<std::uint8_t>(255 - i), 9, 0};
    p.setPalette(table);
    copy.update(p, w, h);
    EXPECT_TRUE(test::SamePicture(Afresh(p, w, h), copy.pixels()));
    p.convertTo(24);
    p.setPixel(5, 5, kWhite);
    copy.update(p, w, h);
    EXPECT_TRUE(test::SamePicture(Afresh(p, w, h), copy.pixels()));
  }
}

TEST(ReducedCopy, ANewSizeOrAClearedCopyIsMadeWhole) {
  Picture picture = test::PatternPicture(260, 170, 1);
  ReducedCopy copy;
  copy.update(picture, 50, 40);
  copy.update(picture, 60, 30);
  EXPECT_TRUE(test::SamePicture(Afresh(picture, 60, 30), copy.pixels()));
  copy.clear();
  EXPECT_TRUE(copy.pixels().empty());
  picture.setPixel(3, 3, kWhite);
  copy.update(picture, 60, 30);
  EXPECT_TRUE(test::SamePicture(Afresh(picture, 60, 30), copy.pixels()));
  picture.reset(100, 100, 200);
  copy.update(picture, 60, 30);
  EXPECT_TRUE(test::SamePicture(Afresh(picture, 60, 30), copy.pixels()));
}

}  // namespace
}  // namespace drollo
