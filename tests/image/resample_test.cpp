#include "image/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "support/pictures.h"

namespace drollo {
namespace {

// The plain definition: every target pixel is the area-weighted mean of the source pixels under
// it, the target laid over the whole source.
Picture ReferenceResample(const Picture& src, int w, int h) {
  Picture out(w, h, 24);
  const double sx = double(src.width()) / w;
  const double sy = double(src.height()) / h;
  for (int ty = 0; ty < h; ++ty) {
    for (int tx = 0; tx < w; ++tx) {
      double acc[3] = {0, 0, 0};
      double area = 0;
      const double x0 = tx * sx, x1 = (tx + 1) * sx, y0 = ty * sy, y1 = (ty + 1) * sy;
      for (int y = int(y0); y < src.height() && y < y1; ++y) {
        const double oy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
        for (int x = int(x0); x < src.width() && x < x1; ++x) {
          const double a = oy * (std::min<double>(x + 1, x1) - std::max<double>(x, x0));
          if (a <= 0) continue;
          for (int c = 0; c < 3; ++c) acc[c] += a * src.row(y)[3 * x + c];
          area += a;
        }
      }
      for (int c = 0; c < 3; ++c)
        out.mutableRow(ty)[3 * tx + c] = static_cast<std::uint8_t>(std::floor(acc[c] / area + 0.5));
    }
  }
  return out;
}

struct SizeCase {
  int sw, sh, tw, th;
};

class AreaResampleTest : public testing::TestWithParam<SizeCase> {};

TEST_P(AreaResampleTest, MatchesTheAreaWeightedMean) {
  const SizeCase c = GetParam();
  const Picture src = test::PatternPicture(c.sw, c.sh, 7);
  const Picture got = AreaResample(src, c.tw, c.th);
  const Picture want = ReferenceResample(src, c.tw, c.th);
  ASSERT_EQ(got.width(), c.tw);
  ASSERT_EQ(got.height(), c.th);
  ASSERT_EQ(got.bitsPerPixel(), 24);
  // The reference works in floating point; a sum landing on a half may round the other way.
  int off = 0;
  for (int y = 0; y < c.th; ++y)
    for (int i = 0; i < 3 * c.tw; ++i) {
      const int d = std::abs(int(got.row(y)[i]) - int(want.row(y)[i]));
      ASSERT_LE(d, 1) << "byte " << i << " of row " << y;
      off += d;
    }
  EXPECT_LE(off, c.tw * c.th * 3 / 100 + 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AreaResampleTest,
                         testing::Values(SizeCase{605, 469, 302, 234}, SizeCase{605, 469, 378, 292},
                                         SizeCase{40, 30, 97, 61}, SizeCase{37, 23, 5, 3},
                                         SizeCase{10, 10, 1, 1}, SizeCase{3, 2, 7, 9},
                                         SizeCase{64, 1, 13, 5}));

// The same definition in whole numbers, as the resampler counts: source pixel i covers
// [i * n, (i + 1) * n) and target pixel t covers [t * s, (t + 1) * s) along each axis; each target
// channel is (the weighted sum + total / 2) / total, total = source width x source height.
Picture ExactResample(const Picture& src, int w, int h) {
  Picture out(w, h, 24);
  const std::int64_t sw = src.width(), sh = src.height();
  const std::uint64_t total = static_cast<std::uint64_t>(sw * sh);
  auto overlap = [](std::int64_t t, std::int64_t s, std::int64_t i, std::int64_t n) {
    const std::int64_t lo = std::max(t * s, i * n), hi = std::min((t + 1) * s, (i + 1) * n);
    return hi > lo ? static_cast<std::uint64_t>(hi - lo) : std::uint64_t{0};
  };
  for (int ty = 0; ty < h; ++ty)
    for (int tx = 0; tx < w; ++tx) {
      std::uint64_t sum[3] = {0, 0, 0};
      // Only the source pixels near the target pixel can overlap it.
      const std::int64_t y0 = ty * sh / h, y1 = std::min(sh, (ty + 1) * sh / h + 1);
      const std::int64_t x0 = tx * sw / w, x1 = std::min(sw, (tx + 1) * sw / w + 1);
      for (std::int64_t y = y0; y < y1; ++y) {
        const std::uint64_t wy = overlap(ty, sh, y, h);
        if (wy == 0) continue;
        for (std::int64_t x = x0; x < x1; ++x) {
          const std::uint64_t wx = overlap(tx, sw, x, w);
          for (int c = 0; c < 3; ++c) sum[c] += wx * wy * src.row(y)[3 * x + c];
        }
      }
      for (int c = 0; c < 3; ++c)
        out.mutableRow(ty)[3 * tx + c] = static_cast<std::uint8_t>((sum[c] + total / 2) / total);
    }
  return out;
}

// Reductions by whole factors (every source pixel under one target pixel whole) take shorter
// paths than the others: across only, or in whole blocks (with a table of quotients for small
// blocks on big targets, and blocks of many rows the long way); all give the whole-number
// definition's bytes exactly, from 24 and 32 bits alike.
TEST(AreaResample, WholeFactorsAndOthersGiveTheWholeNumberBytes) {
  for (const SizeCase c :
       {SizeCase{64, 48, 16, 12}, SizeCase{60, 45, 20, 15}, SizeCase{105, 91, 21, 13},
        SizeCase{40, 30, 20, 7}, SizeCase{41, 30, 20, 10}, SizeCase{97, 61, 40, 30},
        SizeCase{12, 9, 36, 27}, SizeCase{200, 160, 100, 80}, SizeCase{243, 90, 81, 30},
        SizeCase{300, 300, 3, 3}, SizeCase{4, 600, 2, 2}, SizeCase{6, 514, 1, 2}}) {
    const Picture src = test::PatternPicture(c.sw, c.sh, 11);
    Picture src32 = src;
    src32.convertTo(32);
    const Picture want = ExactResample(src, c.tw, c.th);
    for (const Picture* source : {&src, const_cast<const Picture*>(&src32)}) {
      const Picture got = AreaResample(*source, c.tw, c.th);
      for (int y = 0; y < c.th; ++y)
        ASSERT_EQ(0, std::memcmp(got.row(y), want.row(y), 3 * static_cast<std::size_t>(c.tw)))
            << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th << " from "
            << source->bitsPerPixel() << " bits, row " << y;
    }
  }
  // Blocks of many rows of the brightest bytes: their column sums go past 16 bits.
  for (int rows : {257, 258, 600}) {
    const Picture white = Picture::Blank(4, 2 * rows, PixelFormat::Bgr24(), 255);
    const Picture got = AreaResample(white, 2, 2);
    for (int y = 0; y < 2; ++y)
      for (int i = 0; i < 6; ++i) ASSERT_EQ(got.row(y)[i], 255) << rows << " rows";
  }
}

// The division by the total weight, by multiplication, at the edges of every quotient.
TEST(ExactDivision, EqualsTheDivisionBelowTwoToTheForty) {
  const std::uint64_t limit = std::uint64_t{1} << 40;
  for (std::uint64_t d : {1ull, 2ull, 3ull, 7ull, 1000ull, 12000000ull, 24000000ull, 268435455ull,
                          268435456ull, 4294967295ull}) {
    const ExactDivision divide(d);
    std::vector<std::uint64_t> xs = {0, 1, d - 1, d, d + 1, limit - 1, limit - d, d / 2};
    for (std::uint64_t q : std::vector<std::uint64_t>{1, 2, 255, 256, 65535, limit / d - 1})
      for (std::uint64_t e : std::vector<std::uint64_t>{0, 1, d / 2, d - 1})
        xs.push_back(q * d + e);
    std::uint64_t seed = d;
    for (int i = 0; i < 2000; ++i) {
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      xs.push_back((seed >> 20) % limit);
    }
    for (std::uint64_t x : xs) {
      if (x >= limit) continue;  // d - 1 and limit - d wrap round for the smallest divisors
      ASSERT_EQ(divide(x), x / d) << x << " / " << d;
    }
  }
}

TEST(AreaResample, SameSizeGivesThePictureBack) {
  const Picture src = test::PatternPicture(33, 17);
  EXPECT_TRUE(test::SamePicture(src, AreaResample(src, 33, 17)));
}

TEST(AreaResample, HalvingAveragesBlocksOfFour) {
  Picture src(2, 2, 24);
  src.setPixel(0, 0, MakeColour(0, 0, 0));
  src.setPixel(1, 0, MakeColour(100, 0, 0));
  src.setPixel(0, 1, MakeColour(200, 0, 0));
  src.setPixel(1, 1, MakeColour(100, 40, 0));
  const Picture got = AreaResample(src, 1, 1);
  EXPECT_EQ(got.pixel(0, 0), MakeColour(100, 10, 0));
}

TEST(AreaResample, OtherDepthsAreReadAsTheirColours) {
  Picture grey(4, 4, PixelFormat::Grey8());
  for (int y = 0; y < 4; ++y) std::fill_n(grey.mutableRow(y), 4, std::uint8_t(90));
  const Picture got = AreaResample(grey, 3, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 3; ++x) ASSERT_EQ(got.pixel(x, y), MakeColour(90, 90, 90));
}

// The view of a picture makes parts of the target on their own after local edits: every part
// must hold the bytes the whole target holds, for any split, any depth, reducing and enlarging.
TEST(AreaResampleInto, AnyPartGivesTheWholeTargetsBytes) {
  const Picture pattern = test::PatternPicture(203, 131, 5);
  Picture p32 = pattern;
  p32.convertTo(32);
  Picture grey(203, 131, PixelFormat::Grey8());
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) grey.mutableRow(y)[x] = pattern.row(y)[3 * x];
  std::uint32_t seed = 99;
  auto next = [&](int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
  };
  const Picture* sources[] = {&pattern, &p32, &grey};
  for (const Picture* source : sources)
    for (const auto& [w, h] : {std::pair(22, 14), std::pair(97, 61), std::pair(203, 131),
                               std::pair(300, 40), std::pair(1, 1)}) {
      // Parts in 24 bits and in 32.
      const Picture whole = AreaResample(*source, w, h);
      Picture whole32 = whole;
      whole32.convertTo(32);
      Picture parts(w, h, 24), parts32(w, h, 32);
      for (int i = 0; i < 40; ++i) {
        const int x0 = next(w), y0 = next(h);
        const Rect part{x0, y0, x0 + 1 + next(w - x0), y0 + 1 + next(h - y0)};
        AreaResampleInto(*source, w, h, (i % 2 ? parts : parts32).region(part));
      }
      // And the rest in one part each side of a random split.
      const int sx = next(w), sy = next(h);
      for (const Rect& part : {Rect{0, 0, sx, h}, Rect{sx, 0, w, sy}, Rect{sx, sy, w, h}}) {
        AreaResampleInto(*source, w, h, parts.region(part));
        AreaResampleInto(*source, w, h, parts32.region(part));
      }
      EXPECT_TRUE(test::SamePicture(whole, parts))
          << source->bitsPerPixel() << " bits to " << w << " x " << h;
      EXPECT_TRUE(test::SamePicture(whole32, parts32))
          << source->bitsPerPixel() << " bits to " << w << " x " << h << " in 32 bits";
    }
}

// Enlarged without averaging, each target pixel shows the source pixel under its centre: whole
// factors give blocks, other factors never a blended colour, and parts the bytes of the whole.
TEST(NearestResampleInto, ShowsTheSourcePixelUnderEachTargetPixelsCentre) {
  const Picture pattern = test::PatternPicture(37, 23, 9);
  Picture grey(37, 23, PixelFormat::Grey8());
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) grey.mutableRow(y)[x] = pattern.row(y)[3 * x + 1];
  const Picture* sources[] = {&pattern, &grey};
  for (const Picture* source : sources)
    for (const auto& [w, h] : {std::pair(74, 46), std::pair(37, 23), std::pair(47, 29),
                               std::pair(111, 30), std::pair(37, 46), std::pair(74, 23)}) {
      Picture whole(w, h, 32);
      NearestResampleInto(*source, w, h, whole.region(whole.rect()));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int sx = (2 * x + 1) * source->width() / (2 * w);
          const int sy = (2 * y + 1) * source->height() / (2 * h);
          ASSERT_EQ(whole.pixel(x, y), source->pixel(sx, sy)) << x << "," << y;
          ASSERT_EQ(whole.row(y)[4 * x + 3], 255);
          if (w == 2 * source->width() && h == 2 * source->height()) {
            ASSERT_EQ(sx, x / 2);
            ASSERT_EQ(sy, y / 2);
          }
        }
      Picture parts(w, h, 24);
      const int sx = w / 3, sy = h / 2;
      for (const Rect& part : {Rect{0, 0, sx, h}, Rect{sx, 0, w, sy}, Rect{sx, sy, w, h}})
        NearestResampleInto(*source, w, h, parts.region(part));
      Picture whole24 = whole;
      whole24.convertTo(24);
      EXPECT_TRUE(test::SamePicture(whole24, parts)) << w << " x " << h;
    }
}

