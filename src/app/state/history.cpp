#include "app/state/history.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <stdexcept>
#include <unordered_set>
#include <utility>

#include "image/parallel.h"

namespace drollo {

namespace {

// Byte offset of tile column tx inside a packed picture row. Tiles are a multiple of 8 pixels
// wide, so this is exact for every depth.
std::size_t TileByteOffset(int tx, int bitsPerPixel) {
  return static_cast<std::size_t>(tx) * Picture::kTileSize * bitsPerPixel / 8;
}

struct TileGeometry {
  int top = 0;
  int rows = 0;
  std::size_t offset = 0;    // byte offset in a picture row
  std::size_t rowBytes = 0;  // bytes of one tile row
};

TileGeometry Geometry(int width, int height, int bitsPerPixel, int tx, int ty) {
  const int left = tx * Picture::kTileSize;
  const int right = std::min(width, left + Picture::kTileSize);
  const int top = ty * Picture::kTileSize;
  const int bottom = std::min(height, top + Picture::kTileSize);
  return TileGeometry{top, bottom - top, TileByteOffset(tx, bitsPerPixel),
                      PackedRowBytes(right - left, bitsPerPixel)};
}

// Records tile (tx, ty) of the picture in place. A tile the picture already lends to an earlier
// snapshot is the same record again.
PictureSnapshot::TilePtr LendTile(const Picture& p, const TileGeometry& g, int tx, int ty) {
  if (std::shared_ptr<TileReader> reader = p.tileReader(tx, ty))
    return std::static_pointer_cast<const SnapshotTile>(reader);
  return SnapshotTile::InPlace(p, tx, ty, g.top, g.offset, g.rowBytes, g.rows);
}

bool TileEquals(const Picture& p, const TileGeometry& g, const PictureSnapshot::Tile& tile) {
  return tile.sameRowsAs(p.row(g.top) + g.offset, p.rowStep());
}

// Writes a tile's bytes into the picture; the caller marks the picture synced afterwards.
void PasteTile(Picture& p, int tx, int ty, const PictureSnapshot::Tile& tile) {
  tile.copyRowsTo(p.writeTile(tx, ty), static_cast<std::ptrdiff_t>(p.stride()));
}

// Holds the pictures the origins of some tiles made while those tiles are read, so that one
// picture is made for them all and not one per tile.
class OriginPictures {
 public:
  // Makes the picture for `tile` of `s` unless it holds or reads its bytes. Throws, before any of
  // them is read, when the origin makes a picture of another size or depth.
  void holdFor(const SnapshotTile& tile, const PictureSnapshot& s) {
    std::shared_ptr<const PictureOrigin> origin = tile.originToMake();
    if (!origin) return;
    for (const auto& [o, p] : held_)
      if (o == origin) return;
    std::shared_ptr<const Picture> made = origin->picture();
    if (made->width() != s.width() || made->height() != s.height() ||
        made->bitsPerPixel() != s.format().bitsPerPixel)
      throw std::runtime_error("The opened picture was not made again the same.");
    held_.emplace_back(std::move(origin), std::move(made));
  }

 private:
  std::vector<std::pair<std::shared_ptr<const PictureOrigin>, std::shared_ptr<const Picture>>>
      held_;
};

// The one origin that makes every tile of `s`, or null when some tile holds or reads its bytes.
std::shared_ptr<const PictureOrigin> OneOriginOf(const PictureSnapshot& s) {
  std::shared_ptr<const PictureOrigin> one;
  for (int ty = 0; ty < s.tilesY(); ++ty)
    for (int tx = 0; tx < s.tilesX(); ++tx) {
      std::shared_ptr<const PictureOrigin> o = s.tile(tx, ty)->originToMake();
      if (!o || (one && o != one)) return nullptr;
      one = std::move(o);
    }
  return one;
}

}  // namespace

// --- Tiles ---------------------------------------------------------------------------------------

std::shared_ptr<SnapshotTile> SnapshotTile::InPlace(const Picture& picture, int tx, int ty, int top,
                                                    std::size_t offset, std::size_t rowBytes,
                                                    int rows) {
  auto tile = std::shared_ptr<SnapshotTile>(
      new SnapshotTile(picture.row(top) + offset, picture.rowStep(), rowBytes, rows, nullptr));
  std::shared_ptr<const void> bytes = picture.lendTile(tx, ty, std::weak_ptr<TileReader>(tile));
  if (std::shared_ptr<const PictureOrigin> origin = picture.tileOrigin(tx, ty)) {
    tile->pictureBytes_ = bytes;
    tile->origin_ = std::move(origin);
    tile->top_ = top;
    tile->offset_ = offset;
  } else {
    tile->keepAlive_ = std::move(bytes);
  }
  return tile;
}

SnapshotTile::Readable SnapshotTile::readable(bool make) const {
  if (!origin_) return Readable{first_, stride_, nullptr};
  if (std::shared_ptr<const void> bytes = pictureBytes_.lock())
    return Readable{first_, stride_, std::move(bytes)};
  if (!make) return Readable{};
  std::shared_ptr<const Picture> made = origin_->picture();
  if (top_ + rows_ > made->height() || offset_ + rowBytes_ > made->stride())
    throw std::runtime_error("The opened picture was not made again the same.");
  const std::uint8_t* first = made->row(top_) + offset_;
  return Readable{first, made->rowStep(), std::move(made)};
}

std::shared_ptr<const PictureOrigin> SnapshotTile::originToMake() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return origin_ && pictureBytes_.expired() ? origin_ : nullptr;
}

