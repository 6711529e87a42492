// The working picture and the views through which kernels read and write it.
//
// A Picture keeps what a .bmp file can store: 1, 4 and 8 bits with a colour table, 16 bits and
// 32 bits with channel masks, and 24 bits (blue, green, red). Rows are stored top row first,
// tightly packed (no padding), so row(y) is a plain pointer into one buffer and kernels walk rows
// through pointers. Every effect reads 24 bits; ToBgr24 is the one conversion into that form.
//
// A picture may be blank: every byte one value, held as a single row that every row(y) returns,
// until something writes into it. A blank layer the size of a photograph then costs one row, not
// the photograph's bytes. Every writing access (mutableRow, region, setPixel, writeTile, copyRect,
// rawData) first gives the picture its bytes, filled with that value; const readers see no
// difference, except that view() of a blank picture has stride 0 (every row is the same row).
//
// The picture also keeps a coarse record of where it was written: it is divided into tiles of
// kTileSize x kTileSize pixels, and every writing access stamps the tiles it may touch with the
// time of the write, read from one clock that all pictures share. The edit history uses that
// record to store only the tiles written since the last snapshot and to share the rest, so that
// the cost of recording a local edit follows the edit, not the picture; the screen uses it the
// same way to bring its reduced copy up to date.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "image/pixel_math.h"

namespace drollo {

// Memory for the bytes of big pictures. Blocks of a few megabytes and more have their pages mapped
// ahead, a megabyte per call on every worker: a fresh 36 MB picture then costs 36 calls instead
// of nine thousand page faults, which were most of what a whole-picture command spent. They are
// not offered as huge pages: in a virtual machine whose host takes back free memory, a huge page
// is almost always memory the host has taken back, and the median took eight times as long. The
// big block freed last is kept for the next of about its size (a command's result replacing the
// last one), which then needs no fresh pages at all.
void* AllocatePictureBytes(std::size_t n);
void FreePictureBytes(void* p, std::size_t n) noexcept;

// Leaves new bytes uninitialised where a container would clear them: for the results of the
// whole-picture kernels, which write every byte anyway.
template <typename T>
struct PictureAllocator {
  using value_type = T;
  PictureAllocator() = default;
  template <typename U>
  PictureAllocator(const PictureAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocatePictureBytes(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { FreePictureBytes(p, n * sizeof(T)); }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    if constexpr (sizeof...(Args) == 0)
      ::new (static_cast<void*>(p)) U;
    else
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <typename U>
  bool operator==(const PictureAllocator<U>&) const noexcept {
    return true;
  }
};

class PictureSnapshot;
class PictureOrigin;

// Something that reads a tile of a picture's bytes in place (a snapshot's tile recorded without a
// copy). The picture calls takeOwnCopy() before it writes into that tile; from then on the reader
// keeps the tile's bytes itself.
class TileReader {
 public:
  virtual void takeOwnCopy() = 0;
  // The picture is about to write over most of itself: a reader whose tile the picture's origin
  // can make again (see PictureOrigin) lets go of the bytes instead of copying them; any other
  // takes its own copy.
  virtual void readElsewhere() = 0;

 protected:
  ~TileReader() = default;
};

// Half-open rectangle: left <= x < right, top <= y < bottom.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  Rect intersected(const Rect& o) const;
  bool operator==(const Rect&) const = default;
};

// A colour-table entry or a 32-bit pixel, in file order.
struct Bgra {
  std::uint8_t b = 0, g = 0, r = 0, a = 0;
  bool operator==(const Bgra&) const = default;
};

// How the bits of one pixel are to be read.
struct PixelFormat {
  int bitsPerPixel = 24;      // 1, 4, 8, 16, 24 or 32
  std::vector<Bgra> palette;  // for 1, 4 and 8 bits; may hold fewer entries than the depth allows
  // Channel masks for 16 and 32 bits. 16 bits default to 5-5-5, 32 bits to 8-8-8 with alpha on top.
  std::uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;

  static PixelFormat Bgr24() { return PixelFormat{}; }
  static PixelFormat Bgra32();
  static PixelFormat Rgb555();
  static PixelFormat Indexed(int bits, std::vector<Bgra> palette);
  static PixelFormat Grey8();  // 8 bits with a 256-entry grey table

