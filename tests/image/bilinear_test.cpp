#include "image/bilinear.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "support/pictures.h"

namespace drollo {
namespace {

// One channel of a picture given as rows of values; the other two channels hold fixed offsets of
// it so that a swapped channel shows.
Picture ChannelPicture(const std::vector<std::vector<int>>& rows) {
  Picture p(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 24);
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x) {
      const int v = rows[y][x];
      p.setPixel(x, y, MakeColour(v, v / 2, 255 - v));
    }
  return p;
}

struct SampleCase {
  const char* name;
  std::vector<std::vector<int>> rows;
  double x, y;
  int red;                    // expected red channel
  double clampedX, clampedY;  // the position written back
};

class XiangsujuheTest : public testing::TestWithParam<SampleCase> {};

TEST_P(XiangsujuheTest, GivesTheBlendAndWritesBackTheClampedPosition) {
  const SampleCase& c = GetParam();
  const Picture p = ChannelPicture(c.rows);
  double x = c.x, y = c.y;
  const TColor colour = xiangsujuhe(x, y, p.view());
  EXPECT_EQ(RedOf(colour), c.red);
  EXPECT_DOUBLE_EQ(x, c.clampedX);
  EXPECT_DOUBLE_EQ(y, c.clampedY);
}

// P00, P01 (below), P10 (right), P11 of the worked example in a picture three pixels wide.
const std::vector<std::vector<int>> kWorked = {{0, 200, 7}, {100, 255, 9}};
const std::vector<std::vector<int>> kRamp = {
    {10, 20, 30, 40}, {50, 60, 70, 80}, {90, 100, 110, 120}};

INSTANTIATE_TEST_SUITE_P(
    Cases, XiangsujuheTest,
    testing::Values(
        SampleCase{"IntegralPositionIsThatPixel", kRamp, 2, 1, 70, 2, 1},
        SampleCase{"CentreOfFourPixels", kWorked, 0.5, 0.5, 139, 0.5, 0.5},
        // On a picture two pixels wide the column clamp pulls 0.5 back to 0 first.
        SampleCase{"CentreOnTwoPixelWidePicture", {{0, 200}, {100, 255}}, 0.5, 0.5, 50, 0, 0.5},
        SampleCase{"HalfwayTieRoundsDownToEven", {{10, 11, 0}, {10, 11, 0}}, 0.5, 0, 10, 0.5, 0},
        SampleCase{"HalfwayTieRoundsUpToEven", {{11, 12, 0}, {11, 12, 0}}, 0.5, 0, 12, 0.5, 0},
        SampleCase{"NegativePositionReadsFirstRowAndColumn", kRamp, -3.5, -0.25, 10, 0, 0},
        // A row position between H - 2 and H - 1 keeps its fraction...
        SampleCase{"RowFractionKeptBeforeLastRow", kRamp, 1, 1.5, 80, 1, 1.5},
        // ...at or beyond H - 1 it becomes H - 2 with full weight on that row.
        SampleCase{"RowAtLastRowReadsRowAbove", kRamp, 1, 2, 60, 1, 1},
        SampleCase{"RowBeyondPictureReadsRowAbove", kRamp, 1, 9.75, 60, 1, 1},
        // A column position beyond W - 2 is pulled back: the last column never contributes.
        SampleCase{"ColumnBetweenLastTwoIsPulledBack", kRamp, 2.5, 0, 30, 2, 0},
        SampleCase{"ColumnOnLastColumnReadsTheOneBefore", kRamp, 3, 0, 30, 2, 0},
        SampleCase{"BlendOfFourEndingOnAHalf", kRamp, 0.25, 0.75, 42, 0.25, 0.75},
        SampleCase{"OnePixelWideGivesNearestRow", {{10}, {50}, {90}}, 0.4, 1.6, 90, 0, 1.6},
        SampleCase{"OnePixelHighGivesNearestColumn", {{10, 50, 90}}, 5, -1, 90, 2, 0},
        SampleCase{"SinglePixel", {{77}}, 0.5, 0.5, 77, 0, 0}),
    [](const testing::TestParamInfo<SampleCase>& info) { return info.param.name; });

TEST(XiangsujuheChannels, BlendsEachChannelSeparately) {
  Picture p(3, 2, 24);
  p.setPixel(0, 0, MakeColour(0, 10, 255));
  p.setPixel(0, 1, MakeColour(100, 20, 0));
  p.setPixel(1, 0, MakeColour(200, 30, 100));
  p.setPixel(1, 1, MakeColour(255, 41, 50));
  double x = 0.5, y = 0.5;
  // red 138.75, green 25.25, blue 101.25
  EXPECT_EQ(xiangsujuhe(x, y, p.view()), MakeColour(139, 25, 101));
}

}  // namespace
}  // namespace drollo

