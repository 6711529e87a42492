#include "image/picture.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <span>
#include <stdexcept>

#include <sys/mman.h>

#include "image/parallel.h"

namespace drollo {

namespace {
// Blocks from this size on are faulted in ahead, in blocks of kPopulateBlock on every worker.
constexpr std::size_t kPopulateFrom = std::size_t{4} << 20;
constexpr std::size_t kPopulateBlock = std::size_t{1} << 20;
constexpr std::size_t kPage = 4096;

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// The write clock and the source of identities, shared by the pictures of every thread.
std::atomic<std::uint64_t> gWriteClock{0};
std::atomic<std::uint64_t> gIdentities{0};

std::uint64_t NextStamp() {
  return gWriteClock.fetch_add(1, std::memory_order_relaxed) + 1;
}

// Maps the pages of [p, p + n) writable without writing them. One call per block replaces a page
// fault per page, and a page fault costs several times the clearing of its page inside a virtual
// machine. Only advice: a kernel without it (before Linux 5.14) faults the pages in as they are
// written.
void Populate(void* p, std::size_t n) {
  const auto begin = reinterpret_cast<std::uintptr_t>(p) / kPage * kPage;
  const auto end = reinterpret_cast<std::uintptr_t>(p) + n;
  const int blocks = static_cast<int>((end - begin + kPopulateBlock - 1) / kPopulateBlock);
  ForRows(
      0, blocks,
      [&](int b0, int b1) {
        const std::uintptr_t from = begin + b0 * kPopulateBlock;
        const std::uintptr_t to = std::min<std::uintptr_t>(end, begin + b1 * kPopulateBlock);
        madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
      },
      {}, 4);
}

// The bytes of the big picture freed last, kept for the next one of about its size: a command's
// result most often replaces one of the same size, and memory that stays mapped costs neither the
// page faults nor the clearing of fresh pages, work that two threads do hardly faster than one.
// The kept block is let go before a block it cannot serve is taken, so it never adds to the peak
// of the pictures' bytes.
class KeptBlock {
 public:
  // The kept block when it holds n bytes and at most an eighth more; null otherwise, after
  // letting go of the kept block.
  void* take(std::size_t n) {
    void* p = nullptr;
    {
      const std::lock_guard<std::mutex> hold(mutex_);
      std::swap(p, p_);
      if (p != nullptr && n <= size_ && size_ - n <= size_ / 8) return p;
    }
    std::free(p);
    return nullptr;
  }
  // Keeps p, letting go of the block kept before.
  void keep(void* p, std::size_t n) {
    {
      const std::lock_guard<std::mutex> hold(mutex_);
      std::swap(p, p_);
      size_ = n;
    }
    std::free(p);
  }

 private:
  std::mutex mutex_;
  void* p_ = nullptr;
  std::size_t size_ = 0;
};

// Never destroyed: pictures that outlive the statics still free their bytes here.
KeptBlock& Kept() {
  static KeptBlock* const kept = new KeptBlock;
  return *kept;
}

}  // namespace

void* AllocatePictureBytes(std::size_t n) {
  const bool big = n >= kPopulateFrom;
  if (big)
    if (void* p = Kept().take(n)) return p;
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  if (big) Populate(p, n);
  return p;
}

void FreePictureBytes(void* p, std::size_t n) noexcept {
  if (p != nullptr && n >= kPopulateFrom)
    Kept().keep(p, n);
  else
    std::free(p);
}

Rect Rect::intersected(const Rect& o) const {
  Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
         std::min(bottom, o.bottom)};
  if (r.empty()) return Rect{};
  return r;
}

PixelFormat PixelFormat::Bgra32() {
  PixelFormat f;
  f.bitsPerPixel = 32;
  f.redMask = 0x00FF0000u;
  f.greenMask = 0x0000FF00u;
  f.blueMask = 0x000000FFu;
  f.alphaMask = 0xFF000000u;
  return f;
}

PixelFormat PixelFormat::Rgb555() {
  PixelFormat f;
  f.bitsPerPixel = 16;
  f.redMask = 0x7C00u;
  f.greenMask = 0x03E0u;
  f.blueMask = 0x001Fu;
  return f;
}

