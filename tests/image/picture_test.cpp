#include "image/picture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/pictures.h"

namespace drollo {
namespace {

TEST(PixelMath, RoundGoesToEvenOnHalves) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-0.5), 0);
  EXPECT_EQ(Round(-1.5), -2);
  EXPECT_EQ(Round(138.75), 139);
  EXPECT_EQ(Trunc(-1.7), -1);
  EXPECT_EQ(Trunc(1.7), 1);
}

TEST(PixelMath, ColourValueAndGrey) {
  const TColor c = MakeColour(1, 2, 3);
  EXPECT_EQ(c, 1u + 256u * 2u + 65536u * 3u);
  EXPECT_EQ(RedOf(c), 1);
  EXPECT_EQ(GreenOf(c), 2);
  EXPECT_EQ(BlueOf(c), 3);
  EXPECT_EQ(GreyValue(255, 255, 255), 255);
  EXPECT_EQ(GreyValue(100, 0, 0), 30);
  // 0.3*5 + 0.59*0 + 0.11*0 = 1.5 rounds to the even 2; 0.3*15 = 4.5 rounds to 4.
  EXPECT_EQ(GreyValue(5, 0, 0), 2);
  EXPECT_EQ(GreyValue(15, 0, 0), 4);
}

TEST(PixelMath, SelectionSortSortsNineAndGivesTheMedian) {
  int v[9] = {9, 3, 7, 1, 8, 2, 6, 4, 5};
  SelectionSort(v, 8);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(v[i], i + 1);
  int w[9] = {255, 0, 255, 0, 255, 0, 255, 0, 0};
  SelectionSort(w, 8);
  EXPECT_EQ(w[4], 0);
}

TEST(Picture, PixelReadsAndWritesAndIgnoresOutside) {
  Picture p(4, 3, 24);
  p.setPixel(1, 2, MakeColour(10, 20, 30));
  p.setPixel(-1, 0, kWhite);
  p.setPixel(4, 0, kWhite);
  p.setPixel(0, 3, kWhite);
  EXPECT_EQ(p.pixel(1, 2), MakeColour(10, 20, 30));
  EXPECT_EQ(p.row(2)[3], 30);  // blue first
  EXPECT_EQ(p.row(2)[5], 10);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (x != 1 || y != 2) {
        EXPECT_EQ(p.pixel(x, y), kBlack);
      }
    }
  }
}

TEST(Picture, IndexedDepthsDecodeThroughTheirTable) {
  Picture one(10, 1, PixelFormat::Indexed(1, {Bgra{0, 0, 255, 0}, Bgra{255, 0, 0, 0}}));
  one.mutableRow(0)[0] = 0b01000000;  // pixel 1 set
  one.mutableRow(0)[1] = 0b01000000;  // pixel 9 set
  EXPECT_EQ(one.pixel(0, 0), MakeColour(255, 0, 0));
  EXPECT_EQ(one.pixel(1, 0), MakeColour(0, 0, 255));
  EXPECT_EQ(one.pixel(9, 0), MakeColour(0, 0, 255));

  Picture four(3, 1, PixelFormat::Indexed(4, {Bgra{}, Bgra{1, 2, 3, 0}, Bgra{4, 5, 6, 0}}));
  four.mutableRow(0)[0] = 0x12;
  four.mutableRow(0)[1] = 0x70;  // index 7 is beyond the short table: black
  EXPECT_EQ(four.pixel(0, 0), MakeColour(3, 2, 1));
  EXPECT_EQ(four.pixel(1, 0), MakeColour(6, 5, 4));
  EXPECT_EQ(four.pixel(2, 0), kBlack);

  Picture grey(2, 1, PixelFormat::Grey8());
  grey.setPixel(1, 0, MakeColour(90, 100, 110));
  EXPECT_EQ(grey.row(0)[1], 100);
}

TEST(Picture, ConversionsTo24AndFrom24) {
  Picture p16(2, 1, PixelFormat::Rgb555());
  p16.mutableRow(0)[0] = 0x1F;  // blue 31
  p16.mutableRow(0)[3] = 0x7C;  // red 31
  Picture p24 = ToBgr24(p16);
  EXPECT_EQ(p24.bitsPerPixel(), 24);
  EXPECT_EQ(p24.pixel(0, 0), MakeColour(0, 0, 255));
  EXPECT_EQ(p24.pixel(1, 0), MakeColour(255, 0, 0));

  Picture q = test::PatternPicture(7, 5);
  Picture q32 = q;
  q32.convertTo(32);
  ASSERT_EQ(q32.bitsPerPixel(), 32);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(q32.row(y)[4 * x + 3], 255);
      EXPECT_EQ(q32.pixel(x, y), q.pixel(x, y));
    }
  q32.convertTo(24);
  EXPECT_TRUE(test::SamePicture(q, q32));
}