namespace drollo {
namespace {

// The samplers of the warps' loops against xiangsujuhe: positions inside, on pixel centres and
// halves (where rounding ties), beyond every border, and NaN.
TEST(SampleBgr, ScalarAndVectorisedRunsGiveTheReferenceBytes) {
  const std::vector<SampleRunFunction> runs = SampleRunsOfThisProcessor();
  ASSERT_EQ(runs.front(), &SampleRunScalar);
  ASSERT_EQ(runs.back(), FastestSampleRun());
  std::uint32_t seed = 99;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (auto [w, h] : {std::pair{2, 2}, std::pair{3, 5}, std::pair{17, 9}, std::pair{64, 40}}) {
    const Picture p = test::PatternPicture(w, h, static_cast<std::uint32_t>(w * h));
    const ConstView v = p.view();
    std::vector<double> X = {0, w - 1.0, w - 1.5, 0.5, -3, w + 4.0, std::nan(""), 1, w - 2.0, 1e9};
    std::vector<double> Y = {0, h - 1.0, h - 1.5, 0.5, 2, -7, 1, std::nan(""), h - 2.0, -1e9};
    for (int i = 0; i < 4000; ++i) {
      X.push_back((next() % (8 * (w + 4))) / 8.0 - 2);
      Y.push_back((next() % (8 * (h + 4))) / 8.0 - 2);
    }
    for (int i = 0; i < 2000; ++i) {
      X.push_back(next() % 100000 / 99999.0 * (w + 1) - 1);
      Y.push_back(next() % 100000 / 99999.0 * (h + 1) - 1);
    }
    const int n = static_cast<int>(X.size());
    std::vector<int> columns(n);
    for (int i = 0; i < n; ++i) columns[i] = i;
    // Every run, over the whole list and over its starts cut at each length up to twenty (the
    // vector forms leave the last few positions to a narrower form).
    for (std::size_t r = 0; r < runs.size(); ++r)
      for (int from : {0, 1, 2, 3, 5, 7, 11, 13, 17, 19}) {
        std::vector<std::uint8_t> got(3 * n, 77);
        runs[r](X.data() + from, Y.data() + from, columns.data(), n - from, v, got.data());
        for (int i = 0; i < n - from; ++i) {
          double x = X[i + from], y = Y[i + from];
          const TColor expected = xiangsujuhe(x, y, v);
          ASSERT_EQ(MakeColour(got[3 * i + 2], got[3 * i + 1], got[3 * i]), expected)
              << "form " << r << " at (" << X[i + from] << ", " << Y[i + from] << ") on " << w
              << "x" << h;
        }
      }
    // Runs with gaps between their columns (a warp's row around its centre), and a run going
    // back, leave the other columns alone.
    for (int i = 0; i < n; ++i) columns[i] = i + i / 3 + i / 7;
    std::swap(columns[9], columns[10]);
    const std::size_t wide = 3 * static_cast<std::size_t>(columns[n - 1] + 1);
    std::vector<std::uint8_t> scalarGaps(wide, 77);
    SampleRunScalar(X.data(), Y.data(), columns.data(), n, v, scalarGaps.data());
    for (std::size_t r = 1; r < runs.size(); ++r) {
      std::vector<std::uint8_t> gaps(wide, 77);
      runs[r](X.data(), Y.data(), columns.data(), n, v, gaps.data());
      ASSERT_EQ(gaps, scalarGaps) << "form " << r << " on " << w << "x" << h;
    }
  }
}

}  // namespace
}  // namespace drollo

namespace drollo {
namespace {

// Positions as a warp gives them along a row: close together, drifting across a row boundary or
// two, near every border and beyond it, on eighths (where blends tie) and between them. Most
// groups of sixteen then lie in a few rows and columns, the way the vectorised forms read them
// fastest; the others (steep or spread out) are read pixel by pixel.
TEST(SampleBgr, RunsAlongAWarpsRowGiveTheReferenceBytes) {
  const std::vector<SampleRunFunction> runs = SampleRunsOfThisProcessor();
  std::uint32_t seed = 7;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (auto [w, h] : {std::pair{3, 3}, std::pair{25, 7}, std::pair{70, 12}, std::pair{211, 30}}) {
    const Picture p = test::PatternPicture(w, h, static_cast<std::uint32_t>(w + h));
    const ConstView v = p.view();
    for (int trial = 0; trial < 300; ++trial) {
      const int n = 1 + static_cast<int>(next() % 48);
      const bool eighths = trial % 2 == 0;
      auto fraction = [&](double value) { return eighths ? std::round(value * 8) / 8 : value; };
      const double x0 = (next() % (8 * (w + 6))) / 8.0 - 3;
      const double y0 = (next() % (8 * (h + 2))) / 8.0 - 1;
      // Steps along the row from a slow magnification to a quick reduction, and a drift down or
      // up of up to a row in sixteen pixels (some a lot steeper).
      const double step = 0.25 + (next() % 200) / 100.0;
      const double drift = ((next() % 200) / 100.0 - 1) / (trial % 7 == 0 ? 2 : 16);
      const double bend = ((next() % 100) / 100.0 - 0.5) / 200;
      std::vector<double> X(n), Y(n);
      std::vector<int> columns(n);
      for (int i = 0; i < n; ++i) {
        X[i] = fraction(x0 + step * i + bend * i * i);
        Y[i] = fraction(y0 + drift * i);
        columns[i] = i;
      }
      std::vector<std::uint8_t> expected(3 * n, 77);
      SampleRunScalar(X.data(), Y.data(), columns.data(), n, v, expected.data());
      for (std::size_t r = 1; r < runs.size(); ++r) {
        std::vector<std::uint8_t> got(3 * n, 77);
        runs[r](X.data(), Y.data(), columns.data(), n, v, got.data());
        ASSERT_EQ(got, expected) << "form " << r << " on " << w << "x" << h << ", run of " << n
                                 << " from (" << X[0] << ", " << Y[0] << ") by " << step << ", "
                                 << drift;
      }
    }
  }
}

}  // namespace
}  // namespace drollo

