// The outline page's display: checkerboard, transparency of pure white, and the direct
// composition against settransparent plus the 32-bit bitmap's own DrawOver.
#include "outline/layer_display.h"

#include <gtest/gtest.h>

#include "image/resample.h"
#include "support/pictures.h"

namespace drollo::outline {
namespace {

using test::FilledPicture;
using test::PatternPicture;
using test::SamePicture;

TBitmap32 ReferenceView(const Picture& picture, const TBitmap32& layer, bool showPicture) {
  TBitmap32 v;
  if (showPicture) {
    v.Assign(picture);
  } else {
    v = TBitmap32(layer.width(), layer.height());
    for (int i = 0; i < layer.height(); ++i)
      for (int j = 0; j < layer.width(); ++j) {
        const int g = ((i / 20) + (j / 20)) % 2 == 0 ? 255 : 240;
        v.setPixel(j, i, MakeColour(g, g, g));
      }
  }
  v.SetAlpha(255);
  settransparent(layer).DrawOver(0, 0, v);
  return v;
}

TBitmap32 Scribbled(int w, int h) {
  TBitmap32 l;
  l.Assign(FilledPicture(w, h, kWhite));
  for (int x = 0; x < w; ++x) l.setPixel(x, (x * 7) % (h ? h : 1), MakeColour(x, 255, 255));
  l.setPixel(1, 1, MakeColour(255, 255, 254));
  return l;
}

TEST(LayerDisplay, HiddenPictureOverEmptyLayerIsThePlainCheckerboard) {
  TBitmap32 empty;
  empty.Assign(FilledPicture(70, 45, kWhite));
  const TBitmap32 v = Image2showto(PatternPicture(70, 45), empty, false);
  EXPECT_EQ(v.pixel(0, 0), MakeColour(255, 255, 255));
  EXPECT_EQ(v.pixel(19, 19), MakeColour(255, 255, 255));
  EXPECT_EQ(v.pixel(20, 0), MakeColour(240, 240, 240));
  EXPECT_EQ(v.pixel(0, 20), MakeColour(240, 240, 240));
  EXPECT_EQ(v.pixel(20, 20), MakeColour(255, 255, 255));
  EXPECT_EQ(v.pixel(69, 44), MakeColour(240, 240, 240));  // row cell 2, column cell 3
  EXPECT_TRUE(SamePicture(Checkerboard(70, 45), v));
}

TEST(LayerDisplay, OnlyPureWhiteIsTransparent) {
  const Picture picture = FilledPicture(4, 4, MakeColour(10, 20, 30));
  TBitmap32 layer;
  layer.Assign(FilledPicture(4, 4, kWhite));
  layer.setPixel(2, 1, MakeColour(255, 255, 254));
  const TBitmap32 v = Image2showto(picture, layer, true);
  EXPECT_EQ(v.pixel(2, 1), MakeColour(255, 255, 254));
  EXPECT_EQ(v.pixel(1, 1), MakeColour(10, 20, 30));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(v.row(y)[4 * x + 3], 255);
  const TBitmap32 t = settransparent(layer);
  EXPECT_EQ(t.row(1)[4 * 2 + 3], 255);
  EXPECT_EQ(t.row(1)[4 * 1 + 3], 0);
}

TEST(LayerDisplay, EqualsSetTransparentDrawnOverTheView) {
  for (auto [pw, ph, lw, lh] : {std::array{30, 25, 30, 25}, {30, 25, 17, 40}, {45, 12, 50, 50}}) {
    const Picture picture = PatternPicture(pw, ph, 2);
    const TBitmap32 layer = Scribbled(lw, lh);
    for (bool show : {true, false})
      EXPECT_TRUE(
          SamePicture(ReferenceView(picture, layer, show), Image2showto(picture, layer, show)))
          << pw << "x" << ph << " layer " << lw << "x" << lh << " show " << show;
  }
  Picture grey(6, 6, PixelFormat::Grey8());
  EXPECT_TRUE(SamePicture(ReferenceView(grey, Scribbled(6, 6), true),
                          Image2showto(grey, Scribbled(6, 6), true)));
}

// Recomposing after a command writes over the display's own bytes; it shows what a fresh
// composition shows, also when the picture is hidden or the display had another size.
TEST(LayerDisplay, RecomposesOverItsOwnBytesAsAFreshComposition) {
  const Picture picture = PatternPicture(30, 25, 2);
  const TBitmap32 layer = Scribbled(30, 25);
  TBitmap32 view = Image2showto(PatternPicture(30, 25, 5), Scribbled(17, 40), true);
  const std::uint8_t* bytes = view.row(0);
  Image2showto(picture, layer, true, view);
  EXPECT_EQ(view.row(0), bytes);
  EXPECT_TRUE(SamePicture(ReferenceView(picture, layer, true), view));
  Image2showto(picture, layer, false, view);
  EXPECT_TRUE(SamePicture(ReferenceView(picture, layer, false), view));
  const Picture small = PatternPicture(12, 9, 3);
  Image2showto(small, layer, true, view);
  EXPECT_TRUE(SamePicture(ReferenceView(small, layer, true), view));
}

TEST(LayerDisplay, ABlankLayerShowsLikeAWhiteOne) {
  const Picture picture = PatternPicture(30, 25, 2);
  TBitmap32 blank, white;
  blank.reset(30, 25, 255);
  white.Assign(FilledPicture(30, 25, kWhite));
  for (bool show : {true, false})
    EXPECT_TRUE(
        SamePicture(Image2showto(picture, white, show), Image2showto(picture, blank, show)));
  EXPECT_TRUE(blank.blank());
}

TEST(LayerDisplay, PartsMadeAgainEqualAWholeComposition) {
  for (bool show : {true, false}) {
    Picture picture = PatternPicture(90, 70, 2);
    TBitmap32 layer = Scribbled(90, 70);
    TBitmap32 view = Image2showto(picture, layer, show);
    // Layer pixels drawn and erased, picture pixels changed, in a few rectangles, one reaching
    // past the view.
    const Rect parts[] = {{5, 5, 20, 9}, {60, 40, 120, 95}, {0, 69, 90, 70}};
    for (const Rect& r : parts)
      for (int y = r.top; y < std::min(r.bottom, 70); ++y)
        for (int x = r.left; x < std::min(r.right, 90); ++x) {
          layer.setPixel(x, y, (x + y) % 3 == 0 ? kWhite : MakeColour(x, y, 9));
          picture.setPixel(x, y, MakeColour(y, 200, x));
        }
    for (const Rect& r : parts) ASSERT_TRUE(Image2showtoPart(picture, layer, show, view, r));
    EXPECT_TRUE(SamePicture(Image2showto(picture, layer, show), view)) << show;
  }
  // A view of another size, or a picture that is not 24 bits under the layer: made whole.
  const TBitmap32 layer = Scribbled(90, 70);
  TBitmap32 view = Image2showto(PatternPicture(80, 70, 2), layer, true);
  EXPECT_FALSE(Image2showtoPart(PatternPicture(90, 70, 2), layer, true, view, Rect{0, 0, 5, 5}));
  Picture grey(90, 70, 8);
  view = Image2showto(grey, layer, true);
  EXPECT_FALSE(Image2showtoPart(grey, layer, true, view, Rect{0, 0, 5, 5}));
}

// The display made row by row when it is read gives the screen the same pixels, reduced or
// enlarged, as the whole composition: over a picture of 24, 8 and 32 bits and of other sizes than
// the layer, over the checkerboard, and the layer alone.
TEST(LayerDisplay, RowsMadeWhenReadResampleAsTheWholeComposition) {
  Picture grey(61, 47, PixelFormat::Grey8());
  for (int y = 0; y < 47; ++y)
    for (int x = 0; x < 61; ++x) grey.mutableRow(y)[x] = static_cast<std::uint8_t>(x * 4 + y);
  Picture wide = PatternPicture(61, 47, 4);
  wide.convertTo(32);
  struct Case {
    Picture picture;
    TBitmap32 layer;
    LayerBase base;
  };
  const Case cases[] = {{PatternPicture(61, 47, 2), Scribbled(61, 47), LayerBase::Picture},
                        {PatternPicture(61, 47, 2), Scribbled(40, 60), LayerBase::Picture},
                        {grey, Scribbled(61, 47), LayerBase::Picture},
                        {wide, Scribbled(61, 47), LayerBase::Picture},
                        {PatternPicture(61, 47, 2), Scribbled(50, 44), LayerBase::Checkerboard},
                        {PatternPicture(61, 47, 2), Scribbled(50, 44), LayerBase::None}};
  for (const Case& c : cases) {
    const TBitmap32 whole = c.base == LayerBase::None
                                ? c.layer
                                : Image2showto(c.picture, c.layer, c.base == LayerBase::Picture);
    const LayerDisplayRows rows(c.picture, c.layer, c.base);
    ASSERT_EQ(rows.width(), whole.width());
    ASSERT_EQ(rows.height(), whole.height());
    for (auto [w, h] : {std::pair{20, 15}, {30, 22}, {whole.width(), whole.height()}, {130, 99}})
      for (const Rect& part : {Rect{0, 0, w, h}, Rect{3, 2, w - 4, h - 1}}) {
        Picture fromRows(w, h, 32), fromWhole(w, h, 32);
        if (w <= whole.width()) {
          AreaResampleInto(rows, w, h, fromRows.region(part));
          AreaResampleInto(whole, w, h, fromWhole.region(part));
        } else {
          NearestResampleInto(rows, w, h, fromRows.region(part));
          NearestResampleInto(whole, w, h, fromWhole.region(part));
        }
        EXPECT_TRUE(SamePicture(fromWhole, fromRows))
            << static_cast<int>(c.base) << " " << c.picture.bitsPerPixel() << " to " << w << "x"
            << h << " from " << part.left;
      }
  }
}

}  // namespace
}  // namespace drollo::outline
