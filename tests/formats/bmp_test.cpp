#include "formats/bmp.h"

#include <gtest/gtest.h>

#include "formats/sample_files.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

using samples::Bytes;

// A picture of the given format whose pixels use every bit of it.
Picture Filled(int width, int height, const PixelFormat& format) {
  Picture p(width, height, format);
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p.mutableRow(y);
    for (std::size_t i = 0; i < p.stride(); ++i) {
      state = state * 1664525u + 1013904223u;
      row[i] = static_cast<std::uint8_t>(state >> 24);
    }
    // Bits past the last pixel of a 1- or 4-bit row are not stored.
    const std::size_t used = static_cast<std::size_t>(width) * format.bitsPerPixel;
    if (used % 8) row[used / 8] &= static_cast<std::uint8_t>(0xFF00u >> (used % 8));
  }
  return p;
}

struct RoundTripCase {
  const char* name;
  PixelFormat format;
};

class BmpRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(BmpRoundTrip, DecodingWhatWeWroteGivesThePictureBack) {
  // Odd widths exercise the row padding at every depth.
  for (int width : {1, 5, 13, 33}) {
    const Picture p = Filled(width, 7, GetParam().format);
    const Picture back = DecodeBmp(EncodeBmp(p));
    EXPECT_TRUE(test::SamePicture(p, back)) << "width " << width;
  }
}

std::vector<Bgra> Colours(int n) {
  std::vector<Bgra> t(n);
  for (int i = 0; i < n; ++i)
    t[i] = Bgra{static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i),
                static_cast<std::uint8_t>(i * 7), 0};
  return t;
}

