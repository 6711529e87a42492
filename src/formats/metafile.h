// Windows metafiles: the placeable metafile writer and the reader interface for .wmf and .emf.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formats/errors.h"
#include "image/picture.h"

namespace drollo::formats {

// Reads a metafile (old Windows or enhanced; told apart by content) and plays it into a new
// 24-bit picture of the metafile's size in pixels.
class MetafileReader {
 public:
  virtual ~MetafileReader() = default;
  virtual Picture Read(std::span<const std::uint8_t> file, const DecodeLimits& limits) const = 0;
};

// The reader built into the program: Windows metafiles (placeable or not) whose drawing consists
// of device-independent bitmaps (StretchDIB, DIBStretchBlt, SetDIBitsToDevice records), as our
// own writer produces. Other drawing records are skipped; enhanced metafiles are refused.
class BitmapMetafileReader : public MetafileReader {
 public:
  Picture Read(std::span<const std::uint8_t> file, const DecodeLimits& limits) const override;
};

// The reader that LoadPictureFile uses unless it is given one: the one a program installed, or
// else the bitmap-only reader above. The core cannot draw, so the desktop program installs the
// reader that plays every record with the platform's painter.
const MetafileReader& BuiltInMetafileReader();
// Installs the reader BuiltInMetafileReader gives (kept, not owned); nullptr goes back to the
// bitmap-only reader.
void InstallMetafileReader(const MetafileReader* reader);

// A placeable Windows metafile of the picture: the 22-byte header (key 9AC6CDD7, bounding box
// (0, 0)-(width, height) at 96 units per inch, checksum), then the records: metafile header,
// anisotropic mapping mode, window origin and extent, one StretchDIB of the picture as a 24-bit
// bitmap, end of file.
std::vector<std::uint8_t> EncodePlaceableMetafile(const Picture& picture);

}  // namespace drollo::formats
