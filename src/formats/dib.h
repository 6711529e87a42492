// The device-independent bitmap shared by bitmap files, icons and metafile records: a header,
// optional masks and colour table, then the pixel rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/errors.h"
#include "image/picture.h"

namespace drollo::formats::dib {

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6,
};

struct Header {
  std::uint32_t headerSize = 0;
  int width = 0;
  int height = 0;  // rows of the picture (already halved for icons)
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = kRgb;
  PixelFormat format;        // depth, colour table and masks of the result
  std::size_t tableEnd = 0;  // offset just past the header, masks and colour table
};

// Reads the header, masks and colour table at the start of `dib`. The colour table is cut short
// where `tableLimit` (an offset into dib) ends, so files whose table is shorter than the depth
// allows still read. For icons the stored height counts the AND mask too and is halved.
Header ParseHeader(std::span<const std::uint8_t> dib, std::size_t tableLimit, bool icon,
                   const DecodeLimits& limits, const char* what);

// Bytes of one stored row (padded to four bytes).
std::uint64_t StoredRowBytes(int width, int bitsPerPixel);

// Decodes the pixel rows in `bits` (uncompressed or RLE) into a picture of the header's format.
Picture DecodePixels(const Header& h, std::span<const std::uint8_t> bits, const char* what);

// A BITMAPINFOHEADER-based bitmap (header, masks or table, rows bottom-up) of the picture at its
// own depth; the headerless part of a .bmp file and of a metafile's bitmap record.
std::vector<std::uint8_t> Encode(const Picture& picture);
// Offset of the pixel rows within Encode's result.
std::size_t EncodedHeaderBytes(const Picture& picture);

}  // namespace drollo::formats::dib