PixelFormat PixelFormat::Indexed(int bits, std::vector<Bgra> palette) {
  PixelFormat f;
  f.bitsPerPixel = bits;
  f.palette = std::move(palette);
  return f;
}

PixelFormat PixelFormat::Grey8() {
  std::vector<Bgra> grey(256);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    grey[i] = Bgra{v, v, v, 0};
  }
  return Indexed(8, std::move(grey));
}

std::size_t PackedRowBytes(int width, int bitsPerPixel) {
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 7) / 8;
}

namespace {

void CheckSize(int width, int height) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative picture size");
  if (static_cast<std::int64_t>(width) * height > kMaxPicturePixels)
    throw std::length_error("The picture is too large: more than 268435456 pixels.");
}

void CheckDepth(int bits) {
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    throw std::invalid_argument("unsupported pixel depth");
}

// A masked channel scaled to 0..255.
int Channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const std::uint32_t v = (value & mask) >> shift;
  if (bits >= 8) return static_cast<int>(v >> (bits - 8));
  const std::uint32_t max = (1u << bits) - 1;
  return static_cast<int>((v * 255 + max / 2) / max);
}

std::uint32_t Unchannel(int v8, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  std::uint32_t v;
  if (bits >= 8) {
    v = static_cast<std::uint32_t>(v8) << (bits - 8);
  } else {
    const std::uint32_t max = (1u << bits) - 1;
    v = (static_cast<std::uint32_t>(v8) * max + 127) / 255;
  }
  return (v << shift) & mask;
}

void DefaultMasks(PixelFormat& f) {
  if (f.redMask || f.greenMask || f.blueMask) return;
  if (f.bitsPerPixel == 16) {
    f = PixelFormat::Rgb555();
  } else if (f.bitsPerPixel == 32) {
    f = PixelFormat::Bgra32();
  }
}

int IndexAt(const std::uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    default:
      return row[x];
  }
}

void SetIndexAt(std::uint8_t* row, int x, int bits, int index) {
  switch (bits) {
    case 1: {
      const std::uint8_t m = static_cast<std::uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = static_cast<std::uint8_t>(index ? (row[x >> 3] | m) : (row[x >> 3] & ~m));
      break;
    }
    case 4: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0xF))
                  : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0xF) << 4));
      break;
    }
    default:
      row[x] = static_cast<std::uint8_t>(index);
  }
}

// Decodes pixel x of a row of any depth into blue, green, red.
inline void DecodePixel(const PixelFormat& f, const std::uint8_t* row, int x, std::uint8_t* bgr) {
  switch (f.bitsPerPixel) {
    case 24: {
      const std::uint8_t* p = row + 3 * x;
      bgr[0] = p[0];
      bgr[1] = p[1];
      bgr[2] = p[2];
      return;
    }
    case 32:
    case 16: {
      std::uint32_t v;
      if (f.bitsPerPixel == 32) {
        std::memcpy(&v, row + 4 * x, 4);
      } else {
        v = static_cast<std::uint32_t>(row[2 * x]) |
            (static_cast<std::uint32_t>(row[2 * x + 1]) << 8);
      }
      bgr[0] = static_cast<std::uint8_t>(Channel(v, f.blueMask));
      bgr[1] = static_cast<std::uint8_t>(Channel(v, f.greenMask));
      bgr[2] = static_cast<std::uint8_t>(Channel(v, f.redMask));
      return;
    }
    default: {
      const int i = IndexAt(row, x, f.bitsPerPixel);
      if (i < static_cast<int>(f.palette.size())) {
        bgr[0] = f.palette[i].b;
        bgr[1] = f.palette[i].g;
        bgr[2] = f.palette[i].r;
      } else {
        bgr[0] = bgr[1] = bgr[2] = 0;
      }
    }
  }
}

// Whole-picture copies and fills: the bytes of a big picture are written (and their pages faulted
// in) on every worker, in blocks of 1 MB.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