void SnapshotTile::takeOwnCopy() {
  const std::lock_guard<std::mutex> hold(lock_);
  if (!keepAlive_ && !origin_) return;
  // The picture is about to write where the tile reads: it still holds the bytes.
  const Readable r = readable(false);
  if (r.first) {
    auto own = std::make_unique_for_overwrite<std::uint8_t[]>(rowBytes_ * rows_ + 1);
    for (int y = 0; y < rows_; ++y)
      std::memcpy(own.get() + y * rowBytes_, r.first + y * r.stride, rowBytes_);
    own_ = std::move(own);
    first_ = own_.get();
    stride_ = static_cast<std::ptrdiff_t>(rowBytes_);
    origin_.reset();
    pictureBytes_.reset();
  }
  keepAlive_.reset();
}

void SnapshotTile::ReadInPlaceAgain(const std::shared_ptr<SnapshotTile>& tile,
                                    const Picture& picture, int tx, int ty) {
  std::shared_ptr<const void> bytes = picture.lendTile(tx, ty, std::weak_ptr<TileReader>(tile));
  const std::lock_guard<std::mutex> hold(tile->lock_);
  tile->first_ = picture.row(tile->top_) + tile->offset_;
  tile->stride_ = picture.rowStep();
  tile->pictureBytes_ = bytes;
}

void SnapshotTile::readElsewhere() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    if (origin_) {
      pictureBytes_.reset();
      return;
    }
  }
  takeOwnCopy();
}

void SnapshotTile::copyRowsTo(std::uint8_t* dst, std::ptrdiff_t dstStride) const {
  const std::lock_guard<std::mutex> hold(lock_);
  const Readable r = readable(true);
  for (int y = 0; y < rows_; ++y, dst += dstStride)
    std::memcpy(dst, r.first + y * r.stride, rowBytes_);
}

bool SnapshotTile::sameRowsAs(const std::uint8_t* src, std::ptrdiff_t srcStride) const {
  const std::lock_guard<std::mutex> hold(lock_);
  const Readable r = readable(false);
  if (!r.first) return false;
  for (int y = 0; y < rows_; ++y, src += srcStride)
    if (std::memcmp(r.first + y * r.stride, src, rowBytes_) != 0) return false;
  return true;
}

std::size_t PictureSnapshot::tileRowBytes(int tx) const {
  const int left = tx * Picture::kTileSize;
  return PackedRowBytes(std::min(width_, left + Picture::kTileSize) - left, format_->bitsPerPixel);
}

bool PictureSnapshot::sameGeometry(const Picture& p) const {
  return width_ == p.width() && height_ == p.height() && *format_ == p.format();
}

bool PictureSnapshot::sameGeometry(const PictureSnapshot& s) const {
  return width_ == s.width_ && height_ == s.height_ &&
         (format_ == s.format_ || *format_ == *s.format_);
}

