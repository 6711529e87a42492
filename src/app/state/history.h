// The two edit histories: rings of 100 snapshots of the working picture and of the outline layer.
//
// A snapshot restores exactly the recorded picture (size, depth, colour table and pixels), but it
// is not a full copy: it is a grid of immutable tiles shared with the previous snapshot wherever
// the picture was not written in between. The picture itself records which tiles were written
// since it was last recorded or restored, so recording costs the written tiles only, and undo and
// redo copy back only the tiles that differ between the two snapshots.
//
// A tile is recorded without a copy where it can be: it reads the picture's bytes in place, and the
// picture hands it its own copy just before writing into that tile (see TileReader). A whole-
// picture command's result is new memory that nothing else holds, so recording it costs no copy;
// when the next command replaces the picture, its old bytes stay alive for the snapshot alone. A
// local edit copies the tiles it writes, as it always did, only at the write instead of at the
// record.
//
// A tile of a picture that its origin can make again (an opened photograph's tile that nothing
// wrote since) reads the picture in place without keeping its bytes alive. When the picture lets
// them go, after a command gave it new ones, the tile holds nothing; reading it makes the origin's
// picture again, once for all the tiles read together. Recording never does: such a tile counts as
// different from the picture. A snapshot whose every tile one origin makes is restored by making
// the origin's picture anew as the picture itself: its tiles read it in place once more, and the
// newer snapshots keep the picture's old bytes without copying them.
//
// A blank picture (see Picture::blank) is recorded as blank: its tiles all read the picture's one
// row over and over, no tile holds bytes of its own, and one row of tiles serves every row. The
// picture hands such tiles nothing when it later writes, since that row never changes. Restoring a
// blank snapshot where every tile differs makes the picture blank again instead of writing it.
//
// The grid has two levels. A 6000 x 4000 picture has 94 x 63 tiles; a flat grid of shared
// pointers per snapshot would cost about 95 KB of index each, 10 MB for a full ring. Instead a
// snapshot holds one shared pointer per row of tiles, and a row of tiles is copied (as pointers)
// only when one of its tiles changed, so a local edit costs a few rows of pointers and its tiles.
//
// A snapshot may be read on a second thread (the recovery copy's writer) while the first goes on
// editing the picture. A tile read in place is the one part that changes under such a reader: the
// picture hands it its own copy just before writing where it reads. Each tile therefore has a
// lock, taken by that hand-over and by the copy-out of MaterialiseSnapshot; everything else in a
// snapshot is immutable once captured.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "image/bitmap32.h"
#include "image/picture.h"

namespace drollo {

// The bytes of one tile of a snapshot: `rows()` rows of `rowBytes()` bytes. Its content never
// changes; where it lives does (in place in a picture, then in its own memory).
//
// A tile of a picture that its origin can make again (Picture::tileOrigin) reads the picture in
// place without keeping its bytes alive. Once the picture has let them go, the tile holds no bytes
// at all and reads them from the origin's picture, made again when needed (see PictureOrigin).
class SnapshotTile final : public TileReader {
 public:
  // A tile that reads the rows of tile (tx, ty) of `picture` in place, starting `offset` bytes
  // into row `top`, until the picture writes there. Of a blank picture, a tile that repeats
  // the picture's one row for good.
  static std::shared_ptr<SnapshotTile> InPlace(const Picture& picture, int tx, int ty, int top,
                                               std::size_t offset, std::size_t rowBytes, int rows);