// Up to four blocks are written on the calling thread.
template <typename Body>
void ForBlocks(std::size_t n, const Body& body) {
  const int blocks = static_cast<int>((n + kBlockBytes - 1) / kBlockBytes);
  ForRows(
      0, blocks,
      [&](int b0, int b1) {
        const std::size_t begin = b0 * kBlockBytes;
        body(begin, std::min(n, b1 * kBlockBytes) - begin);
      },
      {}, 4);
}

}  // namespace

std::shared_ptr<Picture::Bytes> Picture::CopyOf(const Bytes& bytes) {
  auto copy = std::make_shared<Bytes>(bytes.size());
  ForBlocks(bytes.size(), [&](std::size_t at, std::size_t n) {
    std::memcpy(copy->data() + at, bytes.data() + at, n);
  });
  return copy;
}

std::shared_ptr<Picture::Bytes> Picture::Filled(std::size_t n, std::uint8_t value) {
  auto bytes = std::make_shared<Bytes>(n);
  ForBlocks(n, [&](std::size_t at, std::size_t m) { std::memset(bytes->data() + at, value, m); });
  return bytes;
}

Picture::Picture(int width, int height, PixelFormat format) : format_(std::move(format)) {
  CheckSize(width, height);
  CheckDepth(format_.bitsPerPixel);
  DefaultMasks(format_);
  if (format_.bitsPerPixel <= 8 && format_.palette.empty()) {
    const int n = 1 << format_.bitsPerPixel;
    for (int i = 0; i < n; ++i) {
      const auto v = static_cast<std::uint8_t>(i * 255 / (n - 1));
      format_.palette.push_back(Bgra{v, v, v, 0});
    }
  }
  width_ = width;
  height_ = height;
  stride_ = PackedRowBytes(width, format_.bitsPerPixel);
  bytes_ = Filled(stride_ * static_cast<std::size_t>(height), 0);
  resizeTiles();
}

Picture::Picture(int width, int height, PixelFormat format, Unfilled) : format_(std::move(format)) {
  CheckSize(width, height);
  CheckDepth(format_.bitsPerPixel);
  DefaultMasks(format_);
  assert(format_.bitsPerPixel > 8);
  width_ = width;
  height_ = height;
  stride_ = PackedRowBytes(width, format_.bitsPerPixel);
  bytes_ = std::make_shared<Bytes>(stride_ * static_cast<std::size_t>(height));
  resizeTiles();
}

Picture::Picture(int width, int height, int bitsPerPixel)
    : Picture(width, height,
              bitsPerPixel == 32   ? PixelFormat::Bgra32()
              : bitsPerPixel == 16 ? PixelFormat::Rgb555()
              : bitsPerPixel <= 8  ? PixelFormat::Indexed(bitsPerPixel, {})
                                   : PixelFormat::Bgr24()) {}

