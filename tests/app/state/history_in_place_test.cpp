// Snapshot tiles that read the picture's bytes in place: recording a fresh result copies nothing,
// and no later write, replacement, undo or copy of the picture changes what a snapshot holds.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/state/history.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

void Scribble(Picture& p, const Rect& r, std::uint8_t salt) {
  const MutableView v = p.region(r);
  for (int y = v.bounds.top; y < v.bounds.bottom; ++y)
    for (int x = v.bounds.left; x < v.bounds.right; ++x)
      for (int c = 0; c < v.bytesPerPixel; ++c)
        v.pixel(x, y)[c] = static_cast<std::uint8_t>(v.pixel(x, y)[c] ^ (salt | 1));
}

int TilesInPlace(const PictureSnapshot& s) {
  int n = 0;
  for (int ty = 0; ty < s.tilesY(); ++ty)
    for (int tx = 0; tx < s.tilesX(); ++tx) n += s.tile(tx, ty)->readsInPlace();
  return n;
}

class InPlaceTiles : public testing::Test {
 protected:
  // 5 x 4 tiles, the last column and row partial; never recorded before, like a command's result.
  Picture picture_ = PatternPicture(300, 200, 7);
  const Picture original_ = picture_;
  HistoryRing ring_;
};

TEST_F(InPlaceTiles, RecordingAFreshResultCopiesNothing) {
  ring_.reset(picture_);
  const PictureSnapshot& s = *ring_.slot(1);
  EXPECT_EQ(TilesInPlace(s), 20);
  EXPECT_EQ(s.tile(0, 0)->row(0), picture_.row(0));
  EXPECT_EQ(s.tile(4, 3)->row(0), picture_.row(192) + 3 * 256);
}

TEST_F(InPlaceTiles, WriteTakesBackOnlyItsTilesAndTheSnapshotKeepsTheOldBytes) {
  ring_.reset(picture_);
  Scribble(picture_, Rect{140, 70, 150, 80}, 0x5A);  // inside tile (2, 1) only
  const PictureSnapshot& s = *ring_.slot(1);
  EXPECT_FALSE(s.tile(2, 1)->readsInPlace());
  EXPECT_EQ(TilesInPlace(s), 19);
  EXPECT_TRUE(SamePicture(original_, MaterialiseSnapshot(s)));
  ring_.record(picture_);
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(original_, picture_));
}

// A write in parts (a round patch's rows, band by band) takes back the tiles of its parts alone,
// is remembered whole for the screen, and undoes like any other.
TEST_F(InPlaceTiles, AWriteInPartsTakesBackTheTilesOfItsPartsOnly) {
  ring_.reset(picture_);
  const std::uint64_t before = Picture::WriteClock();
  const Rect box{10, 10, 290, 190};
  const std::vector<Rect> parts{Rect{100, 10, 190, 64}, Rect{10, 64, 290, 128},
                                Rect{150, 130, 160, 140}};
  const MutableView v = picture_.region(box, parts);
  for (const Rect& part : parts)
    for (int y = part.top; y < part.bottom; ++y) std::memset(v.pixel(part.left, y), 0x5A, 3);
  const PictureSnapshot& s = *ring_.slot(1);
  EXPECT_EQ(TilesInPlace(s), 20 - (2 + 5 + 1));
  for (int tx : {1, 2, 3}) EXPECT_EQ(s.tile(tx, 0)->readsInPlace(), tx == 3) << tx;
  EXPECT_FALSE(s.tile(2, 2)->readsInPlace());
  EXPECT_TRUE(s.tile(1, 2)->readsInPlace());
  EXPECT_EQ(picture_.writtenAreasSince(before), std::vector<Rect>{box});
  EXPECT_TRUE(SamePicture(original_, MaterialiseSnapshot(s)));
  ring_.record(picture_);
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(original_, picture_));
}

TEST_F(InPlaceTiles, ReplacedPictureLeavesItsBytesToTheSnapshot) {
  ring_.reset(picture_);
  picture_ = PatternPicture(300, 200, 9);  // the next command's result
  const Picture second = picture_;
  ring_.record(picture_);
  Scribble(picture_, Rect{0, 0, 300, 200}, 0x33);
  EXPECT_TRUE(SamePicture(original_, MaterialiseSnapshot(*ring_.slot(1))));
  EXPECT_TRUE(SamePicture(second, MaterialiseSnapshot(*ring_.slot(2))));
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(original_, picture_));
  ring_.redo(picture_);
  EXPECT_TRUE(SamePicture(second, picture_));
}

// Undo writes tiles back into a picture whose tiles the newer snapshot reads in place: they must
// be taken back first, or the redo would find the undone bytes.
TEST_F(InPlaceTiles, UndoDoesNotOverwriteTheSnapshotItLeaves) {
  ring_.reset(picture_);
  picture_ = PatternPicture(300, 200, 9);
  ring_.record(picture_);
  Scribble(picture_, Rect{10, 10, 20, 20}, 0x21);
  ring_.record(picture_);
  const Picture third = picture_;
  ring_.undo(picture_);
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(original_, picture_));
  ring_.redo(picture_);
  ring_.redo(picture_);
  EXPECT_TRUE(SamePicture(third, picture_));
}

TEST_F(InPlaceTiles, CopiesOwnTheirBytes) {
  ring_.reset(picture_);
  Picture copy = picture_;
  Scribble(copy, copy.rect(), 0x44);
  EXPECT_EQ(TilesInPlace(*ring_.slot(1)), 20);  // the copy's writes concern nobody
  EXPECT_TRUE(SamePicture(original_, MaterialiseSnapshot(*ring_.slot(1))));
  copy = picture_;
  EXPECT_NE(copy.row(0), picture_.row(0));
}

TEST_F(InPlaceTiles, RawAccessTakesEveryTileBack) {
  ring_.reset(picture_);
  picture_.rawData()[0] ^= 0xFF;
  EXPECT_EQ(TilesInPlace(*ring_.slot(1)), 0);
  EXPECT_TRUE(SamePicture(original_, MaterialiseSnapshot(*ring_.slot(1))));
}

}  // namespace
}  // namespace drollo
