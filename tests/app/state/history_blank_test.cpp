// The history of a blank layer: its record holds no tile bytes, edits on it share the blank tiles
// they leave, and undo brings back its pixels (and, after a layer new in every tile, its
// blankness).
#include <gtest/gtest.h>

#include <cstring>

#include "app/state/history.h"
#include "image/bitmap32.h"
#include "support/pictures.h"

namespace drollo {
namespace {

using test::SamePicture;

// 5 x 4 tiles, the last column and row partial.
constexpr int kWidth = 300;
constexpr int kHeight = 200;

Picture FilledWhite() {
  Picture p(kWidth, kHeight, PixelFormat::Bgra32());
  for (int y = 0; y < kHeight; ++y) std::memset(p.mutableRow(y), 255, p.stride());
  return p;
}

// A whole-layer command's result: new bytes, every tile different from white.
TBitmap32 NewLayer() {
  TBitmap32 out(kWidth, kHeight, Picture::Unfilled{});
  for (int y = 0; y < kHeight; ++y)
    for (std::size_t i = 0; i < out.stride(); ++i)
      out.mutableRow(y)[i] = static_cast<std::uint8_t>(i * 7 + y);
  return out;
}

class BlankLayerHistory : public testing::Test {
 protected:
  BlankLayerHistory() {
    layer_.reset(kWidth, kHeight, 255);
    ring_.reset(layer_);
  }

  TBitmap32 layer_;
  HistoryRing ring_;
};

TEST_F(BlankLayerHistory, RecordHoldsNoTileBytes) {
  const PictureSnapshot& s = *ring_.slot(1);
  EXPECT_TRUE(s.blank());
  for (int ty = 0; ty < s.tilesY(); ++ty)
    for (int tx = 0; tx < s.tilesX(); ++tx) {
      EXPECT_TRUE(s.tile(tx, ty)->repeatsOneRow());
      EXPECT_FALSE(s.tile(tx, ty)->readsInPlace());
    }
  // One row of tiles for the full rows, one for the shorter last row: a few rows' bytes.
  EXPECT_LT(ring_.memoryBytes(), layer_.byteSize() / 10);
  EXPECT_TRUE(layer_.blank());
  EXPECT_TRUE(MaterialiseSnapshot(s).blank());
  EXPECT_TRUE(SamePicture(FilledWhite(), MaterialiseSnapshot(s)));
}

TEST_F(BlankLayerHistory, RecordingItAgainSharesTheRecord) {
  ring_.record(layer_);
  EXPECT_EQ(ring_.slot(1)->tileRow(0), ring_.slot(2)->tileRow(0));
  EXPECT_EQ(ring_.slot(1)->tileRow(3), ring_.slot(2)->tileRow(3));
  TBitmap32 other;
  other.reset(kWidth, kHeight, 255);
  ring_.reset(other);  // not synced, but blank with the same value
  EXPECT_TRUE(ring_.slot(1)->blank());
  EXPECT_EQ(ring_.snapshotOf(other), ring_.slotShared(1));
}

TEST_F(BlankLayerHistory, ADrawnLineSharesTheBlankTilesAndUndoes) {
  layer_.setPixel(70, 70, kBlack);  // tile (1, 1)
  ring_.record(layer_);
  const PictureSnapshot& before = *ring_.slot(1);
  const PictureSnapshot& after = *ring_.slot(2);
  for (int ty = 0; ty < before.tilesY(); ++ty)
    for (int tx = 0; tx < before.tilesX(); ++tx)
      EXPECT_EQ(tx == 1 && ty == 1, before.tile(tx, ty) != after.tile(tx, ty));
  EXPECT_FALSE(after.blank());
  const Picture drawn = layer_;
  ring_.undo(layer_);
  EXPECT_TRUE(SamePicture(FilledWhite(), layer_));
  ring_.redo(layer_);
  EXPECT_TRUE(SamePicture(drawn, layer_));
  EXPECT_TRUE(SamePicture(FilledWhite(), MaterialiseSnapshot(before)));
}

// Undoing a layer new in every tile gives the blank layer back as blank: the new layer's bytes
// stay with its record alone, read in place, instead of being copied out tile by tile.
TEST_F(BlankLayerHistory, UndoingANewLayerMakesItBlankAgain) {
  layer_ = NewLayer();
  const TBitmap32 result = layer_;
  ring_.record(layer_);
  ring_.undo(layer_);
  EXPECT_TRUE(layer_.blank());
  EXPECT_TRUE(SamePicture(FilledWhite(), layer_));
  const PictureSnapshot& s = *ring_.slot(2);
  for (int ty = 0; ty < s.tilesY(); ++ty)
    for (int tx = 0; tx < s.tilesX(); ++tx) EXPECT_TRUE(s.tile(tx, ty)->readsInPlace());
  ring_.redo(layer_);
  EXPECT_TRUE(SamePicture(result, layer_));
  layer_.setPixel(0, 0, kBlack);
  ring_.undo(layer_);
  EXPECT_TRUE(SamePicture(FilledWhite(), layer_));
  ring_.redo(layer_);
  EXPECT_TRUE(SamePicture(result, layer_));
}

// Where the new layer left a tile white, the record shares it with the blank one, and undo keeps
// the layer's bytes and writes back only the other tiles: a redo then costs no new layer.
TEST_F(BlankLayerHistory, UndoingANewLayerWithWhiteTilesWritesTheOthersBack) {
  layer_ = NewLayer();
  const MutableView corner = layer_.region(layer_.tileRect(0, 0));
  for (int y = 0; y < Picture::kTileSize; ++y)
    std::memset(corner.row(y), 255, 4 * Picture::kTileSize);
  const TBitmap32 result = layer_;
  ring_.record(layer_);
  EXPECT_EQ(ring_.slot(1)->tile(0, 0), ring_.slot(2)->tile(0, 0));
  ring_.undo(layer_);
  EXPECT_FALSE(layer_.blank());
  EXPECT_TRUE(SamePicture(FilledWhite(), layer_));
  ring_.redo(layer_);
  EXPECT_TRUE(SamePicture(result, layer_));
}

// A blank record with a different value or format is no base to share with.
TEST_F(BlankLayerHistory, OtherValuesAndFormatsAreNotShared) {
  TBitmap32 grey;
  grey.reset(kWidth, kHeight, 128);
  ring_.record(grey);
  EXPECT_TRUE(SamePicture(Picture::Blank(kWidth, kHeight, PixelFormat::Bgra32(), 128),
                          MaterialiseSnapshot(*ring_.slot(2))));
  Picture other = Picture::Blank(kWidth, kHeight, PixelFormat::Bgr24(), 255);
  ring_.record(other);
  EXPECT_EQ(ring_.slot(3)->format(), PixelFormat::Bgr24());
  ring_.undo(other);
  ring_.undo(other);
  EXPECT_TRUE(SamePicture(FilledWhite(), other));
  ring_.redo(other);
  EXPECT_TRUE(other.blank());
  EXPECT_EQ(other.pixel(5, 5), MakeColour(128, 128, 128));
}

TEST_F(BlankLayerHistory, KeptBlankPictureRestoresWithoutBytes) {
  const KeptPicture kept(ring_.slotShared(1));
  layer_ = NewLayer();
  ring_.record(layer_);
  kept.restoreInto(layer_);
  EXPECT_TRUE(layer_.blank());
  EXPECT_TRUE(kept.samePixels(FilledWhite()));
}

}  // namespace
}  // namespace drollo