  bool operator==(const PixelFormat&) const = default;
};

// Bytes of one packed row of `width` pixels at `bitsPerPixel`.
std::size_t PackedRowBytes(int width, int bitsPerPixel);

// A read-only window on 24- or 32-bit pixel rows. The origin is the picture's (0, 0).
struct ConstView {
  const std::uint8_t* data = nullptr;
  std::ptrdiff_t stride = 0;
  int width = 0;
  int height = 0;
  int bytesPerPixel = 3;

  const std::uint8_t* row(int y) const { return data + y * stride; }
  const std::uint8_t* pixel(int x, int y) const { return row(y) + x * bytesPerPixel; }
};

// A writable window on part of a picture: `bounds` in picture coordinates; row(y) and pixel(x, y)
// take picture coordinates too, so a kernel addresses the region as if it were the whole picture.
struct MutableView {
  std::uint8_t* data = nullptr;  // pixel (bounds.left, bounds.top)
  std::ptrdiff_t stride = 0;
  Rect bounds;
  int bytesPerPixel = 3;

  std::uint8_t* row(int y) const {
    return data + (y - bounds.top) * stride - bounds.left * bytesPerPixel;
  }
  std::uint8_t* pixel(int x, int y) const { return row(y) + x * bytesPerPixel; }
  // The single-pixel write of a picture's drawing surface: ignored outside the region.
  void setPixel(int x, int y, TColor c) const {
    if (!bounds.contains(x, y)) return;
    std::uint8_t* p = pixel(x, y);
    p[0] = static_cast<std::uint8_t>(BlueOf(c));
    p[1] = static_cast<std::uint8_t>(GreenOf(c));
    p[2] = static_cast<std::uint8_t>(RedOf(c));
  }
};

class Picture {
 public:
  static constexpr int kTileSize = 64;

  Picture() = default;
  // Copies own their bytes; moves take them along, with the tiles lent to snapshots.
  Picture(const Picture& other);
  Picture& operator=(const Picture& other);
  Picture(Picture&&) noexcept = default;
  Picture& operator=(Picture&&) noexcept = default;
  // A picture of the given size, every byte 0. Indexed formats get a grey table if none is given.
  Picture(int width, int height, PixelFormat format = PixelFormat::Bgr24());
  Picture(int width, int height, int bitsPerPixel);
  // A picture whose bytes are left as the allocator gives them: the caller writes every one.
  struct Unfilled {};
  Picture(int width, int height, PixelFormat format, Unfilled);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  int bitsPerPixel() const { return format_.bitsPerPixel; }
  int bytesPerPixel() const { return format_.bitsPerPixel / 8; }  // 0 below 8 bits
  const PixelFormat& format() const { return format_; }
  // Bytes of one packed row, and of all rows: what rawData() holds, also while the picture is
  // blank and holds one row only.
  std::size_t stride() const { return stride_; }
  std::size_t byteSize() const { return stride_ * static_cast<std::size_t>(height_); }
  Rect rect() const { return Rect{0, 0, width_, height_}; }

  // A blank picture of the given size and format: every byte `fill`, held as one row.
  static Picture Blank(int width, int height, PixelFormat format, std::uint8_t fill);
  // Every byte is the first byte of row(0) and only that one row is held.
  bool blank() const { return !bytes_ && fillRow_; }
  // From row(y) to row(y + 1): stride(), or 0 while the picture is blank.
  std::ptrdiff_t rowStep() const { return bytes_ ? static_cast<std::ptrdiff_t>(stride_) : 0; }

  const std::uint8_t* row(int y) const { return bytes_ ? bytes_->data() + y * stride_ : fill(); }
  // Writable row y. Marks the whole row written; prefer region() for part of a picture.
  std::uint8_t* mutableRow(int y);

  // Views on 24- or 32-bit pictures. region() marks its tiles written and is clipped to the
  // picture.
  ConstView view() const;
  MutableView region(const Rect& r);
  // The view of region(r) for a write that stays inside `parts` (rectangles within r): only their
  // tiles are marked written, and the write is remembered as r.
  MutableView region(const Rect& r, const std::vector<Rect>& parts);

  // Single-pixel read and write of the drawing surface, as colour values. Reads outside give
  // black; writes outside are ignored. Indexed pictures take the nearest colour of their table.
  TColor pixel(int x, int y) const;
  void setPixel(int x, int y, TColor c);

  // Replaces everything (size, format and pixels) by another picture's; marks all written.
  void assign(const Picture& other);
  // Changes the size, keeping the format; every byte becomes `fill`. The picture is then blank.
  void reset(int width, int height, std::uint8_t fill = 0);
  // Converts to another depth in place (24 or 32). 24 to 32 puts 255 into every alpha byte.
  void convertTo(int bitsPerPixel);
  void setPalette(std::vector<Bgra> palette);