TEST(Picture, WritesMarkOnlyTheTilesTheyTouch) {
  Picture p(200, 130, 24);  // 4 x 3 tiles
  ASSERT_EQ(p.tilesX(), 4);
  ASSERT_EQ(p.tilesY(), 3);
  p.setSyncedWith({});
  EXPECT_FALSE(p.anyTileWritten());
  p.region(Rect{60, 60, 70, 70});
  p.setPixel(199, 129, kWhite);
  int written = 0;
  for (int ty = 0; ty < 3; ++ty)
    for (int tx = 0; tx < 4; ++tx) written += p.tileWritten(tx, ty);
  EXPECT_EQ(written, 5);
  EXPECT_TRUE(p.tileWritten(0, 0) && p.tileWritten(1, 0) && p.tileWritten(0, 1) &&
              p.tileWritten(1, 1) && p.tileWritten(3, 2));
  EXPECT_EQ(p.tileRect(3, 2), (Rect{192, 128, 200, 130}));
}

TEST(Picture, WrittenSinceJoinsTheWrittenTilesIntoRectangles) {
  Picture p(300, 330, 24);  // 5 x 6 tiles, the last row and column partial
  const std::uint64_t start = Picture::WriteClock();
  EXPECT_TRUE(p.writtenSince(start).empty());
  // Two tiles side by side on two tile rows: one rectangle; a lone tile at the far corner.
  p.region(Rect{70, 70, 190, 190});
  p.setPixel(299, 329, kWhite);
  EXPECT_EQ(p.writtenSince(start),
            (std::vector<Rect>{Rect{64, 64, 192, 192}, Rect{256, 320, 300, 330}}));
  // What was written before the clock read `later` is left out.
  const std::uint64_t later = Picture::WriteClock();
  p.setPixel(0, 0, kWhite);
  p.setPixel(64, 70, kWhite);
  EXPECT_EQ(p.writtenSince(later), (std::vector<Rect>{Rect{0, 0, 64, 64}, Rect{64, 64, 128, 128}}));
  // Runs of different columns on neighbouring rows stay apart.
  const std::uint64_t last = Picture::WriteClock();
  p.region(Rect{0, 0, 128, 1});
  p.region(Rect{64, 64, 65, 65});
  EXPECT_EQ(p.writtenSince(last), (std::vector<Rect>{Rect{0, 0, 128, 64}, Rect{64, 64, 128, 128}}));
  // Syncing with a snapshot forgets nothing of this record.
  p.setSyncedWith({});
  EXPECT_FALSE(p.anyTileWritten());
  EXPECT_EQ(p.writtenSince(last).size(), 2u);
  // Runs of the same columns with an unwritten row of tiles between them stay apart too.
  const std::uint64_t gap = Picture::WriteClock();
  p.region(Rect{0, 0, 128, 1});
  p.region(Rect{0, 130, 128, 131});
  EXPECT_EQ(p.writtenSince(gap), (std::vector<Rect>{Rect{0, 0, 128, 64}, Rect{0, 128, 128, 192}}));
}

// The screen paints again the very rectangles written while the picture remembers them, and the
// written tiles once more writes came than it remembers; either way all that was written.
TEST(Picture, WrittenAreasAreTheRectanglesWrittenWhileRemembered) {
  Picture p(300, 330, 24);
  const std::uint64_t start = Picture::WriteClock();
  EXPECT_TRUE(p.writtenAreasSince(start).empty());
  p.region(Rect{70, 70, 190, 190});
  p.setPixel(299, 329, kWhite);
  p.region(Rect{-5, -5, 3, 2});  // clipped to the picture
  EXPECT_EQ(
      p.writtenAreasSince(start),
      (std::vector<Rect>{Rect{70, 70, 190, 190}, Rect{299, 329, 300, 330}, Rect{0, 0, 3, 2}}));
  const std::uint64_t later = Picture::WriteClock();
  p.setPixel(100, 100, kWhite);
  EXPECT_EQ(p.writtenAreasSince(later), (std::vector<Rect>{Rect{100, 100, 101, 101}}));
  // More writes than remembered: the written tiles.
  const std::uint64_t many = Picture::WriteClock();
  for (int i = 0; i <= Picture::kRecentWrites; ++i) p.setPixel(10 * i, 5, kWhite);
  EXPECT_EQ(p.writtenAreasSince(many), p.writtenSince(many));
  EXPECT_EQ(p.writtenAreasSince(many), (std::vector<Rect>{Rect{0, 0, 128, 64}}));
  // A copy remembers what the original did; a resized picture was written everywhere.
  const Picture copy = p;
  EXPECT_EQ(copy.writtenAreasSince(later), p.writtenAreasSince(later));
  const std::uint64_t beforeReset = Picture::WriteClock();
  p.reset(40, 30);
  EXPECT_EQ(p.writtenAreasSince(beforeReset), (std::vector<Rect>{Rect{0, 0, 40, 30}}));
}

