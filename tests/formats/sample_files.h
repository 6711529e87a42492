// Small picture files made byte by byte or with the reference libraries' own writers, for the
// format tests and as seeds of the fuzz targets. No test framework here: the fuzz build uses it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image/picture.h"

namespace drollo::formats::samples {

using Bytes = std::vector<std::uint8_t>;

// Little-endian byte builder.
struct Builder {
  Bytes bytes;
  Builder& u8(unsigned v);
  Builder& u16(unsigned v);
  Builder& u32(std::uint32_t v);
  Builder& raw(const Bytes& b);
};

// A .bmp file: the file header, then `dib` (header, masks, table), then `pixels`.
Bytes BmpFile(const Bytes& dib, const Bytes& pixels);
// An info header (40 bytes) of the given fields.
Bytes InfoHeader(int width, int height, int bits, std::uint32_t compression,
                 std::uint32_t coloursUsed = 0);

// Hand-made bitmaps with their expected colour indices (top row first) or colours.
struct IndexedSample {
  Bytes file;
  int width = 0, height = 0, bits = 0;
  std::vector<Bgra> palette;
  std::vector<int> indices;  // expected, row by row from the top
};
IndexedSample Rle8Sample();
IndexedSample Rle4Sample();
IndexedSample CoreHeader1BitSample();
IndexedSample ShortPaletteSample();  // 8 bits, a table of 2 entries, indices up to 3

struct ColourSample {
  Bytes file;
  Picture expected;  // 24 bits
};
ColourSample TopDown24Sample();
ColourSample BitFields565Sample();
ColourSample V4BitFields32Sample();

// A GIF made with giflib: logical screen screenW x screenH, one image of w x h at (left, top)
// with the given palette (power-of-two size) and indices; transparent < 0 for none.
Bytes GifFile(int screenW, int screenH, int left, int top, int w, int h,
              const std::vector<Bgra>& palette, const std::vector<int>& indices, int transparent,
              bool interlaced);

// An icon directory entry holding a bitmap: 24 or 32 bits (with alpha), with an AND mask.
struct IconImage {
  Bytes data;
  int width = 0, height = 0, bits = 0;
};
// `pixels` are Bgra top row first; `masked` marks the pixels the AND mask makes transparent.
IconImage IconBitmap(int width, int height, int bits, const std::vector<Bgra>& pixels,
                     const std::vector<bool>& masked);
IconImage IconPng(int width, int height, const std::vector<Bgra>& pixels);
Bytes IconFile(const std::vector<IconImage>& images);

// A PNG of 8-bit RGBA pixels (Bgra, top row first), made with libpng.
Bytes PngFile(int width, int height, const std::vector<Bgra>& pixels);

enum class JpegKind { kColour, kGrey, kCmykAdobe, kCmykPlain, kYcckAdobe, kProgressive };
// A JPEG made with libjpeg of a picture filled with one colour given as red, green, blue; the
// CMYK kinds store its ink values, inverted for the Adobe kinds as Adobe writes them.
Bytes JpegFile(JpegKind kind, int width, int height, int red, int green, int blue);

// Seeds for a fuzz target: "bmp", "jpeg", "gif", "icon" or "metafile".
std::vector<std::pair<std::string, Bytes>> FuzzSeeds(const std::string& target);

}  // namespace drollo::formats::samples