namespace drollo {
namespace {

// Blends a hair's breadth from a half, below and above it, where a blend in less precision than
// the double formula would fall on the half itself and round to even.
TEST(SampleBgr, BlendsAHairFromAHalfRoundAsTheDoubleBlendDoes) {
  Picture p(40, 3, 24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 40; ++x) p.setPixel(x, y, MakeColour(255 - x, x / 2, x));
  const double hair = std::ldexp(1.0, -30);
  for (const double offset : {0.5 - hair, 0.5 + hair}) {
    std::vector<double> X, Y;
    std::vector<int> columns;
    for (int i = 0; i < 35; ++i) {
      X.push_back(i + offset);
      Y.push_back(i % 2 == 0 ? 0 : 1 - hair);
      columns.push_back(i);
    }
    const int n = static_cast<int>(X.size());
    std::vector<std::uint8_t> expected(3 * n);
    SampleRunScalar(X.data(), Y.data(), columns.data(), n, p.view(), expected.data());
    for (int i = 0; i < n; i += 2) ASSERT_EQ(expected[3 * i], offset < 0.5 ? i : i + 1) << i;
    for (SampleRunFunction run : SampleRunsOfThisProcessor()) {
      std::vector<std::uint8_t> got(3 * n);
      run(X.data(), Y.data(), columns.data(), n, p.view(), got.data());
      EXPECT_EQ(got, expected) << offset;
    }
  }
}

}  // namespace
}  // namespace drollo

namespace drollo {
namespace {

// The split of a table of offsets for one sign, as the displacement warps keep it.
struct SplitTable {
  std::vector<int> whole;
  std::vector<float> fraction;
};
SplitTable Split(const std::vector<double>& terms, double sign) {
  SplitTable t;
  for (const double u : terms) {
    const double signed_ = sign * u;
    t.whole.push_back(static_cast<int>(std::floor(signed_)));
    t.fraction.push_back(static_cast<float>(signed_ - std::floor(signed_)));
  }
  return t;
}

// The run of n pixels from (x, y) through the tables from a0 by step, with the signed splits.
OffsetRun RunThrough(int x, int y, int n, int a0, int step, const std::vector<double>& u,
                     const std::vector<double>& v, double sx, double sy, const SplitTable& xs,
                     const SplitTable& ys) {
  return OffsetRun{.x = x,
                   .y = y,
                   .n = n,
                   .a0 = a0,
                   .step = step,
                   .u = u.data(),
                   .v = v.data(),
                   .sx = sx,
                   .sy = sy,
                   .xWhole = xs.whole.data(),
                   .xFraction = xs.fraction.data(),
                   .yWhole = ys.whole.data(),
                   .yFraction = ys.fraction.data()};
}

// Offsets of every kind a warp's table holds: anywhere in [0, 7), whole numbers, a hair either
// side of one, halves (where blends tie) and a hair either side of a half, and 0 when asked for.
class OffsetKinds {
 public:
  explicit OffsetKinds(std::uint32_t seed) : seed_(seed) {}
  double next(bool withZero) {
    const double hair = std::ldexp(1.0, -40);
    const double whole = random() % 7;
    const double kinds[] = {random() % 100000 / 100000.0 * 7,
                            whole,
                            whole + hair,
                            whole > 0 ? whole - hair : 0,
                            whole + 0.5,
                            whole + 0.5 - hair,
                            whole + 0.5 + hair,
                            0};
    return kinds[random() % (withZero ? 8 : 7)];
  }

