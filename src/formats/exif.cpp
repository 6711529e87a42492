// The blocks are TIFF structures: a byte-order mark, an offset to the first image directory
// (IFD0), and directories of 12-byte entries whose values sit in the entry when they fit in four
// bytes and elsewhere in the block otherwise. IFD0 links to the EXIF, GPS and (through the EXIF
// directory) interoperability directories by offset tags, and to IFD1, the thumbnail's, by its
// "next directory" field. Rewriting is done in place on a copy, so tags we do not know (maker
// notes included) keep their bytes and offsets.
#include "formats/exif.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace drollo::formats {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kExifDirectoryTag = 0x8769;
constexpr std::uint16_t kGpsDirectoryTag = 0x8825;
constexpr std::uint16_t kInteropDirectoryTag = 0xA005;
constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kLongType = 4;
constexpr std::uint16_t kIfdType = 13;
constexpr int kMaxDirectories = 16;

class Tiff {
 public:
  explicit Tiff(std::span<const std::uint8_t> b) : b_(b) {
    if (b.size() < 8) return;
    if (b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) {
      little_ = true;
    } else if (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42) {
      little_ = false;
    } else {
      return;
    }
    valid_ = true;
  }
  bool valid() const { return valid_; }
  bool little() const { return little_; }
  std::size_t size() const { return b_.size(); }

  bool has(std::uint64_t at, std::uint64_t n) const {
    return at <= b_.size() && n <= b_.size() - at;
  }
  std::uint16_t u16(std::size_t at) const {
    return little_ ? static_cast<std::uint16_t>(b_[at] | (b_[at + 1] << 8))
                   : static_cast<std::uint16_t>((b_[at] << 8) | b_[at + 1]);
  }
  std::uint32_t u32(std::size_t at) const {
    const std::uint32_t a = b_[at], b = b_[at + 1], c = b_[at + 2], d = b_[at + 3];
    return little_ ? a | (b << 8) | (c << 16) | (d << 24) : (a << 24) | (b << 16) | (c << 8) | d;
  }

 private:
  std::span<const std::uint8_t> b_;
  bool little_ = true;
  bool valid_ = false;
};

std::uint64_t TypeSize(std::uint16_t type) {
  switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
      return 1;
    case 3:
    case 8:
      return 2;
    case 4:
    case 9:
    case 11:
    case 13:
      return 4;
    case 5:
    case 10:
    case 12:
      return 8;
    default:
      return 0;
  }
}

// A directory at `offset` that lies wholly inside the block: its entry count, or -1.
int EntryCount(const Tiff& t, std::uint64_t offset) {
  if (offset < 8 || !t.has(offset, 2)) return -1;
  const int n = t.u16(offset);
  return t.has(offset + 2, 12ull * n + 4) ? n : -1;
}

// The position of IFD0's orientation value, or 0 when it has none of the usual form.
std::size_t OrientationAt(const Tiff& t) {
  const std::uint32_t ifd0 = t.u32(4);
  const int n = EntryCount(t, ifd0);
  for (int i = 0; i < n; ++i) {
    const std::size_t e = ifd0 + 2 + 12 * static_cast<std::size_t>(i);
    // One value (two still fit in the entry; more would be stored elsewhere).
    const std::uint32_t count = t.u32(e + 4);
    if (t.u16(e) == kOrientationTag && t.u16(e + 2) == kShortType && (count == 1 || count == 2))
      return e + 8;
  }
  return 0;
}

// The end of everything a directory and the directories it links to (not its "next") use.
void MarkUsed(const Tiff& t, std::uint64_t offset, std::set<std::uint64_t>& seen,
              std::uint64_t& end) {
  const int n = EntryCount(t, offset);
  if (n < 0 || seen.size() >= kMaxDirectories || !seen.insert(offset).second) return;
  end = std::max<std::uint64_t>(end, offset + 2 + 12ull * n + 4);
  for (int i = 0; i < n; ++i) {
    const std::size_t e = offset + 2 + 12 * static_cast<std::size_t>(i);
    const std::uint16_t tag = t.u16(e), type = t.u16(e + 2);
    const std::uint64_t bytes = TypeSize(type) * t.u32(e + 4);
    if (bytes > 4 && t.has(t.u32(e + 8), bytes))
      end = std::max<std::uint64_t>(end, t.u32(e + 8) + bytes);
    const bool link =
        tag == kExifDirectoryTag || tag == kGpsDirectoryTag || tag == kInteropDirectoryTag;
    if (link && (type == kLongType || type == kIfdType)) MarkUsed(t, t.u32(e + 8), seen, end);
  }
}

void Put16(std::vector<std::uint8_t>& b, std::size_t at, bool little, std::uint16_t v) {
  b[at + (little ? 0 : 1)] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + (little ? 1 : 0)] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> exif) {
  const Tiff t(exif);
  if (!t.valid()) return 1;
  const std::size_t at = OrientationAt(t);
  if (at == 0) return 1;
  const int v = t.u16(at);
  return v >= 1 && v <= 8 ? v : 1;
}

std::vector<std::uint8_t> UprightExif(std::span<const std::uint8_t> exif) {
  const Tiff t(exif);
  if (!t.valid()) return {};
  const std::uint32_t ifd0 = t.u32(4);
  const int n = EntryCount(t, ifd0);
  if (n < 0) return {};
  std::vector<std::uint8_t> out(exif.begin(), exif.end());
  if (const std::size_t at = OrientationAt(t)) Put16(out, at, t.little(), 1);

  std::set<std::uint64_t> seen;
  std::uint64_t used = 8;
  MarkUsed(t, ifd0, seen, used);
  const std::size_t next = ifd0 + 2 + 12 * static_cast<std::size_t>(n);
  const std::uint32_t ifd1 = t.u32(next);
  std::memset(out.data() + next, 0, 4);
  // Writers put the thumbnail's directory and picture last; cut them off when they are.
  if (ifd1 != 0 && ifd1 >= used && used < out.size()) out.resize(used);
  return out;
}

std::span<const std::uint8_t> ExifFromApp1(std::span<const std::uint8_t> payload) {
  static constexpr std::uint8_t kPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (payload.size() < 6 || std::memcmp(payload.data(), kPrefix, 6) != 0) return {};
  return payload.subspan(6);
}

}  // namespace drollo::formats
