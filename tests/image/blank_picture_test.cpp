// Blank pictures: one row stands for every row until something writes, and every kind of write
// then gives the same pixels as on a picture filled byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "image/bitmap32.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::SamePicture;

// 3 x 2 tiles, the last column and row partial.
constexpr int kWidth = 150;
constexpr int kHeight = 70;

// The same picture made the plain way: every byte written.
Picture Filled(int width, int height, const PixelFormat& format, std::uint8_t fill) {
  Picture p(width, height, format);
  for (int y = 0; y < height; ++y) std::memset(p.mutableRow(y), fill, p.stride());
  return p;
}

TEST(BlankPicture, HoldsOneRowAndReadsLikeAFilledPicture) {
  TBitmap32 layer;
  layer.reset(kWidth, kHeight, 255);
  EXPECT_TRUE(layer.blank());
  EXPECT_EQ(layer.byteSize(), std::size_t{4} * kWidth * kHeight);
  EXPECT_EQ(layer.row(0), layer.row(kHeight - 1));
  const ConstView v = layer.view();
  EXPECT_EQ(v.stride, 0);
  EXPECT_EQ(v.pixel(kWidth - 1, kHeight - 1)[3], 255);
  EXPECT_EQ(layer.pixel(kWidth - 1, kHeight - 1), kWhite);
  EXPECT_TRUE(layer.samePixels(Filled(kWidth, kHeight, PixelFormat::Bgra32(), 255)));
  EXPECT_TRUE(Filled(kWidth, kHeight, PixelFormat::Bgra32(), 255).samePixels(layer));
  EXPECT_FALSE(layer.samePixels(Picture::Blank(kWidth, kHeight, PixelFormat::Bgra32(), 254)));
  // A size without pixels has nothing to be blank about.
  layer.reset(0, kHeight, 255);
  EXPECT_FALSE(layer.blank());
  EXPECT_TRUE(layer.empty());
}

TEST(BlankPicture, CopiesStayBlankAndWritingOneLeavesTheOther) {
  const Picture blank = Picture::Blank(kWidth, kHeight, PixelFormat::Bgr24(), 7);
  Picture copy = blank;
  Picture assigned;
  assigned.assign(blank);
  EXPECT_TRUE(copy.blank());
  EXPECT_TRUE(assigned.blank());
  copy.setPixel(3, 4, kBlack);
  EXPECT_FALSE(copy.blank());
  EXPECT_TRUE(blank.blank());
  EXPECT_TRUE(SamePicture(Filled(kWidth, kHeight, PixelFormat::Bgr24(), 7), blank));
  EXPECT_TRUE(SamePicture(Filled(kWidth, kHeight, PixelFormat::Bgr24(), 7), assigned));
  Picture moved = std::move(assigned);
  EXPECT_TRUE(moved.blank());
}

struct Write {
  std::string name;
  std::function<void(Picture&)> apply;
};

class EveryWrite : public testing::TestWithParam<Write> {};

// The write on a blank picture and on the same picture filled byte by byte give the same pixels,
// at 32 bits (the layer) and at 24.
TEST_P(EveryWrite, OnABlankPictureEqualsTheWriteOnAFilledOne) {
  for (const PixelFormat& format : {PixelFormat::Bgra32(), PixelFormat::Bgr24()}) {
    Picture blank = Picture::Blank(kWidth, kHeight, format, 255);
    Picture filled = Filled(kWidth, kHeight, format, 255);
    GetParam().apply(blank);
    GetParam().apply(filled);
    EXPECT_TRUE(SamePicture(filled, blank)) << format.bitsPerPixel << " bits";
    EXPECT_FALSE(blank.blank());
  }
}

const Write kWrites[] = {
    {"MutableRow", [](Picture& p) { p.mutableRow(69)[5] = 1; }},
    {"Region",
     [](Picture& p) {
       const MutableView v = p.region(Rect{60, 10, 140, 69});
       for (int y = v.bounds.top; y < v.bounds.bottom; y += 3) v.setPixel(y + 40, y, kBlack);
     }},
    {"SetPixel", [](Picture& p) { p.setPixel(149, 0, MakeColour(1, 2, 3)); }},
    {"WriteTile",
     [](Picture& p) {
       std::uint8_t* d = p.writeTile(2, 1);
       d[0] = 9;
       d[p.stride() + 1] = 8;
     }},
    {"RawData", [](Picture& p) { p.rawData()[p.byteSize() - 1] = 0; }},
    {"CopyRect",
     [](Picture& p) {
       Picture src(p.width(), p.height(), p.format());
       p.copyRect(src, Rect{100, 20, 130, 40});
     }},
    {"ConvertTo",
     [](Picture& p) {
       p.convertTo(p.bitsPerPixel() == 32 ? 24 : 32);
       p.setPixel(0, 0, kBlack);
     }},
    {"SetAlpha",
     [](Picture& p) {
       TBitmap32 layer;
       layer.Assign(p);
       layer.SetAlpha(128);
       p = layer;
     }},
    {"DrawOverIt",
     [](Picture& p) {
       if (p.bitsPerPixel() != 32) p.convertTo(32);
       TBitmap32 ink(20, 20, Picture::Unfilled{});
       for (int y = 0; y < 20; ++y) std::memset(ink.mutableRow(y), 40 + y, ink.stride());
       ink.DrawOver(kWidth - 10, 60, p);
     }},
};

INSTANTIATE_TEST_SUITE_P(BlankPicture, EveryWrite, testing::ValuesIn(kWrites),
                         [](const auto& info) { return info.param.name; });

// A blank picture drawn over another is read row after row like any other.
TEST(BlankPicture, DrawsOverAnotherAsItsFill) {
  TBitmap32 filled, blank, expected, target;
  filled.Assign(Filled(30, 20, PixelFormat::Bgra32(), 128));
  blank.reset(30, 20, 128);
  expected.Assign(Filled(40, 30, PixelFormat::Bgra32(), 200));
  target.Assign(expected);
  filled.DrawOver(15, 5, expected);
  blank.DrawOver(15, 5, target);
  EXPECT_TRUE(SamePicture(expected, target));
}

}  // namespace
}  // namespace drollo