  // Row i, on the thread that edits the picture the tile may read in place, while that picture
  // still holds the bytes.
  const std::uint8_t* row(int i) const { return first_ + i * stride_; }
  std::size_t rowBytes() const { return rowBytes_; }
  int rows() const { return rows_; }
  bool readsInPlace() const {
    return (keepAlive_ != nullptr && stride_ != 0) || (origin_ && !pictureBytes_.expired());
  }
  // Every row is the same row, of a blank picture: the tile holds no bytes of its own.
  bool repeatsOneRow() const { return stride_ == 0; }
  // The origin that would have to make the tile's bytes to read them, or null when the tile holds
  // them or reads them in place.
  std::shared_ptr<const PictureOrigin> originToMake() const;
  // After `picture` was made equal to the origin's picture again, the tile of its origin at
  // (tx, ty) reads it in place once more, as it did before the picture let its bytes go.
  static void ReadInPlaceAgain(const std::shared_ptr<SnapshotTile>& tile, const Picture& picture,
                               int tx, int ty);
  void takeOwnCopy() override;
  void readElsewhere() override;
  // Copies the rows to `dst` (rows `dstStride` bytes apart) under the tile's lock: safe on any
  // thread. A tile whose origin must make its bytes has that done first.
  void copyRowsTo(std::uint8_t* dst, std::ptrdiff_t dstStride) const;
  // Whether the rows equal those at `src` (rows `srcStride` bytes apart). A tile whose origin
  // would have to make its bytes counts as different: a comparison is not worth making them.
  bool sameRowsAs(const std::uint8_t* src, std::ptrdiff_t srcStride) const;

 private:
  SnapshotTile(const std::uint8_t* first, std::ptrdiff_t stride, std::size_t rowBytes, int rows,
               std::shared_ptr<const void> keepAlive)
      : first_(first),
        stride_(stride),
        rowBytes_(rowBytes),
        rows_(rows),
        keepAlive_(std::move(keepAlive)) {}

  // Where the rows are read now, and what keeps them there meanwhile; under the lock.
  struct Readable {
    const std::uint8_t* first = nullptr;
    std::ptrdiff_t stride = 0;
    std::shared_ptr<const void> hold;
  };
  Readable readable(bool make) const;

  const std::uint8_t* first_;
  std::ptrdiff_t stride_;
  std::size_t rowBytes_;
  int rows_;
  std::unique_ptr<std::uint8_t[]> own_;
  std::shared_ptr<const void> keepAlive_;
  // For a tile its origin can make: the picture's bytes it reads in place while they live, the
  // origin, and where the tile lies in the origin's picture.
  std::weak_ptr<const void> pictureBytes_;
  std::shared_ptr<const PictureOrigin> origin_;
  int top_ = 0;
  std::size_t offset_ = 0;
  mutable std::mutex lock_;  // held while the bytes move to own_ and while another thread reads
};

// An immutable record of a picture. Tile (tx, ty) holds the packed bytes of the picture's pixels
// in Picture::tileRect(tx, ty), row by row, each row tileRowBytes(tx) long; for depths below 8
// bits a tile row starts on a byte boundary because tiles are a multiple of 8 pixels wide.
class PictureSnapshot {
 public:
  using Tile = SnapshotTile;
  using TilePtr = std::shared_ptr<const Tile>;
  using TileRow = std::vector<TilePtr>;
  using TileRowPtr = std::shared_ptr<const TileRow>;

  // Records `picture`. Tiles are shared with `base` where the picture is known to equal it:
  // - if the picture is synced with `base` (it was recorded into or restored from it) and has the
  //   same size and format, every unwritten tile is shared without looking at its pixels, and a
  //   written tile is shared only if its bytes turned out equal;
  // - otherwise, if `base` has the same size and format, tiles with equal bytes are shared;
  // - otherwise everything is copied.
  static std::shared_ptr<const PictureSnapshot> Capture(const Picture& picture,
                                                        const PictureSnapshot* base);

  // Makes `picture` equal to this snapshot (size, format and pixels). When the picture is synced
  // with another snapshot of the same size and format, only the tiles that differ between the
  // two snapshots, and those written since, are copied back. Does not mark the picture synced.
  void restoreInto(Picture& picture) const;

  int width() const { return width_; }
  int height() const { return height_; }
  const PixelFormat& format() const { return *format_; }
  int tilesX() const { return tilesX_; }
  int tilesY() const { return static_cast<int>(rows_.size()); }
  // Recorded from a blank picture: every byte is fillByte().
  bool blank() const { return blank_; }
  std::uint8_t fillByte() const { return fill_; }
  const TileRowPtr& tileRow(int ty) const { return rows_[ty]; }
  const TilePtr& tile(int tx, int ty) const { return (*rows_[ty])[tx]; }
  // Bytes of one row of tile column tx.
  std::size_t tileRowBytes(int tx) const;
  // Same size and format as the picture, so tiles correspond one to one.
  bool sameGeometry(const Picture& p) const;
  bool sameGeometry(const PictureSnapshot& s) const;