// At its own size a 24-bit picture is converted row by row, several pixels at a time: every row
// length, so that each form and its leftover pixels are taken, gives the picture's own pixels.
TEST(NearestResampleInto, AtItsOwnSizeGivesEveryPixelOfEveryRowLength) {
  for (int w = 1; w <= 40; ++w) {
    const Picture source = test::PatternPicture(w, 3, w);
    Picture shown(w, 3, 32);
    NearestResampleInto(source, w, 3, shown.region(shown.rect()));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(shown.pixel(x, y), source.pixel(x, y)) << w << " wide, " << x << "," << y;
        ASSERT_EQ(shown.row(y)[4 * x + 3], 255) << w << " wide, " << x << "," << y;
      }
  }
}

// After a local edit only the target pixels inside the cover of the edited area change.
TEST(AreaResampleCover, HoldsEveryTargetPixelAnEditChanges) {
  Picture source = test::PatternPicture(500, 300, 3);
  std::uint32_t seed = 7;
  auto next = [&](int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
  };
  for (const auto& [w, h] : {std::pair(53, 32), std::pair(250, 150), std::pair(499, 301)})
    for (int i = 0; i < 6; ++i) {
      const Picture before = AreaResample(source, w, h);
      const int x0 = next(500), y0 = next(300);
      const Rect edit{x0, y0, x0 + 8 + next(40), y0 + 8 + next(40)};
      const MutableView v = source.region(edit);
      for (int y = v.bounds.top; y < v.bounds.bottom; ++y)
        for (int x = v.bounds.left; x < v.bounds.right; ++x)
          v.setPixel(x, y, (source.pixel(x, y) ^ 0x808080) & 0xFFFFFF);
      const Picture after = AreaResample(source, w, h);
      const Rect cover = AreaResampleCover(500, 300, w, h, edit);
      int changed = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (before.pixel(x, y) != after.pixel(x, y)) {
            ++changed;
            EXPECT_TRUE(cover.contains(x, y)) << x << "," << y << " to " << w << " x " << h;
          }
      EXPECT_GT(changed, 0);
    }
  EXPECT_TRUE(AreaResampleCover(500, 300, 50, 30, Rect{600, 0, 700, 10}).empty());
  EXPECT_EQ(AreaResampleCover(500, 300, 50, 30, Rect{0, 0, 500, 300}), (Rect{0, 0, 50, 30}));
}

TEST(AreaResample, EmptySizes) {
  EXPECT_TRUE(AreaResample(Picture(), 4, 4).width() == 4);
  EXPECT_TRUE(AreaResample(test::PatternPicture(4, 4), 0, 4).empty());
}

}  // namespace
}  // namespace drollo