// Whoever keeps something made from a picture tells by the identity whether it is still the same
// picture: a copy or a reset one is another, a moved one the same.
TEST(Picture, IdentityChangesWithCopiesAndResetsAndFollowsMoves) {
  Picture a(70, 70, 24);
  const std::uint64_t id = a.identity();
  const Picture copy = a;
  EXPECT_NE(copy.identity(), id);
  Picture moved = std::move(a);
  EXPECT_EQ(moved.identity(), id);
  moved.setPixel(1, 1, kWhite);
  moved.convertTo(32);
  EXPECT_EQ(moved.identity(), id);
  moved.reset(70, 70);
  EXPECT_NE(moved.identity(), id);
  Picture assigned(10, 10, 24);
  const std::uint64_t before = assigned.identity();
  assigned = copy;
  EXPECT_NE(assigned.identity(), before);
  EXPECT_NE(assigned.identity(), copy.identity());
}

TEST(Picture, ReadBgr24DecodesAnyDepth) {
  Picture grey(9, 2, PixelFormat::Grey8());
  grey.setPixel(3, 1, MakeColour(40, 40, 40));
  Picture p16(9, 2, 16);
  p16.setPixel(3, 1, MakeColour(255, 0, 255));
  const Picture* pictures[] = {&grey, &p16};
  for (const Picture* p : pictures) {
    std::uint8_t bgr[3 * 3];
    p->readBgr24(1, 2, 5, bgr);
    for (int x = 2; x < 5; ++x)
      EXPECT_EQ(MakeColour(bgr[3 * (x - 2) + 2], bgr[3 * (x - 2) + 1], bgr[3 * (x - 2)]),
                p->pixel(x, 1))
          << p->bitsPerPixel() << " bits, x " << x;
  }
}

TEST(Picture, RegionAddressesPictureCoordinatesAndClips) {
  Picture p(10, 10, 24);
  MutableView v = p.region(Rect{-5, 8, 3, 20});
  EXPECT_EQ(v.bounds, (Rect{0, 8, 3, 10}));
  v.setPixel(2, 9, MakeColour(1, 2, 3));
  v.setPixel(3, 9, kWhite);  // outside the region: ignored
  EXPECT_EQ(p.pixel(2, 9), MakeColour(1, 2, 3));
  EXPECT_EQ(p.pixel(3, 9), kBlack);
}

TEST(Picture, RefusesPicturesBeyondTheLimit) {
  EXPECT_THROW(Picture(1 << 15, 1 << 14, 24), std::length_error);
  EXPECT_NO_THROW(Picture(0, 0, 24));
}

// The bytes of a big picture just freed serve the next picture of their size; a picture made over
// them holds what it is made with, not what the freed one held; and a bigger request gets bytes it
// can fill.
TEST(PictureBytes, FreedBigBytesServeTheNextPictureOfTheirSize) {
  constexpr int kWidth = 1500, kHeight = 1000;  // 4.5 MB at 24 bits
  const std::uint8_t* freed = nullptr;
  {
    Picture white = Picture::Blank(kWidth, kHeight, PixelFormat::Bgr24(), 255);
    white.setPixel(0, 0, MakeColour(255, 255, 255));  // gives it its bytes
    freed = white.row(0);
  }
  const Picture black(kWidth, kHeight, 24);
  EXPECT_EQ(black.row(0), freed);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; x += 499) ASSERT_EQ(black.pixel(x, y), 0u) << x << ", " << y;

  const std::size_t size = black.byteSize();
  void* bytes = AllocatePictureBytes(size);
  FreePictureBytes(bytes, size);
  void* bigger = AllocatePictureBytes(2 * size);
  std::memset(bigger, 1, 2 * size);
  FreePictureBytes(bigger, 2 * size);
}

}  // namespace
}  // namespace drollo