std::uint64_t Picture::NewIdentity() {
  return gIdentities.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint64_t Picture::WriteClock() {
  return gWriteClock.load(std::memory_order_relaxed);
}

void Picture::resizeTiles() {
  tilesX_ = (width_ + kTileSize - 1) / kTileSize;
  tilesY_ = (height_ + kTileSize - 1) / kTileSize;
  latest_ = NextStamp();
  stamps_.assign(static_cast<std::size_t>(tilesX_) * tilesY_, latest_);
  rowStamps_.assign(static_cast<std::size_t>(tilesY_), latest_);
  recent_ = {};
  remember(latest_, rect());
  syncStamp_ = 0;
  identity_ = NewIdentity();
  synced_.reset();
  readers_.clear();
}

Picture::Picture(const Picture& other)
    : width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      stride_(other.stride_),
      bytes_(other.bytes_ ? CopyOf(*other.bytes_) : nullptr),
      fillRow_(other.fillRow_),
      tilesX_(other.tilesX_),
      tilesY_(other.tilesY_),
      stamps_(other.stamps_),
      recent_(other.recent_),
      recentNext_(other.recentNext_),
      rowStamps_(other.rowStamps_),
      latest_(other.latest_),
      syncStamp_(other.syncStamp_),
      synced_(other.synced_) {}

Picture& Picture::operator=(const Picture& other) {
  if (this != &other) {
    Picture copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Picture Picture::Blank(int width, int height, PixelFormat format, std::uint8_t fill) {
  Picture p(0, 0, std::move(format));
  p.reset(width, height, fill);
  return p;
}

std::uint8_t* Picture::data() {
  if (!bytes_ && fillRow_) {
    bytes_ = Filled(byteSize(), (*fillRow_)[0]);
    fillRow_.reset();
  }
  return bytes_ ? bytes_->data() : nullptr;
}

std::uint8_t* Picture::mutableRow(int y) {
  markWritten(Rect{0, y, width_, y + 1});
  return data() + y * stride_;
}

ConstView Picture::view() const {
  assert(format_.bitsPerPixel == 24 || format_.bitsPerPixel == 32);
  return ConstView{row(0), rowStep(), width_, height_, format_.bitsPerPixel / 8};
}

MutableView Picture::region(const Rect& r) {
  const Rect c = r.intersected(rect());
  markWritten(c);
  return writableView(c);
}

MutableView Picture::region(const Rect& r, const std::vector<Rect>& parts) {
  const Rect c = r.intersected(rect());
  markWritten(c, parts);
  return writableView(c);
}

MutableView Picture::writableView(const Rect& c) {
  assert(format_.bitsPerPixel == 24 || format_.bitsPerPixel == 32);
  const int bpp = format_.bitsPerPixel / 8;
  return MutableView{data() + c.top * stride_ + c.left * bpp, static_cast<std::ptrdiff_t>(stride_),
                     c, bpp};
}

TColor Picture::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  std::uint8_t bgr[3];
  DecodePixel(format_, row(y), x, bgr);
  return MakeColour(bgr[2], bgr[1], bgr[0]);
}

void Picture::setPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  markWritten(Rect{x, y, x + 1, y + 1});
  std::uint8_t* r = data() + y * stride_;
  switch (format_.bitsPerPixel) {
    case 24:
      r[3 * x] = static_cast<std::uint8_t>(BlueOf(c));
      r[3 * x + 1] = static_cast<std::uint8_t>(GreenOf(c));
      r[3 * x + 2] = static_cast<std::uint8_t>(RedOf(c));
      return;
    case 32:
      if (format_ == PixelFormat::Bgra32()) {
        // The alpha byte keeps its value: drawing changes colour, not coverage.
        r[4 * x] = static_cast<std::uint8_t>(BlueOf(c));
        r[4 * x + 1] = static_cast<std::uint8_t>(GreenOf(c));
        r[4 * x + 2] = static_cast<std::uint8_t>(RedOf(c));
        return;
      }
      [[fallthrough]];
    case 16: {
      std::uint32_t v = Unchannel(RedOf(c), format_.redMask) |
                        Unchannel(GreenOf(c), format_.greenMask) |
                        Unchannel(BlueOf(c), format_.blueMask);
      if (format_.bitsPerPixel == 32) {
        std::uint32_t old;
        std::memcpy(&old, r + 4 * x, 4);
        v |= old & format_.alphaMask;
        std::memcpy(r + 4 * x, &v, 4);
      } else {
        r[2 * x] = static_cast<std::uint8_t>(v & 0xFF);
        r[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
      }
      return;
    }
    default: {
      int best = 0;
      long bestDistance = -1;
      for (std::size_t i = 0; i < format_.palette.size(); ++i) {
        const Bgra& e = format_.palette[i];
        const long dr = e.r - RedOf(c), dg = e.g - GreenOf(c), db = e.b - BlueOf(c);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
          bestDistance = d;
          best = static_cast<int>(i);
        }
      }
      SetIndexAt(r, x, format_.bitsPerPixel, best);
    }
  }
}

void Picture::assign(const Picture& other) {
  if (this == &other) return;
  const bool sameGeometry = width_ == other.width_ && height_ == other.height_;
  width_ = other.width_;
  height_ = other.height_;
  format_ = other.format_;
  stride_ = other.stride_;
  bytes_ = other.bytes_ ? CopyOf(*other.bytes_) : nullptr;
  fillRow_ = other.fillRow_;
  readers_.clear();  // they read the old bytes, which nothing writes any more
  if (sameGeometry) {
    markAllWritten();
  } else {
    resizeTiles();
  }
}

void Picture::reset(int width, int height, std::uint8_t fill) {
  CheckSize(width, height);
  width_ = width;
  height_ = height;
  stride_ = PackedRowBytes(width, format_.bitsPerPixel);
  if (width > 0 && height > 0) {
    bytes_.reset();
    fillRow_ = std::make_shared<const Bytes>(stride_, fill);
  } else {
    bytes_ = std::make_shared<Bytes>();
    fillRow_.reset();
  }
  resizeTiles();
}

void Picture::convertTo(int bitsPerPixel) {
  if (bitsPerPixel == format_.bitsPerPixel &&
      (bitsPerPixel != 32 || format_ == PixelFormat::Bgra32()))
    return;
  if (bitsPerPixel != 24 && bitsPerPixel != 32)
    throw std::invalid_argument("pictures convert only to 24 or 32 bits");
  Picture out(width_, height_, bitsPerPixel == 24 ? PixelFormat::Bgr24() : PixelFormat::Bgra32());
  const bool hasAlpha = format_.bitsPerPixel == 32 && format_.alphaMask != 0;
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* s = row(y);
    std::uint8_t* d = out.data() + y * out.stride_;
    if (bitsPerPixel == 24) {
      for (int x = 0; x < width_; ++x) DecodePixel(format_, s, x, d + 3 * x);
    } else {
      for (int x = 0; x < width_; ++x) {
        DecodePixel(format_, s, x, d + 4 * x);
        std::uint8_t a = 255;
        if (hasAlpha) {
          std::uint32_t v;
          std::memcpy(&v, s + 4 * x, 4);
          a = static_cast<std::uint8_t>(Channel(v, format_.alphaMask));
        }
        d[4 * x + 3] = a;
      }
    }
  }
  const int w = width_, h = height_;
  format_ = std::move(out.format_);
  stride_ = out.stride_;
  bytes_ = std::move(out.bytes_);
  fillRow_.reset();
  readers_.clear();
  width_ = w;
  height_ = h;
  markAllWritten();
  synced_.reset();
}

