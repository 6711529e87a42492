// Snapshots of a picture that its origin can make again (an opened photograph): once the picture
// has let its bytes go, the snapshots hold none of them, and undo, renewing and copies make the
// picture again, once for all tiles, and exactly as it was.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "app/state/history.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::PatternPicture;
using test::SamePicture;

class CountingOrigin final : public PictureOrigin {
 public:
  explicit CountingOrigin(Picture made) : made_(std::move(made)) {}
  std::size_t bytesHeld() const override { return 1000; }
  int made() const { return count_; }

 protected:
  Picture make() const override {
    ++count_;
    return made_;
  }

 private:
  Picture made_;
  mutable std::atomic<int> count_{0};
};

int TilesInPlace(const PictureSnapshot& s) {
  int n = 0;
  for (int ty = 0; ty < s.tilesY(); ++ty)
    for (int tx = 0; tx < s.tilesX(); ++tx) n += s.tile(tx, ty)->readsInPlace();
  return n;
}

void Scribble(Picture& p, const Rect& r) {
  const MutableView v = p.region(r);
  for (int y = v.bounds.top; y < v.bounds.bottom; ++y)
    for (int x = v.bounds.left; x < v.bounds.right; ++x) v.pixel(x, y)[1] ^= 0x5A;
}

class OriginTiles : public testing::Test {
 protected:
  void SetUp() override {
    picture_.markAllWritten();  // as the file's reader leaves it
    picture_.setOrigin(origin_);
    ring_.reset(picture_);
  }

  // 5 x 4 tiles, the last column and row partial.
  const Picture opened_ = PatternPicture(300, 200, 7);
  Picture picture_ = opened_;
  std::shared_ptr<CountingOrigin> origin_ = std::make_shared<CountingOrigin>(opened_);
  HistoryRing ring_;
};

TEST_F(OriginTiles, AReplacedPictureLeavesNoBytesBehindAndUndoMakesItAgainOnce) {
  EXPECT_GE(ring_.memoryBytes(), opened_.byteSize());  // read in place while the picture has them
  picture_ = PatternPicture(300, 200, 9);              // a whole-picture command's result
  const Picture second = picture_;
  EXPECT_LT(ring_.memoryBytes(), opened_.byteSize() / 4);
  ring_.record(picture_);
  EXPECT_EQ(origin_->made(), 0);  // recording compares nothing with what is not there

  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(opened_, picture_));
  EXPECT_EQ(origin_->made(), 1);
  EXPECT_EQ(TilesInPlace(*ring_.slot(2)), 20);  // the result's bytes went to its entry, uncopied
  // Restored whole, the picture is the origin's again and the tiles read it in place: a copy
  // makes nothing, and the picture's bytes go as they went before.
  EXPECT_TRUE(SamePicture(opened_, MaterialiseSnapshot(*ring_.slot(1))));
  EXPECT_EQ(origin_->made(), 1);
  ring_.redo(picture_);
  EXPECT_TRUE(SamePicture(second, picture_));
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(opened_, picture_));
  picture_ = PatternPicture(300, 200, 11);
  EXPECT_LT(ring_.memoryBytes(), opened_.byteSize() * 5 / 4);  // the second entry's copies
  ring_.record(picture_);
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(opened_, picture_));
}

TEST_F(OriginTiles, ALocalEditKeepsItsTilesOldBytesSoItsUndoMakesNothing) {
  Scribble(picture_, Rect{140, 70, 150, 80});  // tile (2, 1)
  ring_.record(picture_);
  Scribble(picture_, Rect{10, 10, 20, 20});  // tile (0, 0), written after the origin's time
  ring_.record(picture_);
  ring_.undo(picture_);
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(opened_, picture_));
  EXPECT_EQ(origin_->made(), 0);

  // Replaced after local edits: the edited tiles come from their copies, the rest from the origin.
  ring_.redo(picture_);
  const Picture edited = picture_;
  picture_ = PatternPicture(300, 200, 9);
  ring_.record(picture_);
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(edited, picture_));
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(opened_, picture_));
}

// A write over most of the picture in place (a whole-picture command working on the picture's
// own bytes) costs no copies of what the origin can make; a local one keeps its copies.
TEST_F(OriginTiles, AWriteOverMostOfThePictureLetsTheOriginKeepTheOldBytes) {
  Scribble(picture_, Rect{0, 0, 300, 100});  // 10 of 20 tiles
  ring_.record(picture_);
  EXPECT_LT(ring_.memoryBytes(), opened_.byteSize() * 5 / 4);  // with copies 3 / 2
  EXPECT_EQ(origin_->made(), 0);
  ring_.undo(picture_);
  EXPECT_TRUE(SamePicture(opened_, picture_));
  EXPECT_EQ(origin_->made(), 1);
}

TEST_F(OriginTiles, CopiesOfTheKeptPictureMakeItOnceForAllTiles) {
  const KeptPicture kept(ring_.slotShared(1));
  picture_ = PatternPicture(300, 200, 9);
  EXPECT_TRUE(SamePicture(opened_, kept.copy()));
  EXPECT_EQ(origin_->made(), 1);
  kept.restoreInto(picture_);
  EXPECT_TRUE(SamePicture(opened_, picture_));
}

TEST_F(OriginTiles, TilesWrittenBeforeTheRecordKeepTheirBytes) {
  // Written after the origin's time but before the snapshot: the origin cannot make this tile.
  Picture p = opened_;
  p.markAllWritten();
  p.setOrigin(origin_);
  Scribble(p, Rect{200, 130, 210, 140});  // tile (3, 2)
  const Picture written = p;
  HistoryRing ring;
  ring.reset(p);
  p = PatternPicture(300, 200, 9);
  ring.record(p);
  ring.undo(p);
  EXPECT_TRUE(SamePicture(written, p));
}

TEST_F(OriginTiles, AnOriginThatCannotMakeThePictureLeavesPictureAndRingAsTheyWere) {
  Picture p = opened_;
  p.markAllWritten();
  p.setOrigin(std::make_shared<CountingOrigin>(PatternPicture(300, 100, 7)));
  HistoryRing ring;
  ring.reset(p);
  p = PatternPicture(300, 200, 9);
  const Picture second = p;
  ring.record(p);
  EXPECT_THROW(ring.undo(p), std::runtime_error);
  EXPECT_TRUE(SamePicture(second, p));
  EXPECT_EQ(ring.index(), 2);
  EXPECT_EQ(ring.undoCount(), 1);
  EXPECT_EQ(ring.redoCount(), 0);
}

}  // namespace
}  // namespace drollo