PixelFormat Masks(int bits, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  PixelFormat f;
  f.bitsPerPixel = bits;
  f.redMask = r;
  f.greenMask = g;
  f.blueMask = b;
  f.alphaMask = a;
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    EveryDepth, BmpRoundTrip,
    testing::Values(RoundTripCase{"bits1", PixelFormat::Indexed(1, Colours(2))},
                    RoundTripCase{"bits4", PixelFormat::Indexed(4, Colours(16))},
                    RoundTripCase{"bits4_short_table", PixelFormat::Indexed(4, Colours(5))},
                    RoundTripCase{"bits8", PixelFormat::Indexed(8, Colours(256))},
                    RoundTripCase{"grey8", PixelFormat::Grey8()},
                    RoundTripCase{"bits16_555", PixelFormat::Rgb555()},
                    RoundTripCase{"bits16_565", Masks(16, 0xF800, 0x07E0, 0x001F, 0)},
                    RoundTripCase{"bits16_4444", Masks(16, 0x0F00, 0x00F0, 0x000F, 0xF000)},
                    RoundTripCase{"bits24", PixelFormat::Bgr24()},
                    RoundTripCase{"bits32_plain", Masks(32, 0xFF0000, 0xFF00, 0xFF, 0)},
                    RoundTripCase{"bits32_alpha", PixelFormat::Bgra32()},
                    RoundTripCase{"bits32_rgba", Masks(32, 0xFF, 0xFF00, 0xFF0000, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

void ExpectIndices(const samples::IndexedSample& s, const Picture& p) {
  ASSERT_EQ(p.width(), s.width);
  ASSERT_EQ(p.height(), s.height);
  EXPECT_EQ(p.bitsPerPixel(), s.bits);
  EXPECT_EQ(p.format().palette, s.palette);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const int i = s.indices[y * s.width + x];
      const TColor want = i < static_cast<int>(s.palette.size())
                              ? MakeColour(s.palette[i].r, s.palette[i].g, s.palette[i].b)
                              : kBlack;
      EXPECT_EQ(p.pixel(x, y), want) << "pixel " << x << "," << y;
    }
}

struct IndexedCase {
  const char* name;
  samples::IndexedSample (*make)();
};

class BmpIndexedFile : public testing::TestWithParam<IndexedCase> {};

TEST_P(BmpIndexedFile, ReadsTheStoredIndicesAndTable) {
  const samples::IndexedSample s = GetParam().make();
  ExpectIndices(s, DecodeBmp(s.file));
}

INSTANTIATE_TEST_SUITE_P(HandMade, BmpIndexedFile,
                         testing::Values(IndexedCase{"rle8", samples::Rle8Sample},
                                         IndexedCase{"rle4", samples::Rle4Sample},
                                         IndexedCase{"core_header_1bit",
                                                     samples::CoreHeader1BitSample},
                                         IndexedCase{"short_palette", samples::ShortPaletteSample}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ColourCase {
  const char* name;
  samples::ColourSample (*make)();
  int bits;
};

class BmpColourFile : public testing::TestWithParam<ColourCase> {};

TEST_P(BmpColourFile, ReadsTheColoursAtTheStoredDepth) {
  const samples::ColourSample s = GetParam().make();
  const Picture p = DecodeBmp(s.file);
  EXPECT_EQ(p.bitsPerPixel(), GetParam().bits);
  EXPECT_TRUE(test::SamePicture(s.expected, ToBgr24(p)));
}

INSTANTIATE_TEST_SUITE_P(
    HandMade, BmpColourFile,
    testing::Values(ColourCase{"top_down_24", samples::TopDown24Sample, 24},
                    ColourCase{"bit_fields_565", samples::BitFields565Sample, 16},
                    ColourCase{"v4_bit_fields_32", samples::V4BitFields32Sample, 32}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpFile, ThirtyTwoBitsWithAlphaAreWrittenWithAV5HeaderOthersWithAnInfoHeader) {
  const Bytes withAlpha = EncodeBmp(Picture(2, 2, PixelFormat::Bgra32()));
  EXPECT_EQ(withAlpha[14], 124);
  EXPECT_EQ(withAlpha[30], 3);  // bit fields
  const Bytes plain = EncodeBmp(Picture(2, 2, 24));
  EXPECT_EQ(plain[14], 40);
  EXPECT_EQ(plain[30], 0);
  EXPECT_EQ(plain.size(), 14u + 40 + 2 * 8);  // rows of 6 bytes padded to 8
  EXPECT_EQ(plain[10], 54);                   // pixel data offset
}

TEST(BmpFile, PaddingOfTheLastRowMayBeMissing) {
  Bytes file = EncodeBmp(Filled(3, 2, PixelFormat::Bgr24()));
  file.resize(file.size() - 3);
  EXPECT_EQ(DecodeBmp(file).height(), 2);
  file.resize(file.size() - 1);
  EXPECT_THROW(DecodeBmp(file), PictureFileError);
}

TEST(BmpFile, RleDataThatStopsEarlyIsAnError) {
  Bytes file = samples::Rle8Sample().file;
  file.resize(file.size() - 6);
  EXPECT_THROW(DecodeBmp(file), PictureFileError);
}

TEST(BmpFile, RunsPastTheRowEndAndDeltasPastTheBottomAreClipped) {
  samples::Builder b;  // table: blue, white
  b.raw(samples::InfoHeader(2, 2, 8, 1, 2)).u32(0x000000FF).u32(0x00FFFFFF);
  const Bytes pixels = {200, 1, 0, 0, 0, 2, 250, 250, 3, 1, 0, 1};
  const Picture p = DecodeBmp(samples::BmpFile(b.bytes, pixels));
  EXPECT_EQ(p.pixel(0, 1), kWhite);
  EXPECT_EQ(p.pixel(1, 1), kWhite);
  EXPECT_EQ(p.pixel(0, 0), MakeColour(0, 0, 255));  // skipped: index 0
}

TEST(BmpFile, PicturesOverTheLimitAreRefusedBeforeTheirMemoryIsTaken) {
  const Bytes file = samples::BmpFile(samples::InfoHeader(20000, 20000, 24, 0), {});
  try {
    DecodeBmp(file);
    FAIL() << "no error";
  } catch (const PictureFileError& e) {
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
  }
  EXPECT_THROW(
      DecodeBmp(samples::BmpFile(samples::InfoHeader(100, 100, 24, 0), {}), DecodeLimits{5000}),
      PictureFileError);
}

TEST(BmpFile, CorruptHeadersAreErrors) {
  EXPECT_THROW(DecodeBmp(Bytes{'B', 'M'}), PictureFileError);
  EXPECT_THROW(DecodeBmp(Bytes{'P', 'K', 3, 4}), PictureFileError);
  EXPECT_THROW(DecodeBmp(samples::BmpFile(samples::InfoHeader(0, 5, 24, 0), Bytes(64))),
               PictureFileError);
  EXPECT_THROW(DecodeBmp(samples::BmpFile(samples::InfoHeader(4, 4, 7, 0), Bytes(64))),
               PictureFileError);
  EXPECT_THROW(DecodeBmp(samples::BmpFile(samples::InfoHeader(4, -4, 8, 1, 2), Bytes(64))),
               PictureFileError);  // RLE rows cannot be top-down
  EXPECT_THROW(DecodeBmp(samples::BmpFile(samples::InfoHeader(4, 4, 24, 4), Bytes(64))),
               PictureFileError);
  // A huge size over a few bytes of pixels fails before a gigabyte is taken.
  EXPECT_THROW(DecodeBmp(samples::BmpFile(samples::InfoHeader(16000, 16000, 32, 0), Bytes(64))),
               PictureFileError);
}

TEST(BmpFile, EmptyPicturesAreNotWritten) {
  EXPECT_THROW(EncodeBmp(Picture()), PictureFileError);
}

}  // namespace
}  // namespace drollo::formats