void Picture::setPalette(std::vector<Bgra> palette) {
  format_.palette = std::move(palette);
  markAllWritten();
}

void Picture::copyRect(const Picture& src, const Rect& r) {
  assert(src.format_.bitsPerPixel == format_.bitsPerPixel && src.width_ == width_);
  assert(format_.bitsPerPixel >= 8);
  const Rect c = r.intersected(rect()).intersected(src.rect());
  if (c.empty()) return;
  markWritten(c);
  const int bpp = format_.bitsPerPixel / 8;
  std::uint8_t* const bytes = data();
  for (int y = c.top; y < c.bottom; ++y) {
    std::memcpy(bytes + y * stride_ + c.left * bpp, src.row(y) + c.left * bpp,
                static_cast<std::size_t>(c.width()) * bpp);
  }
}

Rect Picture::tileRect(int tx, int ty) const {
  return Rect{tx * kTileSize, ty * kTileSize, std::min(width_, (tx + 1) * kTileSize),
              std::min(height_, (ty + 1) * kTileSize)};
}

bool Picture::anyTileWritten() const {
  return std::any_of(rowStamps_.begin(), rowStamps_.end(),
                     [this](std::uint64_t s) { return s > syncStamp_; });
}

void Picture::markWritten(const Rect& r) {
  const Rect c = r.intersected(rect());
  if (c.empty()) return;
  const TileRange t = stampTiles(c, newWrite(c));
  takeBackTiles(&t, 1);
}

void Picture::markWritten(const Rect& r, const std::vector<Rect>& parts) {
  const Rect c = r.intersected(rect());
  if (c.empty()) return;
  const std::uint64_t now = newWrite(c);
  std::vector<TileRange> ranges;
  ranges.reserve(parts.size());
  for (const Rect& part : parts)
    if (const Rect p = part.intersected(c); !p.empty()) ranges.push_back(stampTiles(p, now));
  takeBackTiles(ranges.data(), ranges.size());
}

std::uint64_t Picture::newWrite(const Rect& c) {
  const std::uint64_t now = NextStamp();
  latest_ = now;
  remember(now, c);
  return now;
}

