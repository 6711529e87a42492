#include <gtest/gtest.h>

#include "formats/gif.h"
#include "formats/icon.h"
#include "formats/sample_files.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

using samples::Bytes;

const std::vector<Bgra> kPalette = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};

TColor ColourOf(const Bgra& e) {
  return MakeColour(e.r, e.g, e.b);
}

std::vector<int> Indices(int w, int h) {
  std::vector<int> v(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v[y * w + x] = (x + 2 * y) % 4;
  return v;
}

// What a GIF of Indices() placed at (left, top) must give.
Picture Expected(int screenW, int screenH, int left, int top, int w, int h, int transparent) {
  Picture p = drollo::test::FilledPicture(screenW, screenH, kWhite);
  const auto idx = Indices(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int i = idx[y * w + x];
      p.setPixel(left + x, top + y, i == transparent ? kWhite : ColourOf(kPalette[i]));
    }
  return p;
}

struct GifCase {
  const char* name;
  int screenW, screenH, left, top, w, h, transparent;
  bool interlaced;
  int wantW, wantH;
};

class GifReader : public testing::TestWithParam<GifCase> {};

TEST_P(GifReader, DrawsTheFirstImageAtItsPlaceOverWhite) {
  const GifCase& c = GetParam();
  const Bytes file = samples::GifFile(c.screenW, c.screenH, c.left, c.top, c.w, c.h, kPalette,
                                      Indices(c.w, c.h), c.transparent, c.interlaced);
  const Picture p = DecodeGif(file);
  EXPECT_TRUE(drollo::test::SamePicture(
      Expected(c.wantW, c.wantH, c.left, c.top, c.w, c.h, c.transparent), p));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GifReader,
    testing::Values(GifCase{"whole_screen", 6, 5, 0, 0, 6, 5, -1, false, 6, 5},
                    GifCase{"transparent_index", 6, 5, 0, 0, 6, 5, 2, false, 6, 5},
                    GifCase{"offset_in_screen", 9, 8, 2, 1, 6, 5, 3, false, 9, 8},
                    GifCase{"interlaced", 7, 19, 0, 0, 7, 19, -1, true, 7, 19},
                    GifCase{"image_past_screen", 4, 4, 1, 2, 6, 5, -1, false, 7, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GifFile, AFileWithoutAnImageIsAnError) {
  const Bytes file = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0, 0, 0, 0x3B};
  EXPECT_THROW(DecodeGif(file), PictureFileError);
}

TEST(GifFile, TruncatedAndForeignFilesAreErrors) {
  const Bytes good = samples::GifFile(16, 16, 0, 0, 16, 16, kPalette, Indices(16, 16), -1, false);
  for (std::size_t keep :
       {std::size_t{0}, std::size_t{5}, std::size_t{13}, std::size_t{30}, good.size() - 4}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
    EXPECT_THROW(DecodeGif(cut), PictureFileError) << "kept " << keep << " bytes";
  }
  EXPECT_THROW(DecodeGif(Bytes{'B', 'M', 0, 0}), PictureFileError);
}

TEST(GifFile, ScreensOverTheLimitAreRefused) {
  const Bytes file = samples::GifFile(300, 300, 0, 0, 2, 2, kPalette, Indices(2, 2), -1, false);
  EXPECT_THROW(DecodeGif(file, DecodeLimits{300 * 300 - 1}), PictureFileError);
}

// --- Icons ------------------------------------------------------------------------------------

std::vector<Bgra> IconPixels(int w, int h, bool withAlpha) {
  std::vector<Bgra> px(static_cast<std::size_t>(w) * h);
  for (int i = 0; i < w * h; ++i)
    px[i] =
        Bgra{static_cast<std::uint8_t>(i * 11), static_cast<std::uint8_t>(255 - i * 5),
             static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(withAlpha ? i * 17 : 0)};
  return px;
}

std::uint8_t OverWhite(int c, int a) {
  return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

TEST(IconFile, TheLargestImageIsReadAtItsOwnSizeWithMaskedPixelsWhite) {
  const auto small = IconPixels(4, 4, false);
  const auto large = IconPixels(6, 5, false);
  std::vector<bool> mask(30);
  for (int i = 0; i < 30; i += 4) mask[i] = true;
  const Bytes file = samples::IconFile({samples::IconBitmap(4, 4, 24, small, std::vector<bool>(16)),
                                        samples::IconBitmap(6, 5, 24, large, mask)});
  const Picture p = DecodeIcon(file);
  ASSERT_EQ(p.width(), 6);
  ASSERT_EQ(p.height(), 5);
  EXPECT_EQ(p.bitsPerPixel(), 24);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const int i = y * 6 + x;
      EXPECT_EQ(p.pixel(x, y), mask[i] ? kWhite : ColourOf(large[i])) << x << "," << y;
    }
}

TEST(IconFile, ThirtyTwoBitImagesAreDrawnOverWhiteByTheirAlpha) {
  const auto px = IconPixels(5, 3, true);
  const Bytes file = samples::IconFile({samples::IconBitmap(5, 3, 32, px, std::vector<bool>(15))});
  const Picture p = DecodeIcon(file);
  for (int i = 0; i < 15; ++i) {
    const Bgra& e = px[i];
    EXPECT_EQ(p.pixel(i % 5, i / 5),
              MakeColour(OverWhite(e.r, e.a), OverWhite(e.g, e.a), OverWhite(e.b, e.a)));
  }
}

TEST(IconFile, PngImagesAreDecodedAndDrawnOverWhite) {
  const auto px = IconPixels(7, 4, true);
  const Bytes file = samples::IconFile(
      {samples::IconBitmap(4, 4, 24, IconPixels(4, 4, false), std::vector<bool>(16)),
       samples::IconPng(7, 4, px)});
  const Picture p = DecodeIcon(file);
  ASSERT_EQ(p.width(), 7);
  ASSERT_EQ(p.height(), 4);
  for (int i = 0; i < 28; ++i) {
    const Bgra& e = px[i];
    EXPECT_EQ(p.pixel(i % 7, i / 7),
              MakeColour(OverWhite(e.r, e.a), OverWhite(e.g, e.a), OverWhite(e.b, e.a)));
  }
}

TEST(IconFile, BrokenFilesAreErrors) {
  const Bytes good = samples::IconFile(
      {samples::IconBitmap(8, 8, 24, IconPixels(8, 8, false), std::vector<bool>(64))});
  for (std::size_t keep :
       {std::size_t{0}, std::size_t{6}, std::size_t{21}, std::size_t{40}, good.size() - 3}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
    EXPECT_THROW(DecodeIcon(cut), PictureFileError) << "kept " << keep << " bytes";
  }
  Bytes wrongType = good;
  wrongType[2] = 7;
  EXPECT_THROW(DecodeIcon(wrongType), PictureFileError);
  Bytes noImages = good;
  noImages[4] = 0;
  EXPECT_THROW(DecodeIcon(noImages), PictureFileError);

  Bytes png = samples::IconFile({samples::IconPng(7, 4, IconPixels(7, 4, true))});
  png[png.size() - 20] ^= 0x55;  // damages the image data's check sum
  EXPECT_THROW(DecodeIcon(png), PictureFileError);
}

}  // namespace
}  // namespace drollo::formats
