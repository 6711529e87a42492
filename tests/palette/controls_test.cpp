#include "palette/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace drollo {
namespace {

// One slider operation: 'n' SetMin, 'x' SetMax, 'p' SetPosition.
struct Step {
  char op;
  int value;
};

struct SliderCase {
  const char* name;
  int min, max, position;  // start
  std::vector<Step> steps;
  int wantMin, wantMax, wantPosition;
  int wantChanges;  // how often OnChange ran
};

class TrackBarRules : public testing::TestWithParam<SliderCase> {};

TEST_P(TrackBarRules, RangeAndPositionAndChangeCount) {
  const SliderCase& c = GetParam();
  TrackBar t(c.min, c.max, c.position);
  int changes = 0;
  t.OnChange = [&] {
    ++changes;
    // The handler sees the slider already in its new, consistent state.
    EXPECT_LE(t.Min(), t.Position());
    EXPECT_LE(t.Position(), t.Max());
  };
  for (const Step& s : c.steps) {
    if (s.op == 'n') t.SetMin(s.value);
    if (s.op == 'x') t.SetMax(s.value);
    if (s.op == 'p') t.SetPosition(s.value);
  }
  EXPECT_EQ(t.Min(), c.wantMin);
  EXPECT_EQ(t.Max(), c.wantMax);
  EXPECT_EQ(t.Position(), c.wantPosition);
  EXPECT_EQ(changes, c.wantChanges);
}

INSTANTIATE_TEST_SUITE_P(
    Slider, TrackBarRules,
    testing::Values(
        SliderCase{"MoveInsideRange", 3, 60, 30, {{'p', 40}}, 3, 60, 40, 1},
        SliderCase{"SamePositionRunsNothing", 3, 60, 30, {{'p', 30}}, 3, 60, 30, 0},
        SliderCase{"PositionClampedToMax", 3, 60, 30, {{'p', 99}}, 3, 60, 60, 1},
        SliderCase{"PositionClampedToMin", 3, 60, 30, {{'p', -5}}, 3, 60, 3, 1},
        SliderCase{"ClampedToWhereItIsRunsNothing", 3, 60, 60, {{'p', 99}}, 3, 60, 60, 0},
        SliderCase{"MaxBelowMinIgnored", 50, 333, 167, {{'x', 7}}, 50, 333, 167, 0},
        SliderCase{"MinAboveMaxIgnored", 2, 30, 10, {{'n', 31}}, 2, 30, 10, 0},
        SliderCase{"MaxEqualToMinAccepted", 5, 30, 10, {{'x', 5}}, 5, 5, 5, 1},
        SliderCase{"MinEqualToMaxAccepted", 5, 30, 10, {{'n', 30}}, 30, 30, 30, 1},
        SliderCase{"NewMaxPullsPositionDown", 3, 60, 30, {{'x', 20}}, 3, 20, 20, 1},
        SliderCase{"NewMinPushesPositionUp", 3, 60, 30, {{'n', 40}}, 40, 60, 40, 1},
        SliderCase{"RangeChangeAroundPositionRunsNothing",
                   3,
                   60,
                   30,
                   {{'x', 40}, {'n', 20}},
                   20,
                   40,
                   30,
                   0},
        // The order decides the range: a lower maximum first is refused below the old minimum,
        // a lower minimum first lets the same maximum in.
        SliderCase{
            "MaxThenMinRefusesMax", 50, 333, 167, {{'x', 7}, {'n', 1}, {'p', 3}}, 1, 333, 3, 1},
        SliderCase{
            "MinThenMaxAcceptsMax", 50, 333, 167, {{'n', 1}, {'x', 7}, {'p', 3}}, 1, 7, 3, 2}),
    [](const testing::TestParamInfo<SliderCase>& info) { return std::string(info.param.name); });

TEST(TabbedNotebook, ChangeRunsBeforeTheNewPageShows) {
  int pageIndex = 0;
  TabbedNotebook book(pageIndex, {"a", "b", "c", "d"});
  std::vector<std::pair<int, int>> seen;  // (current page, new page) as the handler saw them
  book.OnChange = [&](int newPage) { seen.emplace_back(book.PageIndex(), newPage); };

  book.SetPageIndex(2);
  book.SetPageIndex(2);  // already showing: nothing runs
  book.SetPageIndex(0);

  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 2}, {2, 0}}));
  EXPECT_EQ(pageIndex, 0);
  book.SetPageIndex(3);
  EXPECT_EQ(pageIndex, 3);  // the owner's page index is the notebook's
}

}  // namespace
}  // namespace drollo