Picture::TileRange Picture::stampTiles(const Rect& r, std::uint64_t now) {
  const TileRange t{r.left / kTileSize, (r.right - 1) / kTileSize, r.top / kTileSize,
                    (r.bottom - 1) / kTileSize};
  for (int ty = t.ty0; ty <= t.ty1; ++ty) {
    std::uint64_t* s = stamps_.data() + ty * tilesX_;
    std::fill(s + t.tx0, s + t.tx1 + 1, now);
    rowStamps_[ty] = now;
  }
  return t;
}

void Picture::markAllWritten() {
  latest_ = NextStamp();
  std::fill(stamps_.begin(), stamps_.end(), latest_);
  std::fill(rowStamps_.begin(), rowStamps_.end(), latest_);
  remember(latest_, rect());
  takeBackAllTiles();
}

std::vector<Rect> Picture::writtenSince(std::uint64_t stamp) const {
  // Runs of written tiles along each tile row; a run continues the one above it when it spans the
  // same columns.
  std::vector<Rect> areas;
  if (latest_ <= stamp) return areas;
  std::vector<std::size_t> above, here;  // indices into `areas` of the runs of the row above
  for (int ty = 0; ty < tilesY_; ++ty) {
    here.clear();
    if (rowStamps_[ty] <= stamp) {
      above.clear();
      continue;
    }
    const std::uint64_t* s = stamps_.data() + ty * tilesX_;
    for (int tx = 0; tx < tilesX_;) {
      if (s[tx] <= stamp) {
        ++tx;
        continue;
      }
      const int first = tx;
      while (tx < tilesX_ && s[tx] > stamp) ++tx;
      const Rect run{first * kTileSize, ty * kTileSize, std::min(width_, tx * kTileSize),
                     std::min(height_, (ty + 1) * kTileSize)};
      const auto joined = std::find_if(above.begin(), above.end(), [&](std::size_t i) {
        return areas[i].left == run.left && areas[i].right == run.right;
      });
      if (joined != above.end()) {
        areas[*joined].bottom = run.bottom;
        here.push_back(*joined);
      } else {
        here.push_back(areas.size());
        areas.push_back(run);
      }
    }
    std::swap(above, here);
  }
  return areas;
}

void Picture::remember(std::uint64_t stamp, const Rect& r) {
  recent_[recentNext_] = RecentWrite{stamp, r};
  recentNext_ = (recentNext_ + 1) % kRecentWrites;
}

std::vector<Rect> Picture::writtenAreasSince(std::uint64_t stamp) const {
  if (latest_ <= stamp) return {};
  // The oldest write remembered is no later than `stamp`: every later one is remembered.
  if (recent_[recentNext_].stamp > stamp) return writtenSince(stamp);
  std::vector<Rect> areas;
  for (const RecentWrite& w : recent_)
    if (w.stamp > stamp && !w.rect.empty()) areas.push_back(w.rect);
  return areas;
}

void Picture::takeBackTiles(const TileRange* ranges, std::size_t n) {
  if (readers_.empty()) return;
  std::vector<std::shared_ptr<TileReader>> readers;
  int tiles = 0;
  for (const TileRange& t : std::span(ranges, n)) {
    tiles += (t.tx1 - t.tx0 + 1) * (t.ty1 - t.ty0 + 1);
    for (int ty = t.ty0; ty <= t.ty1; ++ty)
      for (int tx = t.tx0; tx <= t.tx1; ++tx) {
        std::weak_ptr<TileReader>& lent = readers_[ty * tilesX_ + tx];
        if (std::shared_ptr<TileReader> reader = lent.lock()) readers.push_back(std::move(reader));
        lent.reset();
      }
  }
  // Each reader copies its own tile: the copies are independent, and many of them (a large patch,
  // or the whole picture) are shared out between the worker threads. A few, as a small brush
  // writes, are copied here without waking the workers. A write over most of the picture lets
  // the tiles that the origin can make again go instead: undoing it is a whole-picture step
  // anyway, and the copies would double the picture's memory.
  const bool most = 2 * tiles >= tilesX_ * tilesY_;
  constexpr int kCopiesPerTask = 16;
  ForRows(
      0, static_cast<int>(readers.size()),
      [&](int first, int last) {
        for (int i = first; i < last; ++i)
          if (most)
            readers[i]->readElsewhere();
          else
            readers[i]->takeOwnCopy();
      },
      {}, kCopiesPerTask);
}

