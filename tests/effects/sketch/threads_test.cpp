// The sketch page's whole-picture kernels give the same bytes with any number of threads.
#include <gtest/gtest.h>

#include <functional>

#include "effects/sketch/sketch.h"
#include "support/pictures.h"
#include "support/threads.h"

namespace drollo::sketch {
namespace {

struct Kernel {
  const char* name;
  std::function<Picture(const Picture&)> run;
};

class SketchThreads : public testing::TestWithParam<Kernel> {};

TEST_P(SketchThreads, SameBytesWithOneTwoAndSevenThreads) {
  // Tall enough for many row chunks, and one 32-bit source read through its 24-bit copy.
  const Picture colour = test::PatternPicture(301, 263, 5);
  Picture wide = colour;
  wide.convertTo(32);
  for (const Picture* in : {&colour, static_cast<const Picture*>(&wide)})
    EXPECT_TRUE(test::SameForEveryThreadCount([&] { return GetParam().run(*in); }))
        << in->bitsPerPixel() << " bits";
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, SketchThreads,
    testing::Values(Kernel{"Median", [](const Picture& p) { return RemoveSpeckles(p); }},
                    Kernel{"Pen", [](const Picture& p) { return twovalue(p, 120); }},
                    Kernel{"Pencil", [](const Picture& p) { return PencilSketch(p, 60); }}),
    [](const testing::TestParamInfo<Kernel>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace drollo::sketch
