// The source positions of a run of pixels from tabulated terms: the forms of this processor give
// the very doubles of the plain ones, for runs going away from the centre and towards it, of every
// length around the vector widths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "effects/warp/sweep.h"

namespace drollo::warp::detail {
namespace {

bool SameDoubles(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(RunPositions, EveryFormGivesThePlainFormsDoubles) {
  constexpr int R = 40;
  OffsetGrid grid;
  grid.fill(R, 1, [](int ax, int ay) {
    return std::pair{std::sqrt(ax * 1.7 + ay) / 3, -std::cbrt(ax * ay + 0.3) * 0.77};
  });
  std::vector<double> w(R);
  for (int d = 0; d < R; ++d) w[d] = 1000.0 / (d + 3);
  const PositionForms plain = PlainPositionForms();
  for (const PositionForms& form : PositionFormsOfThisProcessor())
    for (int ay : {1, 17, R - 1})
      for (int step : {1, -1})
        for (int n = 1; n <= 21; ++n) {
          const int ax0 = step > 0 ? R - n : n;  // the run ends at the rim or next to the centre
          const RunTerms run = TermsOfRun(grid, ay, ax0, step, n);
          for (double sign : {1.0, -1.0}) {
            const LensPositions lens{w.data(), w[ay], 1234.0, sign, 777.0, -sign};
            std::vector<double> X(n), Y(n), Xf(n), Yf(n);
            plain.lens(run, lens, X.data(), Y.data());
            form.lens(run, lens, Xf.data(), Yf.data());
            ASSERT_TRUE(SameDoubles(X, Xf) && SameDoubles(Y, Yf)) << ay << " " << step << " " << n;
            EXPECT_EQ(X[0], ((w[ay] - sign * grid.u[ay * R + ax0]) + 1234.0) - w[ay]);

            const DisplacedPositions shift{300 + n, 211, sign, sign};
            plain.displaced(run, shift, X.data(), Y.data());
            form.displaced(run, shift, Xf.data(), Yf.data());
            ASSERT_TRUE(SameDoubles(X, Xf) && SameDoubles(Y, Yf)) << ay << " " << step << " " << n;
            EXPECT_EQ(Y[n - 1], 211 + sign * grid.v[ay * R + ax0 + step * (n - 1)]);
          }
        }
}

// A grid whose terms stop being defined part way along some rows (as a swirl's do past its arc):
// offset runs are given only for runs whose terms are all defined, and the reach that decides
// whether a patch keeps clear of the edges counts only the terms the patch uses.
TEST(OffsetRuns, AreGivenOnlyOverDefinedTermsAndFitByTheTermsAPatchUses) {
  constexpr int R = 30;
  OffsetGrid grid;
  grid.fill(R, 1, [](int ax, int ay) {
    const double u = ax + ay < 40 ? 0.25 * ax : std::nan("");
    return std::pair{u, ay > 20 ? 50.0 : 0.5 * ay};
  });
  grid.split([](int ax) { return ax < 10 ? 20 : 5; });
  OffsetRun run;
  // Row 15 is defined up to |dx| = 24; row 0 all along.
  EXPECT_TRUE(grid.offsetRun(100, 100, 24, 15, 1, 1, 1, -1, run));
  EXPECT_EQ(run.xWhole[7], 1);
  EXPECT_EQ(run.xFraction[7], 0.75F);
  EXPECT_FALSE(grid.offsetRun(100, 100, 25, 15, 1, 1, 1, -1, run));
  EXPECT_TRUE(grid.offsetRun(100, 100, 24, 15, 24, -1, -1, 1, run));
  EXPECT_EQ(run.xWhole[7], -2);
  EXPECT_EQ(run.xFraction[7], 0.25F);
  EXPECT_FALSE(grid.offsetRun(100, 100, 1, 15, 25, -1, 1, 1, run));
  EXPECT_TRUE(grid.offsetRun(100, 100, R - 1, 0, 1, 1, 1, 1, run));
  // The patch reaches 0.25 * 29 along x and 0.5 * 20 along y (not the 50 of the rows it leaves).
  EXPECT_DOUBLE_EQ(grid.uReach, 0.25 * 29);
  EXPECT_DOUBLE_EQ(grid.vReach, 10);
  const Picture picture(200, 200, 24);
  const int fromLeft = R - 1 + 8, fromTop = R - 1 + 10;
  EXPECT_TRUE(grid.splitFits(picture.view(), fromLeft, fromTop));
  EXPECT_FALSE(grid.splitFits(picture.view(), fromLeft - 1, fromTop));
  EXPECT_FALSE(grid.splitFits(picture.view(), fromLeft, fromTop - 1));
  EXPECT_TRUE(grid.splitFits(picture.view(), 199 - (R - 1 + 7) - 2, 199 - (R - 1 + 10) - 2));
  EXPECT_FALSE(grid.splitFits(picture.view(), 199 - (R - 1 + 7) - 1, 100));
  EXPECT_FALSE(grid.splitFits(picture.view(), 100, 199 - (R - 1 + 10) - 1));
}

}  // namespace
}  // namespace drollo::warp::detail
