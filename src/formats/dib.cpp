#include "formats/dib.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "formats/byte_reader.h"

namespace drollo::formats {

namespace dib {
namespace {

constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kV5Header = 124;

[[noreturn]] void Corrupt(const char* what, const std::string& detail) {
  throw PictureFileError(std::string(what) + " is not a valid bitmap: " + detail + ".");
}

bool IsPlainMasks(const PixelFormat& f) {
  if (f.bitsPerPixel == 16) return f == PixelFormat::Rgb555();
  return f.redMask == 0x00FF0000u && f.greenMask == 0x0000FF00u && f.blueMask == 0x000000FFu &&
         f.alphaMask == 0;
}

// Clears the bits past the last pixel of a packed row of 1 or 4 bits.
void ClearRowTail(std::uint8_t* row, int width, int bits) {
  const std::size_t usedBits = static_cast<std::size_t>(width) * bits;
  if (usedBits % 8 == 0) return;
  row[usedBits / 8] &= static_cast<std::uint8_t>(0xFF00u >> (usedBits % 8));
}

void SetIndex(std::uint8_t* row, int x, int bits, int index) {
  if (bits == 8) {
    row[x] = static_cast<std::uint8_t>(index);
  } else {
    std::uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0xF))
                : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0xF) << 4));
  }
}

// RLE8 and RLE4: runs and literal groups of colour indices, rows bottom-up. Pixels that the
// data skips (deltas, early line ends) keep index 0. Runs past the row end are clipped.
void DecodeRle(const Header& h, std::span<const std::uint8_t> bits, Picture& out,
               const char* what) {
  const int bpp = h.bitsPerPixel;
  std::uint8_t* base = out.rawData();
  const std::size_t stride = out.stride();
  ByteReader in(bits, what);
  int x = 0;
  int yb = 0;  // row counted from the bottom
  auto put = [&](int index) {
    if (x < h.width && yb < h.height)
      SetIndex(base + static_cast<std::size_t>(h.height - 1 - yb) * stride, x, bpp, index);
    if (x < h.width) ++x;
  };
  while (yb < h.height) {
    const int count = in.u8();
    const int value = in.u8();
    if (count > 0) {
      for (int i = 0; i < count && x < h.width; ++i)
        put(bpp == 8 ? value : ((i & 1) ? (value & 0xF) : (value >> 4)));
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++yb;
        break;
      case 1:  // end of bitmap
        return;
      case 2: {  // delta
        const int dx = in.u8();
        const int dy = in.u8();
        x = std::min(h.width, x + dx);
        yb += dy;
        break;
      }
      default: {  // literal group, padded to an even number of bytes
        const int n = value;
        const std::size_t bytes = bpp == 8 ? n : (n + 1) / 2;
        auto literal = in.bytes(bytes);
        for (int i = 0; i < n && x < h.width; ++i)
          put(bpp == 8 ? literal[i] : ((i & 1) ? (literal[i / 2] & 0xF) : (literal[i / 2] >> 4)));
        if (bytes & 1) in.skip(1);
      }
    }
  }
}

}  // namespace

std::uint64_t StoredRowBytes(int width, int bitsPerPixel) {
  return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 *
         4;
}