std::shared_ptr<const PictureSnapshot> PictureSnapshot::Capture(const Picture& picture,
                                                                const PictureSnapshot* base) {
  // The snapshot the picture is synced with is the best base: its unwritten tiles need no look.
  const std::shared_ptr<const PictureSnapshot> synced = picture.syncedWith().lock();
  bool trusted = false;
  if (synced && synced->sameGeometry(picture)) {
    base = synced.get();
    trusted = true;
  } else if (base && !base->sameGeometry(picture)) {
    base = nullptr;
  }

  std::shared_ptr<PictureSnapshot> s(new PictureSnapshot);
  s->width_ = picture.width();
  s->height_ = picture.height();
  s->tilesX_ = picture.tilesX();
  s->format_ = base ? base->format_ : std::make_shared<const PixelFormat>(picture.format());
  const int bits = picture.bitsPerPixel();
  s->rows_.reserve(picture.tilesY());

  if (picture.blank()) {
    // Nothing to look at: a blank base of the same value is this snapshot already, and otherwise
    // one row of tiles repeating the picture's row serves every row of tiles but a shorter last.
    s->blank_ = true;
    s->fill_ = picture.row(0)[0];
    if (base && base->blank_ && base->fill_ == s->fill_) {
      s->rows_ = base->rows_;
      return s;
    }
    auto rowOfTiles = [&](int ty) {
      TileRow row(s->tilesX_);
      for (int tx = 0; tx < s->tilesX_; ++tx)
        row[tx] = LendTile(picture, Geometry(s->width_, s->height_, bits, tx, ty), tx, ty);
      return std::make_shared<const TileRow>(std::move(row));
    };
    const int lastRow = picture.tilesY() - 1;
    const TileRowPtr full = rowOfTiles(0);
    const TileRowPtr last = picture.tileRect(0, lastRow).height() == picture.tileRect(0, 0).height()
                                ? full
                                : rowOfTiles(lastRow);
    for (int ty = 0; ty <= lastRow; ++ty) s->rows_.push_back(ty == lastRow ? last : full);
    return s;
  }

  // Which tiles still equal the base's. After a whole-picture command that is every byte of the
  // picture to compare, and the rows of tiles are shared out between the workers; a local edit
  // compares its few tiles here. Recording the tiles stays on this thread.
  std::vector<std::uint8_t> same;
  if (base) {
    same.assign(static_cast<std::size_t>(s->tilesX_) * picture.tilesY(), 0);
    const auto compare = [&](int ty0, int ty1) {
      for (int ty = ty0; ty < ty1; ++ty) {
        const TileRow& baseRow = *base->rows_[ty];
        if (trusted && !picture.tileRowWritten(ty)) {
          std::fill_n(same.begin() + static_cast<std::ptrdiff_t>(ty) * s->tilesX_, s->tilesX_, 1);
          continue;
        }
        for (int tx = 0; tx < s->tilesX_; ++tx)
          same[ty * s->tilesX_ + tx] =
              (trusted && !picture.tileWritten(tx, ty)) ||
              TileEquals(picture, Geometry(s->width_, s->height_, bits, tx, ty), *baseRow[tx]);
      }
    };
    std::size_t toCompare = same.size();
    if (trusted) {
      toCompare = 0;
      for (int ty = 0; ty < picture.tilesY(); ++ty)
        if (picture.tileRowWritten(ty))
          for (int tx = 0; tx < s->tilesX_; ++tx) toCompare += picture.tileWritten(tx, ty);
    }
    ForRows(0, picture.tilesY(), compare, {}, toCompare > 64 ? 1 : picture.tilesY());
  }

  for (int ty = 0; ty < picture.tilesY(); ++ty) {
    const TileRow* baseRow = base ? base->rows_[ty].get() : nullptr;
    const auto sameAt = [&](int tx) { return baseRow && same[ty * s->tilesX_ + tx]; };
    // A row of tiles that all equal the base's is the base's row, looked at without a copy: a
    // local edit leaves most rows so.
    int tx = 0;
    while (tx < s->tilesX_ && sameAt(tx)) ++tx;
    if (baseRow && tx == s->tilesX_) {
      s->rows_.push_back(base->rows_[ty]);
      continue;
    }
    TileRow row(s->tilesX_);
    for (tx = 0; tx < s->tilesX_; ++tx)
      row[tx] = sameAt(tx)
                    ? (*baseRow)[tx]
                    : LendTile(picture, Geometry(s->width_, s->height_, bits, tx, ty), tx, ty);
    s->rows_.push_back(std::make_shared<const TileRow>(std::move(row)));
  }
  return s;
}

