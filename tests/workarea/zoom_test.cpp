#include "workarea/zoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace drollo {
namespace {

// The start picture's size, with a blank outline layer of the same size.
class ZoomSteps : public testing::Test {
 protected:
  ZoomSteps() {
    state.WorkingPicture = Picture(605, 469, 24);
    state.OutlineBitmap = TBitmap32(605, 469);
    SizeImages(state, images);
  }
  void in(int times) {
    for (int i = 0; i < times; ++i) imgzoomin(state, images);
  }
  void out(int times) {
    for (int i = 0; i < times; ++i) imgzoomout(state, images);
  }
  std::string label() const { return ZoomLabel(state); }
  ProgramState state;
  WorkAreaImages images;
};

struct ZoomCase {
  const char* name;
  const char* steps;  // 'i' zoom in, 'o' zoom out
  double zoom;
  const char* label;
  DisplaySize image1;
};

class ZoomSequence : public ZoomSteps, public testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomSequence, ZoomLabelAndDisplaySizes) {
  const ZoomCase& c = GetParam();
  for (const char* p = c.steps; *p; ++p) *p == 'i' ? in(1) : out(1);
  EXPECT_NEAR(state.ZoomPercent, c.zoom, 1e-9 * c.zoom);
  EXPECT_EQ(label(), c.label);
  EXPECT_EQ(images.Image1, c.image1);
  EXPECT_EQ(images.Image2, c.image1);  // the layer has the picture's size
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ZoomSequence,
    testing::Values(ZoomCase{"InThenOut", "io", 100, "100.0%", {605, 469}},
                    // 1181.640625 and 916.015625 rounded.
                    ZoomCase{"ThreeIn", "iii", 195.3125, "195.3%", {1182, 916}},
                    // 0.8^10 = 0.1073741824: 64.96 and 50.36.
                    ZoomCase{"TenOut", "oooooooooo", 10.73741824, "10.7%", {65, 50}},
                    // 156.25 x 0.8: the label must not show 125.00000000000001 or round to 124.9.
                    ZoomCase{"TwiceInOnceOut", "iio", 125, "125.0%", {756, 586}},
                    // 156.25: a decimal half goes up; 945.3125 and 732.8125 rounded.
                    ZoomCase{"TwiceIn", "ii", 156.25, "156.3%", {945, 733}},
                    // 80: 484 and 375.2.
                    ZoomCase{"OnceOut", "o", 80, "80.0%", {484, 375}}),
    [](const testing::TestParamInfo<ZoomCase>& i) { return std::string(i.param.name); });

TEST_F(ZoomSteps, DisplaySizeHalvesGoToTheEvenNeighbour) {
  // 5 x 1.25 = 6.25 -> 6; 6 x 1.25 = 7.5 -> 8; 10 x 1.25 = 12.5 -> 12; 2 x 1.25 = 2.5 -> 2.
  EXPECT_EQ(DisplayLength(5, 125), 6);
  EXPECT_EQ(DisplayLength(6, 125), 8);
  EXPECT_EQ(DisplayLength(10, 125), 12);
  EXPECT_EQ(DisplayLength(2, 125), 2);
  EXPECT_EQ(DisplayLength(0, 3200), 0);
}

TEST_F(ZoomSteps, EachControlIsSizedFromItsOwnPicture) {
  state.OutlineBitmap = TBitmap32(100, 40);
  in(1);
  EXPECT_EQ(images.Image1, (DisplaySize{756, 586}));
  EXPECT_EQ(images.Image2, (DisplaySize{125, 50}));
}

TEST_F(ZoomSteps, StepsThatWouldLeaveTheRangeDoNothing) {
  in(15);  // 100 x 1.25^15 = 2842.17...; one more would be 3552.7
  const double top = state.ZoomPercent;
  const std::string topLabel = label();
  EXPECT_EQ(topLabel, "2842.2%");
  EXPECT_FALSE(imgzoomin(state, images));
  EXPECT_EQ(state.ZoomPercent, top);
  EXPECT_EQ(label(), topLabel);
  EXPECT_TRUE(imgzoomout(state, images));

  state.ZoomPercent = 1.1;
  int erased = 0;
  state.CropSelectMode = true;
  EXPECT_FALSE(imgzoomout(state, images, [&] { ++erased; }));
  EXPECT_EQ(state.ZoomPercent, 1.1);
  EXPECT_EQ(erased, 0);  // a refused step leaves the crop rectangle on screen too
}

TEST_F(ZoomSteps, InCropModeTheRectangleIsErasedFirstAndTheModeStays) {
  int erased = 0;
  double zoomWhenErased = 0;
  auto erase = [&] {
    ++erased;
    zoomWhenErased = state.ZoomPercent;
  };
  imgzoomin(state, images, erase);
  EXPECT_EQ(erased, 0);
  state.CropSelectMode = true;
  imgzoomout(state, images, erase);
  EXPECT_EQ(erased, 1);
  EXPECT_EQ(zoomWhenErased, 125);
  EXPECT_TRUE(state.CropSelectMode);
}

TEST(ZoomLabel, OneDecimalFromTheDecimalValue) {
  EXPECT_EQ(ZoomLabelText(100), "100.0%");
  EXPECT_EQ(ZoomLabelText(0.15), "0.2%");  // 0.1499999... in binary
  EXPECT_EQ(ZoomLabelText(99.96), "100.0%");
  EXPECT_EQ(ZoomLabelText(3199.99), "3200.0%");
  EXPECT_EQ(ZoomLabelText(1.04), "1.0%");
}

}  // namespace
}  // namespace drollo