  // Copies the pixels of `src` (same format and width) inside r into this picture.
  void copyRect(const Picture& src, const Rect& r);

  // --- Tile bookkeeping, for the edit history and the screen ----------------------------------
  int tilesX() const { return tilesX_; }
  int tilesY() const { return tilesY_; }
  // Tile (tx, ty) covers pixel columns [tx*64, tx*64+64) and rows [ty*64, ty*64+64), clipped.
  Rect tileRect(int tx, int ty) const;
  // Written since the picture was last synced with a snapshot (all tiles, before the first).
  bool tileWritten(int tx, int ty) const { return stamps_[ty * tilesX_ + tx] > syncStamp_; }
  // Some tile of row ty is written since the picture was last synced.
  bool tileRowWritten(int ty) const { return rowStamps_[ty] > syncStamp_; }
  bool anyTileWritten() const;
  void markWritten(const Rect& r);
  void markAllWritten();

  // The write clock: the stamp of the latest write to any picture. Later writes get larger
  // stamps.
  static std::uint64_t WriteClock();
  // A number that no other picture has: a picture made, copied, resized or reset gets a new one,
  // a move carries it along. With the same identity, whatever changed since the write clock read
  // `stamp` lies in writtenSince(stamp).
  std::uint64_t identity() const { return identity_; }
  // The tiles written after the write clock read `stamp`, joined into rectangles: runs of tiles
  // along a tile row, one run below another of the same columns joined too.
  std::vector<Rect> writtenSince(std::uint64_t stamp) const;
  // The same area, as the very rectangles written when the picture still knows them (the last
  // kRecentWrites writes), otherwise as writtenSince gives it: what the screen paints again.
  std::vector<Rect> writtenAreasSince(std::uint64_t stamp) const;
  static constexpr int kRecentWrites = 8;
  // The snapshot this picture was last recorded into or restored from; its unwritten tiles equal
  // that snapshot's. Set by the history only.
  const std::weak_ptr<const PictureSnapshot>& syncedWith() const { return synced_; }
  void setSyncedWith(std::weak_ptr<const PictureSnapshot> s);

  // Lends tile (tx, ty) to `reader`, which reads it in place: before the picture next writes into
  // the tile it calls reader->takeOwnCopy(). Returns what keeps the bytes alive while they are
  // read, also after the picture has moved on to other bytes. One reader per tile: a new one
  // replaces the old. A blank picture lends its one row, which never changes, and keeps no reader.
  std::shared_ptr<const void> lendTile(int tx, int ty, std::weak_ptr<TileReader> reader) const;
  // The reader tile (tx, ty) is lent to, if it is still alive.
  std::shared_ptr<TileReader> tileReader(int tx, int ty) const;
  // The first byte of tile (tx, ty), for writing the whole tile: marks it written.
  std::uint8_t* writeTile(int tx, int ty);

  // What made this picture's bytes and can make them again (see PictureOrigin). A tile keeps it
  // until something writes there; resizing, resetting and assigning drop it.
  void setOrigin(std::shared_ptr<const PictureOrigin> origin);
  // The origin that can make tile (tx, ty) again as it is now, or null when the tile was written
  // since the origin was set.
  std::shared_ptr<const PictureOrigin> tileOrigin(int tx, int ty) const;

  // Pixels [x0, x1) of row y as blue, green, red bytes, whatever the depth.
  void readBgr24(int y, int x0, int x1, std::uint8_t* bgr) const;

  // Exact equality of size, format and pixels.
  bool samePixels(const Picture& other) const;

  // Every byte (rows stride() apart), for a command that writes every one of them without reading
  // any, so that its result needs no new memory. Null when the picture is blank or when writing
  // would make a snapshot copy a tile (one it reads in place that the origin cannot make again);
  // otherwise such snapshots read their tiles from the origin from now on, and every tile is
  // marked written.
  std::uint8_t* overwriteAll();

  // Every byte (rows stride() apart), for writing. Takes every tile back from its readers but
  // marks nothing written: whoever writes through it marks what they write.
  std::uint8_t* rawData();

 private:
  using Bytes = std::vector<std::uint8_t, PictureAllocator<std::uint8_t>>;

