#include "formats/jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "formats/sample_files.h"
#include "formats/temp_folder.h"
#include "support/pictures.h"

namespace drollo::formats {
namespace {

using samples::Bytes;
using samples::JpegKind;

// The example tables of the JPEG standard, in natural order; libjpeg scales them for a quality.
constexpr int kLuminance[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                                58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                                22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                                77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                                103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};
constexpr int kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                  24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

std::vector<int> ScaledTable(const int* table, int quality) {
  const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  std::vector<int> out;
  for (int i = 0; i < 64; ++i) out.push_back(std::clamp((table[i] * scale + 50) / 100, 1, 255));
  return out;
}

// The quantisation tables that djpeg's trace prints, in file order.
std::vector<std::vector<int>> TracedTables(const std::string& trace) {
  std::vector<std::vector<int>> tables;
  std::istringstream in(trace);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("Define Quantization Table") != std::string::npos) {
      tables.emplace_back();
      continue;
    }
    if (tables.empty() || tables.back().size() >= 64) continue;
    std::istringstream values(line);
    int v;
    while (values >> v) tables.back().push_back(v);
  }
  return tables;
}

int MaxDifference(const Picture& a, const Picture& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const TColor p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(RedOf(p) - RedOf(q)), std::abs(GreenOf(p) - GreenOf(q)),
                        std::abs(BlueOf(p) - BlueOf(q))});
    }
  return worst;
}

Picture Smooth(int width, int height) {
  Picture p(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.setPixel(x, y, MakeColour(4 * x, 3 * y, 200 - x - y));
  return p;
}

TEST(JpegWriter, DjpegSeesABaselineColourFileWithTheQuality90Tables) {
  if (!test::HaveTool("djpeg")) GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
  test::TempFolder folder;
  folder.write("out.jpg", EncodeJpeg(drollo::test::PatternPicture(40, 24)));
  const std::string trace = test::RunCommand("djpeg -verbose -verbose -verbose '" +
                                             folder.file("out.jpg") + "' 2>&1 >/dev/null");
  EXPECT_NE(trace.find("Start Of Frame 0xc0: width=40, height=24, components=3"), std::string::npos)
      << trace;
  const auto tables = TracedTables(trace);
  ASSERT_EQ(tables.size(), 2u) << trace;
  EXPECT_EQ(tables[0], ScaledTable(kLuminance, 90));
  EXPECT_EQ(tables[1], ScaledTable(kChrominance, 90));
}

TEST(JpegWriter, DjpegDecodesTheSamePixelsAsOurReader) {
  if (!test::HaveTool("djpeg")) GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
  test::TempFolder folder;
  const Picture source = drollo::test::PatternPicture(21, 13);
  const Bytes file = EncodeJpeg(source);
  folder.write("out.jpg", file);
  const std::string ppm =
      test::RunCommand("djpeg -pnm '" + folder.file("out.jpg") + "' 2>/dev/null");
  const std::string header = "P6\n21 13\n255\n";
  ASSERT_EQ(ppm.substr(0, header.size()), header);
  const Picture ours = DecodeJpeg(file);
  ASSERT_EQ(ours.bitsPerPixel(), 24);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 21; ++x) {
      const std::size_t i = header.size() + 3 * (y * 21 + x);
      const auto u = [&](std::size_t k) { return static_cast<unsigned char>(ppm[k]); };
      ASSERT_EQ(ours.pixel(x, y), MakeColour(u(i), u(i + 1), u(i + 2))) << x << "," << y;
    }
}

TEST(JpegWriter, GreyPicturesAreWrittenInColour) {
  Picture grey(9, 9, PixelFormat::Grey8());
  for (int x = 0; x < 9; ++x) grey.setPixel(x, 4, MakeColour(200, 200, 200));
  const Picture back = DecodeJpeg(EncodeJpeg(grey));
  EXPECT_EQ(back.bitsPerPixel(), 24);
  EXPECT_LE(MaxDifference(ToBgr24(grey), back), 40);
}

