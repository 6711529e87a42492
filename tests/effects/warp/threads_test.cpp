// The warps split a large patch's rows between threads: the same bytes with 1, 2 and 7 threads,
// and the progress still ticks once per column and pass, from the calling thread.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "effects/warp/spherical.h"
#include "effects/warp/stretch.h"
#include "effects/warp/swirl.h"
#include "support/pictures.h"
#include "support/threads.h"

namespace drollo::warp {
namespace {

using Kernel = std::function<void(const ConstView&, const MutableView&, const Progress&)>;

// The step of `kernel` on the patch box around (a, b), as the work area runs it; counts the ticks
// and checks they all come from this thread.
Picture Step(const Picture& before, const Rect& wanted, const Kernel& kernel, int* ticks) {
  Picture picture = before;
  const Rect box = wanted.intersected(picture.rect());
  Picture patch(box.width(), box.height(), 24);
  const MutableView dst{patch.rawData(), static_cast<std::ptrdiff_t>(patch.stride()), box, 3};
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(dst.row(y) + 3 * box.left, picture.row(y) + 3 * box.left, 3 * box.width());
  const std::thread::id caller = std::this_thread::get_id();
  kernel(picture.view(), dst, [&] {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    ++*ticks;
  });
  const MutableView out = picture.region(box);
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(out.row(y) + 3 * box.left, dst.row(y) + 3 * box.left, 3 * box.width());
  return picture;
}

struct WarpCase {
  const char* name;
  Rect box;
  Kernel kernel;
  int ticks;  // per step
};

class WarpThreads : public testing::TestWithParam<WarpCase> {};

TEST_P(WarpThreads, SameBytesAndTicksWithOneTwoAndSevenThreads) {
  const WarpCase& c = GetParam();
  const Picture before = test::PatternPicture(420, 380, 12);
  EXPECT_TRUE(test::SameForEveryThreadCount([&] {
    int ticks = 0;
    Picture after = Step(before, c.box, c.kernel, &ticks);
    EXPECT_EQ(ticks, c.ticks);
    return after;
  }));
}

constexpr SphereParams kLarge{210, 190, 170, 90};

INSTANTIATE_TEST_SUITE_P(
    Warps, WarpThreads,
    testing::Values(WarpCase{"Bulge", SphereBounds(kLarge),
                             [](const ConstView& s, const MutableView& d, const Progress& p) {
                               bulge(s, d, kLarge, p);
                             },
                             4 * (kLarge.R - 1)},
                    WarpCase{"Pinch", SphereBounds(kLarge),
                             [](const ConstView& s, const MutableView& d, const Progress& p) {
                               pinch(s, d, kLarge, p);
                             },
                             2 * (kLarge.R - 1)},
                    WarpCase{"Swirl", SwirlBounds(SwirlParams{210, 190, 170, 90, true}),
                             [](const ConstView& s, const MutableView& d, const Progress& p) {
                               swirl(s, d, SwirlParams{210, 190, 170, 90, true}, p);
                             },
                             4 * (kLarge.R - 1)},
                    WarpCase{"VerticalExpand", VerticalExpandBounds(kLarge),
                             [](const ConstView& s, const MutableView& d, const Progress& p) {
                               verticalExpand(s, d, kLarge, p);
                             },
                             2 * kLarge.R - 1},
                    WarpCase{"HorizontalExpand", HorizontalExpandBounds(kLarge),
                             [](const ConstView& s, const MutableView& d, const Progress& p) {
                               horizontalExpand(s, d, kLarge, p);
                             },
                             2 * kLarge.R - 1}),
    [](const testing::TestParamInfo<WarpCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace drollo::warp
