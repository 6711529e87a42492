// Metafiles built record by record, for the metafile tests and the metafile fuzz target's seeds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "image/picture.h"

namespace drollo::formats::samples {

using Bytes = std::vector<std::uint8_t>;

// An old Windows metafile: records of 16-bit words, then the header and end record around them.
class WmfBuilder {
 public:
  // A record of 16-bit parameters, in the order they are stored.
  WmfBuilder& record(std::uint16_t function, std::initializer_list<int> words);
  WmfBuilder& record(std::uint16_t function, const Bytes& parameters);  // padded to a word
  int objects = 0;                                                      // the header's count
  Bytes plain() const;
  // With the 22-byte placeable header: bounding box and units per inch.
  Bytes placeable(int left, int top, int right, int bottom, int inch) const;

 private:
  Bytes records_;
  std::uint32_t largest_ = 3;
};

// An enhanced metafile: the header record (bounds in device pixels, frame in hundredths of a
// millimetre, reference device of `devicePixels` over `deviceMm`), the records, the end record.
class EmfBuilder {
 public:
  EmfBuilder(int frameRight, int frameBottom, int devicePixelsX = 1920, int devicePixelsY = 1080,
             int deviceMmX = 508, int deviceMmY = 285);
  EmfBuilder& record(std::uint32_t type, std::initializer_list<std::int32_t> values);
  EmfBuilder& record(std::uint32_t type, const Bytes& parameters);  // padded to 4 bytes
  Bytes bytes() const;

 private:
  int frameRight_, frameBottom_, devX_, devY_, mmX_, mmY_;
  Bytes records_;
  int count_ = 0;
};

// Little-endian parameter bytes.
struct Params {
  Bytes b;
  Params& u8(unsigned v);
  Params& u16(unsigned v);
  Params& u32(std::uint32_t v);
  Params& f32(float v);
  Params& raw(const Bytes& bytes);
};

// The bitmap part of a bitmap record: header, colour table and rows of the picture at its depth.
Bytes PackedDib(const Picture& picture);

// Drawings of rectangles, ellipses, a polygon, lines and text, old and enhanced.
Bytes VectorWmfSample();
Bytes VectorEmfSample();

}  // namespace drollo::formats::samples
