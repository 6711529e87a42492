#include "image/bitmap32.h"

#include <gtest/gtest.h>

#include "support/pictures.h"

namespace drollo {
namespace {

Bgra At(const Picture& p, int x, int y) {
  const std::uint8_t* q = p.row(y) + 4 * x;
  return Bgra{q[0], q[1], q[2], q[3]};
}

void Fill(TBitmap32& b, Bgra v) {
  for (int y = 0; y < b.height(); ++y) {
    std::uint8_t* q = b.mutableRow(y);
    for (int x = 0; x < b.width(); ++x) {
      q[4 * x] = v.b;
      q[4 * x + 1] = v.g;
      q[4 * x + 2] = v.r;
      q[4 * x + 3] = v.a;
    }
  }
}

TEST(TBitmap32, BlendPixelRules) {
  // Both transparent: white, transparent.
  EXPECT_EQ(TBitmap32::BlendPixel(Bgra{1, 2, 3, 0}, Bgra{4, 5, 6, 0}), (Bgra{255, 255, 255, 0}));
  // Transparent source leaves the target.
  EXPECT_EQ(TBitmap32::BlendPixel(Bgra{1, 2, 3, 9}, Bgra{4, 5, 6, 0}), (Bgra{1, 2, 3, 9}));
  // Transparent target or opaque source: the source.
  EXPECT_EQ(TBitmap32::BlendPixel(Bgra{1, 2, 3, 0}, Bgra{4, 5, 6, 7}), (Bgra{4, 5, 6, 7}));
  EXPECT_EQ(TBitmap32::BlendPixel(Bgra{1, 2, 3, 80}, Bgra{4, 5, 6, 255}), (Bgra{4, 5, 6, 255}));
  // Black at alpha 128 over opaque white: e = 32640, f = 65025, 255 * 32385 div 65025 = 127.
  EXPECT_EQ(TBitmap32::BlendPixel(Bgra{255, 255, 255, 255}, Bgra{0, 0, 0, 128}),
            (Bgra{127, 127, 127, 255}));
}

TEST(TBitmap32, AssignConvertsTo32BitsWithOpaqueAlpha) {
  TBitmap32 b;
  EXPECT_EQ(b.bitsPerPixel(), 32);
  const Picture src = test::PatternPicture(5, 4);
  b.Assign(src);
  ASSERT_EQ(b.bitsPerPixel(), 32);
  ASSERT_EQ(b.width(), 5);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(b.pixel(x, y), src.pixel(x, y));
      EXPECT_EQ(At(b, x, y).a, 255);
    }
  b.SetAlpha(7);
  EXPECT_EQ(At(b, 4, 3).a, 7);
  EXPECT_EQ(b.pixel(4, 3), src.pixel(4, 3));
}

TEST(TBitmap32, DrawOverClipsToTheCommonArea) {
  TBitmap32 target(6, 4), source(3, 8);
  Fill(target, Bgra{10, 10, 10, 255});
  Fill(source, Bgra{200, 100, 50, 255});
  source.DrawOver(0, 0, target);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(At(target, x, y), x < 3 ? (Bgra{200, 100, 50, 255}) : (Bgra{10, 10, 10, 255}))
          << x << "," << y;
}

TEST(TBitmap32, DrawOverAtNegativeXTakesSourceColumnsFromMinusX) {
  TBitmap32 target(4, 1), source(4, 1);
  Fill(target, Bgra{0, 0, 0, 255});
  for (int x = 0; x < 4; ++x) {
    std::uint8_t* q = source.mutableRow(0) + 4 * x;
    q[0] = static_cast<std::uint8_t>(x * 10);
    q[3] = 255;
  }
  source.DrawOver(-2, 0, target);
  EXPECT_EQ(At(target, 0, 0).b, 20);
  EXPECT_EQ(At(target, 1, 0).b, 30);
  EXPECT_EQ(At(target, 2, 0).b, 0);
  source.DrawOver(10, 0, target);  // entirely outside: nothing
  EXPECT_EQ(At(target, 3, 0).b, 0);
}

}  // namespace
}  // namespace drollo