Header ParseHeader(std::span<const std::uint8_t> data, std::size_t tableLimit, bool icon,
                   const DecodeLimits& limits, const char* what) {
  ByteReader in(data, what);
  Header h;
  h.headerSize = in.u32();
  std::int64_t width = 0, height = 0;
  std::uint32_t colorsUsed = 0;
  if (h.headerSize == kCoreHeader) {
    width = in.u16();
    height = in.u16();
    in.u16();  // planes
    h.bitsPerPixel = in.u16();
  } else if (h.headerSize >= kInfoHeader && h.headerSize <= kV5Header) {
    width = in.i32();
    height = in.i32();
    in.u16();  // planes
    h.bitsPerPixel = in.u16();
    h.compression = in.u32();
    in.skip(12);  // image size, resolution
    colorsUsed = in.u32();
    in.u32();  // important colours
  } else {
    Corrupt(what, "unknown header size " + std::to_string(h.headerSize));
  }
  if (icon) height /= 2;
  if (height < 0) {
    h.topDown = true;
    height = -height;
  }
  if (width <= 0 || height == 0) Corrupt(what, "the picture has no pixels");
  CheckPictureSize(width, height, limits);
  h.width = static_cast<int>(width);
  h.height = static_cast<int>(height);

  const int bits = h.bitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Corrupt(what, std::to_string(bits) + " bits per pixel are not supported");
  switch (h.compression) {
    case kRgb:
      break;
    case kRle8:
    case kRle4:
      if (bits != (h.compression == kRle8 ? 8 : 4))
        Corrupt(what, "run-length compression does not match the depth");
      if (h.topDown) Corrupt(what, "compressed rows cannot be stored top-down");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (bits != 16 && bits != 32) Corrupt(what, "bit fields need 16 or 32 bits per pixel");
      break;
    case kJpeg:
    case kPng:
      Corrupt(what, "bitmaps holding JPEG or PNG data are not supported");
    default:
      Corrupt(what, "unknown compression " + std::to_string(h.compression));
  }

  h.format.bitsPerPixel = bits;
  in.seek(h.headerSize);
  if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
    ByteReader masks(data, what);
    if (h.headerSize >= 52) {
      masks.seek(kInfoHeader);
    } else {
      masks.seek(h.headerSize);
      in.skip(h.compression == kAlphaBitFields ? 16 : 12);
    }
    h.format.redMask = masks.u32();
    h.format.greenMask = masks.u32();
    h.format.blueMask = masks.u32();
    if (h.compression == kAlphaBitFields || h.headerSize >= 56) h.format.alphaMask = masks.u32();
    if (bits == 16) {
      h.format.redMask &= 0xFFFF;
      h.format.greenMask &= 0xFFFF;
      h.format.blueMask &= 0xFFFF;
      h.format.alphaMask &= 0xFFFF;
    }
    if (!h.format.redMask && !h.format.greenMask && !h.format.blueMask)
      Corrupt(what, "all colour masks are empty");
  } else if (bits == 16) {
    h.format = PixelFormat::Rgb555();
  } else if (bits == 32) {
    // Plain 32 bits: the fourth byte is unused, not alpha.
    h.format.redMask = 0x00FF0000u;
    h.format.greenMask = 0x0000FF00u;
    h.format.blueMask = 0x000000FFu;
  }

  if (bits <= 8) {
    const std::size_t entryBytes = h.headerSize == kCoreHeader ? 3 : 4;
    std::size_t entries = std::size_t{1} << bits;
    if (colorsUsed != 0 && colorsUsed < entries) entries = colorsUsed;
    const std::size_t limit = std::min(tableLimit, data.size());
    const std::size_t room = limit > in.position() ? (limit - in.position()) / entryBytes : 0;
    entries = std::min(entries, room);
    if (entries == 0) Corrupt(what, "the colour table is missing");
    std::vector<Bgra> table(entries);
    for (Bgra& e : table) {
      e.b = in.u8();
      e.g = in.u8();
      e.r = in.u8();
      e.a = entryBytes == 4 ? in.u8() : 0;
    }
    h.format.palette = std::move(table);
  }
  h.tableEnd = in.position();
  return h;
}

Picture DecodePixels(const Header& h, std::span<const std::uint8_t> bits, const char* what) {
  if (h.compression == kRle8 || h.compression == kRle4) {
    Picture out(h.width, h.height, h.format);
    DecodeRle(h, bits, out, what);
    return out;
  }
  // Checked before the picture's memory is taken: the file must hold every row. The padding of
  // the last row may be missing; the pixels may not.
  const std::uint64_t rowBytes = StoredRowBytes(h.width, h.bitsPerPixel);
  const std::size_t packed = PackedRowBytes(h.width, h.bitsPerPixel);
  const std::uint64_t needed = rowBytes * (h.height - 1) + packed;
  if (bits.size() < needed) throw PictureFileError(std::string(what) + " is truncated.");
  Picture out(h.width, h.height, h.format);
  std::uint8_t* base = out.rawData();
  for (int r = 0; r < h.height; ++r) {
    const int y = h.topDown ? r : h.height - 1 - r;
    std::uint8_t* dst = base + static_cast<std::size_t>(y) * packed;
    std::memcpy(dst, bits.data() + r * rowBytes, packed);
    if (h.bitsPerPixel < 8) ClearRowTail(dst, h.width, h.bitsPerPixel);
  }
  return out;
}