TEST(JpegWriter, RoundTripStaysCloseToTheSmoothPicture) {
  const Picture p = Smooth(32, 20);
  EXPECT_LE(MaxDifference(p, DecodeJpeg(EncodeJpeg(p))), 6);
}

TEST(JpegWriter, PicturesTheFormatCannotHoldAreRefused) {
  EXPECT_THROW(EncodeJpeg(Picture()), PictureFileError);
  EXPECT_THROW(EncodeJpeg(Picture(70000, 1, 24)), PictureFileError);
}

struct KindCase {
  const char* name;
  JpegKind kind;
};

class JpegReaderColours : public testing::TestWithParam<KindCase> {};

// Every colour kind decodes to 24 bits of the colour written; the CMYK kinds through the ink of
// their black channel (64 of 255), so that inverting it wrongly shows.
TEST_P(JpegReaderColours, GiveTwentyFourBitsOfTheWrittenColour) {
  const int r = 200, g = 40, b = 120;
  const Picture p = DecodeJpeg(samples::JpegFile(GetParam().kind, 16, 16, r, g, b));
  ASSERT_EQ(p.bitsPerPixel(), 24);
  ASSERT_EQ(p.width(), 16);
  const bool cmyk = GetParam().kind == JpegKind::kCmykAdobe ||
                    GetParam().kind == JpegKind::kCmykPlain ||
                    GetParam().kind == JpegKind::kYcckAdobe;
  const auto ink = [&](int v) { return cmyk ? (v * 191 + 127) / 255 : v; };
  const TColor got = p.pixel(7, 9);
  EXPECT_NEAR(RedOf(got), ink(r), 3);
  EXPECT_NEAR(GreenOf(got), ink(g), 3);
  EXPECT_NEAR(BlueOf(got), ink(b), 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegReaderColours,
                         testing::Values(KindCase{"colour", JpegKind::kColour},
                                         KindCase{"progressive", JpegKind::kProgressive},
                                         KindCase{"cmyk_adobe_inverted", JpegKind::kCmykAdobe},
                                         KindCase{"cmyk_plain", JpegKind::kCmykPlain},
                                         KindCase{"ycck_adobe", JpegKind::kYcckAdobe}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JpegReader, GreyscaleFilesGiveEightBitsWithAGreyTable) {
  const Picture p = DecodeJpeg(samples::JpegFile(JpegKind::kGrey, 8, 8, 77, 0, 0));
  EXPECT_EQ(p.format(), PixelFormat::Grey8());
  EXPECT_NEAR(RedOf(p.pixel(3, 3)), 77, 1);
}

TEST(JpegReader, AFileWithoutItsEndMarkerIsReadWhole) {
  for (const Picture& p : {drollo::test::PatternPicture(40, 40), Smooth(16, 16)}) {
    const Bytes good = EncodeJpeg(p);
    const Bytes noEnd(good.begin(), good.end() - 2);
    EXPECT_TRUE(drollo::test::SamePicture(DecodeJpeg(good), DecodeJpeg(noEnd)));
  }
}

TEST(JpegReader, TruncatedAndCorruptFilesAreErrors) {
  const Bytes good = EncodeJpeg(drollo::test::PatternPicture(40, 40));
  for (std::size_t keep : {std::size_t{0}, std::size_t{2}, std::size_t{100}, good.size() / 2,
                           good.size() - 40, good.size() - 6}) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
    EXPECT_THROW(DecodeJpeg(cut), PictureFileError) << "kept " << keep << " bytes";
  }
  Bytes notJpeg = good;
  notJpeg[0] = 'X';
  EXPECT_THROW(DecodeJpeg(notJpeg), PictureFileError);
}

TEST(JpegReader, PicturesOverTheLimitAreRefused) {
  const Bytes file = EncodeJpeg(drollo::test::PatternPicture(40, 40));
  EXPECT_THROW(DecodeJpeg(file, DecodeLimits{1599}), PictureFileError);
  EXPECT_EQ(DecodeJpeg(file, DecodeLimits{1600}).width(), 40);
}

}  // namespace
}  // namespace drollo::formats