  // New bytes: a copy, or n bytes of one value; big ones are written on every worker.
  static std::shared_ptr<Bytes> CopyOf(const Bytes& bytes);
  static std::shared_ptr<Bytes> Filled(std::size_t n, std::uint8_t value);
  static std::uint64_t NewIdentity();
  void resizeTiles();
  // The bytes for writing; a blank picture gets them first, filled with its value.
  std::uint8_t* data();
  // The view of c (inside the picture) for writing, already marked written.
  MutableView writableView(const Rect& c);
  const std::uint8_t* fill() const { return fillRow_ ? fillRow_->data() : nullptr; }
  // Tiles tx0 .. tx1 of rows ty0 .. ty1.
  struct TileRange {
    int tx0, tx1, ty0, ty1;
  };
  // markWritten for a write inside `parts` (within r): their tiles alone are stamped and handed
  // back, the write is remembered as r.
  void markWritten(const Rect& r, const std::vector<Rect>& parts);
  // The stamp of a new write over c (inside the picture), remembered as the latest.
  std::uint64_t newWrite(const Rect& c);
  // Stamps the tiles under r (inside the picture) with `now`; returns them.
  TileRange stampTiles(const Rect& r, std::uint64_t now);
  // Hands the tiles of the n ranges (or all tiles) back from their readers before a write.
  void takeBackTiles(const TileRange* ranges, std::size_t n);
  void takeBackAllTiles();

  int width_ = 0;
  int height_ = 0;
  PixelFormat format_;
  std::size_t stride_ = 0;
  // Shared only with the snapshot tiles that read it in place; never with another picture.
  std::shared_ptr<Bytes> bytes_;
  // While the picture is blank (bytes_ null): its one row. Never written, so shared freely.
  std::shared_ptr<const Bytes> fillRow_;
  int tilesX_ = 0;
  int tilesY_ = 0;
  // Per tile, the write clock's stamp of its last write; the latest of them.
  std::vector<std::uint64_t> stamps_;
  // The last writes' rectangles and stamps, oldest at recentNext_.
  struct RecentWrite {
    std::uint64_t stamp = 0;
    Rect rect;
  };
  std::array<RecentWrite, kRecentWrites> recent_{};
  int recentNext_ = 0;
  void remember(std::uint64_t stamp, const Rect& r);
  // Per row of tiles, the latest of its tiles' stamps: rows written before a time are passed by.
  std::vector<std::uint64_t> rowStamps_;
  std::uint64_t latest_ = 0;
  // The write clock when the picture was last synced with a snapshot.
  std::uint64_t syncStamp_ = 0;
  std::uint64_t identity_ = NewIdentity();
  std::weak_ptr<const PictureSnapshot> synced_;
  // The origin, the write clock when it was set, and the identity then: a tile not written since
  // that time, of a picture with the same identity, is as the origin makes it.
  std::shared_ptr<const PictureOrigin> origin_;
  std::uint64_t originStamp_ = 0;
  std::uint64_t originIdentity_ = 0;
  // Empty, or one entry per tile: the reader of the tile's bytes in place.
  mutable std::vector<std::weak_ptr<TileReader>> readers_;
};

// What made a picture and can make it again byte for byte: for a photograph opened from a file,
// the file's bytes and the reader that decoded them, far smaller than the pixels. A snapshot tile
// that reads such a picture in place, where nothing wrote since, does not keep the picture's bytes
// alive: when the picture lets them go (a whole-picture command gave it new ones), the tile reads
// its bytes from the origin's picture instead, made again when something needs it. So the start
// picture and the first history entry of an opened photograph cost the file, not the pixels, once
// the picture has moved on.
class PictureOrigin {
 public:
  virtual ~PictureOrigin() = default;
  // The picture, still held by another reader or made again. Throws when it cannot be made the
  // same as before; safe on any thread.
  std::shared_ptr<const Picture> picture() const;
  // The picture as a picture of the caller's own: a copy of the one another reader holds, or one
  // made anew for the caller alone.
  Picture makeOwn() const;
  // Bytes this origin keeps (the file's).
  virtual std::size_t bytesHeld() const = 0;

 protected:
  virtual Picture make() const = 0;

 private:
  mutable std::mutex mutex_;
  mutable std::weak_ptr<const Picture> made_;
};

// The one conversion into the form every effect reads: 24 bits, blue, green, red.
Picture ToBgr24(const Picture& p);
// Converts p in place when it is not 24 bits already.
void EnsureBgr24(Picture& p);

// The largest picture the program accepts, in pixels.
constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

}  // namespace drollo