void Picture::takeBackAllTiles() {
  const TileRange all{0, tilesX_ - 1, 0, tilesY_ - 1};
  takeBackTiles(&all, 1);
}

std::shared_ptr<const void> Picture::lendTile(int tx, int ty,
                                              std::weak_ptr<TileReader> reader) const {
  if (!bytes_) return fillRow_;
  if (readers_.empty()) readers_.resize(stamps_.size());
  readers_[ty * tilesX_ + tx] = std::move(reader);
  return bytes_;
}

std::shared_ptr<TileReader> Picture::tileReader(int tx, int ty) const {
  if (readers_.empty()) return nullptr;
  return readers_[ty * tilesX_ + tx].lock();
}

std::uint8_t* Picture::writeTile(int tx, int ty) {
  const Rect r = tileRect(tx, ty);
  markWritten(r);
  return data() + r.top * stride_ + r.left * bitsPerPixel() / 8;
}

std::uint8_t* Picture::overwriteAll() {
  if (!bytes_) return nullptr;
  for (int ty = 0; ty < tilesY_ && !readers_.empty(); ++ty)
    for (int tx = 0; tx < tilesX_; ++tx)
      if (!readers_[ty * tilesX_ + tx].expired() && !tileOrigin(tx, ty)) return nullptr;
  markAllWritten();  // the readers read from the origin from now on
  return bytes_->data();
}

std::uint8_t* Picture::rawData() {
  takeBackAllTiles();
  return data();
}

void Picture::setOrigin(std::shared_ptr<const PictureOrigin> origin) {
  origin_ = std::move(origin);
  originStamp_ = WriteClock();
  originIdentity_ = identity_;
}

std::shared_ptr<const PictureOrigin> Picture::tileOrigin(int tx, int ty) const {
  if (!origin_ || originIdentity_ != identity_ || !bytes_) return nullptr;
  if (stamps_[ty * tilesX_ + tx] > originStamp_) return nullptr;
  return origin_;
}

std::shared_ptr<const Picture> PictureOrigin::picture() const {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (std::shared_ptr<const Picture> p = made_.lock()) return p;
  auto p = std::make_shared<const Picture>(make());
  made_ = p;
  return p;
}

Picture PictureOrigin::makeOwn() const {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (std::shared_ptr<const Picture> p = made_.lock()) return *p;
  return make();
}

void Picture::setSyncedWith(std::weak_ptr<const PictureSnapshot> s) {
  synced_ = std::move(s);
  syncStamp_ = WriteClock();
}

void Picture::readBgr24(int y, int x0, int x1, std::uint8_t* bgr) const {
  const std::uint8_t* r = row(y);
  if (format_.bitsPerPixel == 24) {
    std::memcpy(bgr, r + 3 * x0, static_cast<std::size_t>(x1 - x0) * 3);
    return;
  }
  for (int x = x0; x < x1; ++x, bgr += 3) DecodePixel(format_, r, x, bgr);
}

bool Picture::samePixels(const Picture& other) const {
  if (width_ != other.width_ || height_ != other.height_ || format_ != other.format_) return false;
  if (byteSize() == 0) return true;
  if (bytes_ && other.bytes_)
    return std::memcmp(bytes_->data(), other.bytes_->data(), byteSize()) == 0;
  // A blank picture's rows are all its one row.
  const int rows = blank() && other.blank() ? 1 : height_;
  for (int y = 0; y < rows; ++y)
    if (std::memcmp(row(y), other.row(y), stride_) != 0) return false;
  return true;
}

Picture ToBgr24(const Picture& p) {
  Picture out = p;
  out.convertTo(24);
  return out;
}

void EnsureBgr24(Picture& p) {
  if (p.bitsPerPixel() != 24) p.convertTo(24);
}

}  // namespace drollo
