// The edge picture: worked boundaries, the frame, small pictures, and a plain reference.
#include "outline/edge.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/pictures.h"

namespace drollo::outline {
namespace {

using test::FilledPicture;
using test::PatternPicture;
using test::SamePicture;

// The three sums per channel, clamped one by one, the largest taken, everything inverted.
Picture ReferenceEdges(const Picture& in) {
  Picture d = in;
  const int w = in.width(), h = in.height();
  auto at = [&](int x, int y, int c) { return static_cast<int>(in.row(y)[3 * x + c]); };
  for (int y = 1; y < h - 1; ++y)
    for (int x = 1; x < w - 1; ++x)
      for (int c = 0; c < 3; ++c) {
        const int e1 = -at(x - 1, y - 1, c) + at(x + 1, y - 1, c) - 2 * at(x - 1, y, c) +
                       2 * at(x + 1, y, c) - at(x - 1, y + 1, c) + at(x + 1, y + 1, c);
        const int e2 = -at(x - 1, y - 1, c) - at(x, y - 1, c) - at(x + 1, y - 1, c) +
                       at(x - 1, y + 1, c) + at(x, y + 1, c) + at(x + 1, y + 1, c);
        const int e3 = at(x - 1, y - 1, c) - at(x + 1, y - 1, c) + at(x - 1, y, c) -
                       at(x + 1, y, c) + at(x - 1, y + 1, c) - at(x + 1, y + 1, c);
        const int v =
            std::max({std::clamp(e1, 0, 255), std::clamp(e2, 0, 255), std::clamp(e3, 0, 255)});
        d.mutableRow(y)[3 * x + c] = static_cast<std::uint8_t>(v);
      }
  for (int y = 0; y < h; ++y)
    for (int k = 0; k < 3 * w; ++k)
      d.mutableRow(y)[k] = static_cast<std::uint8_t>(255 - d.row(y)[k]);
  return d;
}

TEST(EdgePicture, UniformPictureIsWhiteInsideAndInvertedOnTheFrame) {
  const TColor c = MakeColour(10, 100, 200);
  const Picture e = picsobel(FilledPicture(7, 5, c));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      const bool frame = x == 0 || y == 0 || x == 6 || y == 4;
      EXPECT_EQ(e.pixel(x, y), frame ? MakeColour(245, 155, 55) : kWhite) << x << "," << y;
    }
}

struct Boundary {
  const char* name;
  bool vertical;   // the boundary runs top to bottom
  bool darkFirst;  // black on the left (vertical) or above (horizontal)
  bool showsAsLine;
};

class EdgeBoundary : public testing::TestWithParam<Boundary> {};

TEST_P(EdgeBoundary, DarkLineOrNone) {
  const Boundary& b = GetParam();
  Picture p(8, 8, 24);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool first = b.vertical ? x < 4 : y < 4;
      p.setPixel(x, y, first == b.darkFirst ? kBlack : kWhite);
    }
  const Picture e = picsobel(p);
  for (int i = 1; i < 7; ++i) {
    // The inner pixels on both sides of the boundary.
    for (int j : {3, 4}) {
      const int x = b.vertical ? j : i, y = b.vertical ? i : j;
      EXPECT_EQ(e.pixel(x, y), b.showsAsLine ? kBlack : kWhite) << x << "," << y;
    }
    // Away from it the picture is flat.
    const int x = b.vertical ? 1 : i, y = b.vertical ? i : 1;
    EXPECT_EQ(e.pixel(x, y), kWhite);
  }
}

INSTANTIATE_TEST_SUITE_P(FourBoundaries, EdgeBoundary,
                         testing::Values(Boundary{"BlackLeftWhiteRight", true, true, true},
                                         Boundary{"WhiteLeftBlackRight", true, false, true},
                                         Boundary{"BlackAboveWhiteBelow", false, true, true},
                                         Boundary{"WhiteAboveBlackBelow", false, false, false}),
                         [](const testing::TestParamInfo<Boundary>& info) {
                           return std::string(info.param.name);
                         });

TEST(EdgePicture, EqualsThePlainSums) {
  for (int w : {3, 4, 9, 31})
    for (int h : {3, 5, 12}) {
      const Picture p = PatternPicture(w, h, static_cast<std::uint32_t>(w + 7 * h));
      EXPECT_TRUE(SamePicture(ReferenceEdges(p), picsobel(p))) << w << "x" << h;
    }
}

// Bytes of only 0 and 255, and of any value: every sum from its lowest to its highest, clamped on
// both sides, in rows long enough for many runs of the vectorised form and a tail.
TEST(EdgePicture, ExtremeSumsEqualThePlainSums) {
  std::uint32_t state = 12345;
  auto next = [&] { return (state = state * 1664525u + 1013904223u) >> 24; };
  for (bool twoValues : {true, false})
    for (int w : {17, 70}) {
      Picture p(w, 9, 24);
      for (int y = 0; y < p.height(); ++y)
        for (int k = 0; k < 3 * w; ++k)
          p.mutableRow(y)[k] = static_cast<std::uint8_t>(twoValues ? (next() & 1) * 255 : next());
      EXPECT_TRUE(SamePicture(ReferenceEdges(p), picsobel(p))) << w << (twoValues ? " two" : "");
    }
}

TEST(EdgePicture, SmallPicturesGiveTheirInvertedCopy) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 5}, {5, 2}, {1, 9}}) {
    const Picture p = PatternPicture(w, h, 3);
    EXPECT_TRUE(SamePicture(ReferenceEdges(p), picsobel(p))) << w << "x" << h;
  }
  const Picture empty = picsobel(Picture(0, 0, 24));
  EXPECT_EQ(empty.width(), 0);
  EXPECT_EQ(empty.height(), 0);
  EXPECT_EQ(empty.bitsPerPixel(), 24);
}

TEST(EdgePicture, OtherDepthsAreReadAsTwentyFourBits) {
  Picture grey(6, 6, PixelFormat::Grey8());
  for (int y = 0; y < 6; ++y) grey.mutableRow(y)[4] = 255;
  EXPECT_TRUE(SamePicture(ReferenceEdges(ToBgr24(grey)), picsobel(grey)));
}

}  // namespace
}  // namespace drollo::outline