std::size_t EncodedHeaderBytes(const Picture& p) {
  const PixelFormat& f = p.format();
  if (f.bitsPerPixel <= 8) {
    std::size_t entries = std::min(f.palette.size(), std::size_t{1} << f.bitsPerPixel);
    return kInfoHeader + 4 * std::max<std::size_t>(entries, 1);
  }
  if (f.bitsPerPixel == 24 || IsPlainMasks(f)) return kInfoHeader;
  if (f.alphaMask != 0) return kV5Header;
  return kInfoHeader + 12;
}

std::vector<std::uint8_t> Encode(const Picture& p) {
  const PixelFormat& f = p.format();
  const int bits = f.bitsPerPixel;
  const std::uint64_t rowBytes = StoredRowBytes(p.width(), bits);
  const std::uint64_t imageBytes = rowBytes * p.height();
  const std::size_t headerBytes = EncodedHeaderBytes(p);
  if (imageBytes + headerBytes + 14 > 0xFFFFFFFFu)
    throw PictureFileError("The picture is too large for a bitmap file.");
  std::vector<std::uint8_t> out;
  out.reserve(headerBytes + imageBytes);

  const bool v5 = headerBytes == kV5Header;
  std::uint32_t compression = kRgb;
  if (bits == 16 || bits == 32) compression = IsPlainMasks(f) ? kRgb : kBitFields;
  std::size_t entries = 0;
  if (bits <= 8) entries = std::min(f.palette.size(), std::size_t{1} << bits);

  PutU32(out, v5 ? kV5Header : kInfoHeader);
  PutU32(out, static_cast<std::uint32_t>(p.width()));
  PutU32(out, static_cast<std::uint32_t>(p.height()));  // positive: rows bottom-up
  PutU16(out, 1);
  PutU16(out, static_cast<std::uint32_t>(bits));
  PutU32(out, compression);
  PutU32(out, static_cast<std::uint32_t>(imageBytes));
  PutU32(out, 3780);  // 96 pixels per inch
  PutU32(out, 3780);
  PutU32(out, bits <= 8 ? static_cast<std::uint32_t>(std::max<std::size_t>(entries, 1)) : 0);
  PutU32(out, 0);
  if (compression == kBitFields) {
    PutU32(out, f.redMask);
    PutU32(out, f.greenMask);
    PutU32(out, f.blueMask);
  }
  if (v5) {
    PutU32(out, f.alphaMask);
    PutU32(out, 0x73524742u);           // colour space "sRGB"
    out.insert(out.end(), 36 + 12, 0);  // end points and gammas, unused for sRGB
    PutU32(out, 4);                     // rendering intent: pictures
    PutU32(out, 0);                     // no profile
    PutU32(out, 0);
    PutU32(out, 0);
  }
  if (bits <= 8) {
    if (entries == 0) {
      PutU32(out, 0);
    } else {
      for (std::size_t i = 0; i < entries; ++i) {
        const Bgra& e = f.palette[i];
        out.push_back(e.b);
        out.push_back(e.g);
        out.push_back(e.r);
        out.push_back(e.a);
      }
    }
  }
  const std::size_t packed = p.stride();
  for (int y = p.height() - 1; y >= 0; --y) {
    const std::uint8_t* row = p.row(y);
    out.insert(out.end(), row, row + packed);
    out.insert(out.end(), rowBytes - packed, 0);
  }
  return out;
}

}  // namespace dib
}  // namespace drollo::formats