void PictureSnapshot::restoreInto(Picture& picture) const {
  // Every tile made by one origin: the picture becomes the origin's picture, made anew, and the
  // tiles read it in place. The picture's old bytes go to the snapshots that read them, uncopied.
  if (std::shared_ptr<const PictureOrigin> origin = OneOriginOf(*this)) {
    Picture made = origin->makeOwn();
    if (made.width() != width_ || made.height() != height_ || made.format() != *format_)
      throw std::runtime_error("The opened picture was not made again the same.");
    picture = std::move(made);
    readInPlaceAgain(picture, std::move(origin));
    return;
  }
  const std::shared_ptr<const PictureSnapshot> synced = picture.syncedWith().lock();
  if (synced && synced->sameGeometry(picture) && sameGeometry(picture)) {
    // Only tiles that differ between the two snapshots or were written since need copying.
    const auto differs = [&](int tx, int ty) {
      const TileRow& from = *synced->rows_[ty];
      const TileRow& to = *rows_[ty];
      return (&from != &to && from[tx] != to[tx]) || picture.tileWritten(tx, ty);
    };
    bool tileByTile = true;
    if (blank_) {
      // Back to blank in every tile: a blank picture holds nothing, where writing the value back
      // would also make the newer snapshot's tiles read in place copy themselves out, and a later
      // redo costs no more from it. When some tiles stay, the picture keeps its bytes and only
      // the tiles that differ are written (a redo then writes back as few).
      int n = 0;
      for (int ty = 0; ty < tilesY(); ++ty)
        for (int tx = 0; tx < tilesX_; ++tx) n += differs(tx, ty);
      tileByTile = !picture.blank() && n < tilesX_ * tilesY();
    }
    if (tileByTile) {
      // Whatever has to be made again is made before the picture changes.
      std::vector<std::pair<int, int>> differing;
      OriginPictures made;
      for (int ty = 0; ty < tilesY(); ++ty)
        for (int tx = 0; tx < tilesX_; ++tx)
          if (differs(tx, ty)) {
            differing.emplace_back(tx, ty);
            made.holdFor(*tile(tx, ty), *this);
          }
      // Pasting over most of the picture is one write: the newer snapshots' tiles that the
      // picture's origin can make let their bytes go instead of copying them.
      if (2 * differing.size() >= static_cast<std::size_t>(tilesX_) * tilesY())
        picture.markAllWritten();
      for (const auto& [tx, ty] : differing) PasteTile(picture, tx, ty, *tile(tx, ty));
      return;
    }
  }
  picture = MaterialiseSnapshot(*this);
}

void PictureSnapshot::readInPlaceAgain(Picture& picture,
                                       std::shared_ptr<const PictureOrigin> origin) const {
  picture.setOrigin(std::move(origin));
  for (int ty = 0; ty < tilesY(); ++ty)
    for (int tx = 0; tx < tilesX_; ++tx)
      SnapshotTile::ReadInPlaceAgain(std::const_pointer_cast<SnapshotTile>(tile(tx, ty)), picture,
                                     tx, ty);
}

Picture MaterialiseSnapshot(const PictureSnapshot& s) {
  Picture p = s.blank() ? Picture::Blank(s.width(), s.height(), s.format(), s.fillByte())
                        : Picture(s.width(), s.height(), s.format());
  // The constructor gives an indexed picture without a table a grey one; keep the recorded table.
  if (p.format().palette != s.format().palette) p.setPalette(s.format().palette);
  assert(p.format() == s.format());
  if (s.blank()) return p;
  OriginPictures made;
  for (int ty = 0; ty < s.tilesY(); ++ty)
    for (int tx = 0; tx < s.tilesX(); ++tx) made.holdFor(*s.tile(tx, ty), s);
  for (int ty = 0; ty < s.tilesY(); ++ty)
    for (int tx = 0; tx < s.tilesX(); ++tx)
      s.tile(tx, ty)->copyRowsTo(p.writeTile(tx, ty), static_cast<std::ptrdiff_t>(p.stride()));
  return p;
}

// --- The ring ------------------------------------------------------------------------------------

