// The outline page's whole-picture kernels give the same bytes with any number of threads.
#include <gtest/gtest.h>

#include <functional>

#include "outline/edge.h"
#include "outline/extract.h"
#include "outline/layer_display.h"
#include "outline/thickness.h"
#include "support/pictures.h"
#include "support/threads.h"

namespace drollo::outline {
namespace {

const Picture& Photo() {
  static const Picture photo = test::PatternPicture(297, 271, 11);
  return photo;
}

// An outline with lines of several widths, as the extraction makes them.
const TBitmap32& Layer() {
  static const TBitmap32 layer = [] {
    TBitmap32 l = ExtractOutline(Photo());
    for (int y = 40; y < 230; y += 37)
      for (int t = 0; t < y % 5 + 1; ++t)
        for (int x = 10; x < 280; ++x) l.setPixel(x, y + t, kBlack);
    return l;
  }();
  return layer;
}

struct Kernel {
  const char* name;
  std::function<Picture()> run;
};

class OutlineThreads : public testing::TestWithParam<Kernel> {};

TEST_P(OutlineThreads, SameBytesWithOneTwoAndSevenThreads) {
  EXPECT_TRUE(test::SameForEveryThreadCount(GetParam().run));
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, OutlineThreads,
    testing::Values(Kernel{"EdgePicture", [] { return Picture(picsobel(Photo())); }},
                    Kernel{"Extraction", [] { return Picture(ExtractOutline(Photo())); }},
                    Kernel{"Threshold", [] { return Picture(twoval(Layer())); }},
                    Kernel{"LayerMedian", [] { return Picture(RemoveOutlineSpeckles(Layer())); }},
                    Kernel{"Thickening", [] { return Picture(ThickenLines(Layer(), 3)); }},
                    Kernel{"Thinning", [] { return Picture(ThinLines(Layer(), 2)); }},
                    Kernel{"Balance", [] { return Picture(BalanceLines(Layer(), 4)); }},
                    Kernel{"Display",
                           [] { return Picture(Image2showto(Photo(), Layer(), true)); }}),
    [](const testing::TestParamInfo<Kernel>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace drollo::outline