 private:
  PictureSnapshot() = default;
  // The picture was made by `origin` anew: the tiles, all the origin's, read it in place again
  // instead of making it on every read.
  void readInPlaceAgain(Picture& picture, std::shared_ptr<const PictureOrigin> origin) const;

  int width_ = 0;
  int height_ = 0;
  int tilesX_ = 0;
  bool blank_ = false;
  std::uint8_t fill_ = 0;
  std::shared_ptr<const PixelFormat> format_;
  std::vector<TileRowPtr> rows_;

  friend class HistoryRing;
};

class HistoryRing {
 public:
  static constexpr int kSlots = 100;
  static constexpr int kMaxUndo = 99;

  // Index 1, both counts 0, slot 1 takes the current picture. The other slots are emptied: no
  // step can reach them any more, and they would hold pictures of another size.
  void reset(Picture& current);
  // Steps 1 to 3 and 5 of recording: next slot (101 wraps to 1) takes the picture, undo count + 1
  // up to 99, redo count 0.
  void record(Picture& current);
  // One step back or forward, when there is one; the picture takes the slot's content. When that
  // content cannot be made again (see PictureOrigin) they throw and change nothing.
  void undo(Picture& current);
  void redo(Picture& current);

  // A snapshot of `current` to read elsewhere (on another thread too): the slot showing when the
  // picture still equals it, which costs nothing, else a new capture sharing that slot's tiles.
  std::shared_ptr<const PictureSnapshot> snapshotOf(const Picture& current) const;

  int index() const { return index_; }
  int undoCount() const { return undoCount_; }
  int redoCount() const { return redoCount_; }
  // The snapshot in slot i (1..100), or null when the slot was not filled since the last reset.
  const PictureSnapshot* slot(int i) const;
  std::shared_ptr<const PictureSnapshot> slotShared(int i) const { return slots_[i - 1]; }
  // Bytes held by the ring: the pixel data of each distinct tile counted once (also of tiles read
  // in place, whose memory they keep alive; one row for a tile repeating a blank picture's row),
  // plus the index (rows of tile pointers, snapshot
  // headers, colour tables), each shared part counted once.
  std::size_t memoryBytes() const;

 private:
  void restore(Picture& current, int index);

  std::array<std::shared_ptr<const PictureSnapshot>, kSlots> slots_;
  int index_ = 1;
  int undoCount_ = 0;
  int redoCount_ = 0;
};

// Rebuilds a picture from a snapshot (for tests, tools that need a copy, and the recovery copy's
// writer, on any thread). A blank snapshot gives a blank picture.
Picture MaterialiseSnapshot(const PictureSnapshot& s);

// A picture kept as it was while the working picture moves on: the start picture that renewing
// returns to. It is a snapshot, normally the history's first entry itself, so keeping it costs no
// copy: its tiles read the picture in place until the picture is about to write one of them, and
// only that tile is then copied.
class KeptPicture {
 public:
  KeptPicture() = default;
  explicit KeptPicture(std::shared_ptr<const PictureSnapshot> snapshot)
      : snapshot_(std::move(snapshot)) {}

  bool empty() const { return !snapshot_ || snapshot_->width() == 0 || snapshot_->height() == 0; }
  const PictureSnapshot* snapshot() const { return snapshot_.get(); }
  // Makes `picture` equal to the kept one; when the picture is synced with a snapshot sharing
  // tiles with it, only the tiles that differ are copied back. Marks what it writes.
  void restoreInto(Picture& picture) const;
  // A picture of its own, equal to the kept one.
  Picture copy() const { return snapshot_ ? MaterialiseSnapshot(*snapshot_) : Picture(); }
  bool samePixels(const Picture& p) const { return copy().samePixels(p); }

 private:
  std::shared_ptr<const PictureSnapshot> snapshot_;
};

// Whether `p` equals `snapshot` and was not written since it was recorded into or restored from
// it (the history marks both).
bool UnchangedSince(const Picture& p, const std::weak_ptr<const PictureSnapshot>& snapshot);

}  // namespace drollo