void HistoryRing::reset(Picture& current) {
  // Captured before the slots are emptied, so unchanged tiles can still be shared.
  std::shared_ptr<const PictureSnapshot> snapshot =
      PictureSnapshot::Capture(current, slots_[index_ - 1].get());
  for (auto& slot : slots_) slot.reset();
  index_ = 1;
  undoCount_ = 0;
  redoCount_ = 0;
  slots_[0] = snapshot;
  current.setSyncedWith(snapshot);
}

void HistoryRing::record(Picture& current) {
  const PictureSnapshot* previous = slots_[index_ - 1].get();
  index_ = index_ == kSlots ? 1 : index_ + 1;
  // Captured before the slot is overwritten, so the previous snapshot stays alive meanwhile.
  std::shared_ptr<const PictureSnapshot> snapshot = PictureSnapshot::Capture(current, previous);
  slots_[index_ - 1] = snapshot;
  if (undoCount_ < kMaxUndo) ++undoCount_;
  redoCount_ = 0;
  current.setSyncedWith(snapshot);
}

void HistoryRing::restore(Picture& current, int index) {
  const std::shared_ptr<const PictureSnapshot>& snapshot = slots_[index - 1];
  assert(snapshot);
  snapshot->restoreInto(current);
  current.setSyncedWith(snapshot);
}

void HistoryRing::undo(Picture& current) {
  if (undoCount_ <= 0) return;
  // The step counts only once the picture is restored: when its bytes cannot be made again, the
  // picture and the ring stay as they were.
  const int to = index_ == 1 ? kSlots : index_ - 1;
  restore(current, to);
  index_ = to;
  --undoCount_;
  ++redoCount_;
}

void HistoryRing::redo(Picture& current) {
  if (redoCount_ <= 0) return;
  const int to = index_ == kSlots ? 1 : index_ + 1;
  restore(current, to);
  index_ = to;
  ++undoCount_;
  --redoCount_;
}

void KeptPicture::restoreInto(Picture& picture) const {
  if (!snapshot_) {
    picture = Picture();
    return;
  }
  snapshot_->restoreInto(picture);
}

std::shared_ptr<const PictureSnapshot> HistoryRing::snapshotOf(const Picture& current) const {
  const std::shared_ptr<const PictureSnapshot>& showing = slots_[index_ - 1];
  if (showing && current.syncedWith().lock() == showing && !current.anyTileWritten())
    return showing;
  return PictureSnapshot::Capture(current, showing.get());
}

const PictureSnapshot* HistoryRing::slot(int i) const {
  assert(i >= 1 && i <= kSlots);
  return slots_[i - 1].get();
}

std::size_t HistoryRing::memoryBytes() const {
  // Approximate heap cost of a shared allocation's control block.
  constexpr std::size_t kControlBlock = 2 * sizeof(void*) + 2 * sizeof(long);
  std::unordered_set<const void*> seen;
  std::size_t bytes = 0;
  for (const auto& snapshot : slots_) {
    if (!snapshot || !seen.insert(snapshot.get()).second) continue;
    bytes += sizeof(PictureSnapshot) + kControlBlock +
             snapshot->rows_.capacity() * sizeof(PictureSnapshot::TileRowPtr);
    if (seen.insert(snapshot->format_.get()).second)
      bytes += sizeof(PixelFormat) + kControlBlock +
               snapshot->format_->palette.capacity() * sizeof(Bgra);
    for (const auto& row : snapshot->rows_) {
      if (!seen.insert(row.get()).second) continue;
      bytes += sizeof(PictureSnapshot::TileRow) + kControlBlock +
               row->capacity() * sizeof(PictureSnapshot::TilePtr);
      for (const auto& tile : *row) {
        if (!seen.insert(tile.get()).second) continue;
        bytes += sizeof(PictureSnapshot::Tile) + kControlBlock;
        // A tile its origin would make holds no bytes; the origin holds the file's, once.
        if (std::shared_ptr<const PictureOrigin> origin = tile->originToMake()) {
          if (seen.insert(origin.get()).second) bytes += origin->bytesHeld();
          continue;
        }
        bytes += tile->rowBytes() * (tile->repeatsOneRow() ? 1 : tile->rows());
      }
    }
  }
  return bytes;
}

bool UnchangedSince(const Picture& p, const std::weak_ptr<const PictureSnapshot>& snapshot) {
  const std::shared_ptr<const PictureSnapshot> s = snapshot.lock();
  return s && p.syncedWith().lock() == s && !p.anyTileWritten();
}

}  // namespace drollo
