// Outline extraction by threshold and the layer's speckle removal.
#include "outline/extract.h"

#include <gtest/gtest.h>

#include <vector>

#include "image/pixel_math.h"
#include "support/pictures.h"

namespace drollo::outline {
namespace {

using test::FilledPicture;
using test::PatternPicture;
using test::SamePicture;

TBitmap32 Layer(const Picture& p) {
  TBitmap32 l;
  l.Assign(p);
  return l;
}

TEST(Twoval, GreyOneEightyFiveIsBlackOneEightySixWhite) {
  Picture p(2, 1, 24);
  p.setPixel(0, 0, MakeColour(185, 185, 185));
  p.setPixel(1, 0, MakeColour(186, 186, 186));
  const TBitmap32 out = ExtractOutline(p);
  EXPECT_EQ(out.pixel(0, 0), kBlack);
  EXPECT_EQ(out.pixel(1, 0), kWhite);
  EXPECT_EQ(out.bitsPerPixel(), 32);
  EXPECT_EQ(out.row(0)[3], 255);
}

TEST(Twoval, TableEqualsExtendedPrecisionFormula) {
  // Every red-green pair in one picture, for a spread of blues.
  TBitmap32 p(256, 256);
  int wrong = 0;
  std::vector<int> blues = {1, 2, 3, 252, 253, 254};
  for (int b = 0; b < 256; b += 9) blues.push_back(b);
  blues.push_back(255);
  for (int b : blues) {
    for (int r = 0; r < 256; ++r) {
      std::uint8_t* row = p.mutableRow(r);
      for (int g = 0; g < 256; ++g) {
        row[4 * g] = static_cast<std::uint8_t>(b);
        row[4 * g + 1] = static_cast<std::uint8_t>(g);
        row[4 * g + 2] = static_cast<std::uint8_t>(r);
        row[4 * g + 3] = static_cast<std::uint8_t>(g ^ r);
      }
    }
    const TBitmap32 out = twoval(p);
    for (int r = 0; r < 256; ++r) {
      const std::uint8_t* row = out.row(r);
      for (int g = 0; g < 256; ++g) {
        const int expect = Round(0.3L * r + 0.59L * g + 0.11L * b) > 185 ? 255 : 0;
        const std::uint8_t* px = row + 4 * g;
        if ((px[0] != expect || px[1] != expect || px[2] != expect || px[3] != (g ^ r)) &&
            ++wrong < 5)
          ADD_FAILURE() << r << "," << g << "," << b;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(Twoval, ExtractionOfAnyDepthEqualsAssignThenThreshold) {
  const Picture p = PatternPicture(23, 11, 4);
  EXPECT_TRUE(SamePicture(twoval(Layer(p)), ExtractOutline(p)));
  Picture grey(9, 4, PixelFormat::Grey8());
  grey.mutableRow(1)[2] = 200;
  grey.mutableRow(2)[2] = 185;
  EXPECT_TRUE(SamePicture(twoval(Layer(grey)), ExtractOutline(grey)));
  // Extracting twice gives the same layer.
  EXPECT_TRUE(SamePicture(ExtractOutline(p), ExtractOutline(p)));
  EXPECT_EQ(ExtractOutline(Picture(0, 0, 24)).width(), 0);
}

// The filter as described: through 24 bits, SelectionSort per channel, back to 32 bits.
TBitmap32 ReferenceSpeckles(const TBitmap32& layer) {
  const Picture s = ToBgr24(layer);
  Picture d = s;
  for (int y = 1; y + 1 < s.height(); ++y)
    for (int x = 1; x + 1 < s.width(); ++x)
      for (int c = 0; c < 3; ++c) {
        int v[9], n = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) v[n++] = s.row(y + dy)[3 * (x + dx) + c];
        SelectionSort(v, 8);
        d.mutableRow(y)[3 * x + c] = static_cast<std::uint8_t>(v[4]);
      }
  return Layer(d);
}

TEST(OutlineSpeckles, EqualsSelectionSortMedianThroughTwentyFourBits) {
  for (int w : {0, 1, 2, 3, 4, 5, 7, 13, 40})
    for (int h : {1, 2, 3, 6}) {
      TBitmap32 l = Layer(PatternPicture(w, h, static_cast<std::uint32_t>(w * h + 1)));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) l.mutableRow(y)[4 * x + 3] = static_cast<std::uint8_t>(x * 9);
      EXPECT_TRUE(SamePicture(ReferenceSpeckles(l), RemoveOutlineSpeckles(l))) << w << "x" << h;
    }
}

TEST(OutlineSpeckles, OnePixelLinesVanishTwoPixelLinesStay) {
  TBitmap32 l = Layer(FilledPicture(10, 10, kWhite));
  l.setPixel(2, 2, kBlack);
  for (int y = 0; y < 10; ++y) l.setPixel(6, y, kBlack);
  const TBitmap32 out = RemoveOutlineSpeckles(l);
  EXPECT_EQ(out.pixel(2, 2), kWhite);
  for (int y = 1; y < 9; ++y) EXPECT_EQ(out.pixel(6, y), kWhite) << y;
  EXPECT_EQ(out.pixel(6, 0), kBlack);  // frame
  EXPECT_EQ(out.pixel(6, 9), kBlack);

  TBitmap32 two = Layer(FilledPicture(10, 10, kWhite));
  for (int x = 0; x < 10; ++x) two.setPixel(x, 4, kBlack), two.setPixel(x, 5, kBlack);
  EXPECT_TRUE(SamePicture(two, RemoveOutlineSpeckles(two)));
}

}  // namespace
}  // namespace drollo::outline