 private:
  std::uint32_t random() {
    seed_ = seed_ * 1664525u + 1013904223u;
    return seed_ >> 8;
  }
  std::uint32_t seed_;
};

// Every form of the offset run must give SampleBgr's bytes at (x + i) + sx u[a], y + sy v[a], for
// runs going either way through the tables, of every length around the vector width, with both
// signs.
TEST(SampleOffsetRun, EveryFormGivesTheBytesOfThePositionsItStandsFor) {
  const std::vector<SampleOffsetRunFunction> runs = SampleOffsetRunsOfThisProcessor();
  ASSERT_EQ(runs.front(), &SampleOffsetRunScalar);
  ASSERT_EQ(runs.back(), FastestSampleOffsetRun());
  const Picture p = test::PatternPicture(80, 30, 5);
  const ConstView view = p.view();
  OffsetKinds kinds(7);
  constexpr int kLength = 64;
  std::vector<double> u, v;
  for (int a = 0; a < kLength; ++a) {
    u.push_back(kinds.next(true));
    v.push_back(kinds.next(true));
  }
  const SplitTable uSplit[2] = {Split(u, 1), Split(u, -1)};
  const SplitTable vSplit[2] = {Split(v, 1), Split(v, -1)};
  const std::vector<double> signs = {1, -1};
  for (int step : {1, -1})
    for (int s = 0; s < 4; ++s)
      for (int n = 1; n <= 40; ++n) {
        const double sx = signs[s % 2], sy = signs[s / 2];
        const int a0 = step > 0 ? kLength - n - s : n + s;
        const OffsetRun run =
            RunThrough(8 + s, 9 + s, n, a0, step, u, v, sx, sy, uSplit[s % 2], vSplit[s / 2]);
        std::vector<std::uint8_t> expected(3 * view.width, 77);
        for (int i = 0; i < n; ++i) {
          const int a = a0 + step * i;
          SampleBgr(run.x + i + sx * u[a], run.y + sy * v[a], view,
                    expected.data() + 3 * (run.x + i));
        }
        for (std::size_t r = 0; r < runs.size(); ++r) {
          std::vector<std::uint8_t> got(3 * view.width, 77);
          runs[r](run, view, got.data());
          ASSERT_EQ(got, expected)
              << "form " << r << " step " << step << " signs " << s << " n " << n;
        }
      }
}

// The lens's runs: the tables hold u and v, and the split offsets from each pixel to its source,
// sx (a - u[a]) and sy (|dy| - v[a]), of every kind above; every form must give SampleBgr's bytes
// at the lens's own positions ((K - sx u) + cx) - K and ((w - sy v) + cy) - w, which differ from
// the pixel plus its offset in their last places.
TEST(SampleOffsetRun, LensRunsGiveTheBytesOfTheLensPositions) {
  const Picture p = test::PatternPicture(80, 30, 5);
  const ConstView view = p.view();
  OffsetKinds kinds(11);
  constexpr int kLength = 64;
  constexpr int kRow = 3;  // |dy| of the run's row
  std::vector<double> u, v, w, along, across;
  for (int a = 0; a < kLength; ++a) {
    u.push_back(a - kinds.next(false));
    v.push_back(kRow - kinds.next(false));
    w.push_back(40 + 0.37 * a);
    along.push_back(a - u.back());
    across.push_back(kRow - v.back());
  }
  const double K = 57.3;
  for (const double sx : {1.0, -1.0})
    for (const double sy : {1.0, -1.0}) {
      const SplitTable xSplit = Split(along, sx), ySplit = Split(across, sy);
      for (int n = 1; n <= 40; ++n) {
        // Pixel x + i is the one |dx| = a0 + step i from the centre: cx - sx a.
        const int step = sx > 0 ? -1 : 1;
        const int a0 = sx > 0 ? kLength - 1 : 0;
        const int x = 8, y = 9;
        OffsetRun run = RunThrough(x, y, n, a0, step, u, v, sx, sy, xSplit, ySplit);
        run.lens = {.w = w.data(), .K = K, .cx = x + sx * a0, .cy = y + sy * kRow};
        std::vector<std::uint8_t> expected(3 * view.width, 77);
        for (int i = 0; i < n; ++i) {
          const int a = a0 + step * i;
          SampleBgr(((K - sx * u[a]) + run.lens.cx) - K, ((w[a] - sy * v[a]) + run.lens.cy) - w[a],
                    view, expected.data() + 3 * (x + i));
        }
        for (const SampleOffsetRunFunction form : SampleOffsetRunsOfThisProcessor()) {
          std::vector<std::uint8_t> got(3 * view.width, 77);
          form(run, view, got.data());
          ASSERT_EQ(got, expected) << "signs " << sx << " " << sy << " n " << n;
        }
      }
    }
}

}  // namespace
}  // namespace drollo
