// PNG files through libpng: every colour type and depth read, 24- and 32-bit pictures written.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formats/errors.h"
#include "formats/metadata.h"
#include "image/picture.h"

namespace drollo::formats {

// The picture as a 24-bit one: palette, grey, 16-bit and interlaced files are expanded, and
// transparency (alpha or a tRNS colour) is drawn over white. An eXIf chunk's orientation is
// applied; the EXIF block and the ICC profile (iCCP) are kept in the metadata.
LoadedPicture ReadPng(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

// Throws PictureFileError when a chunk of the file claims more bytes than follow it. libpng takes
// memory for a whole ancillary chunk (eXIf, iCCP) before reading it, so a damaged length would
// have it allocate up to 2 GiB for a file of a hundred bytes.
void CheckPngChunkLengths(std::span<const std::uint8_t> file);

// A lossless PNG: 8-bit RGB for a 24-bit picture (and for every depth but 32), 8-bit RGBA for a
// 32-bit picture, whose fourth bytes are written as its alpha. The ICC profile goes into an iCCP
// chunk (left out when libpng finds it malformed) and the EXIF block into an eXIf chunk.
std::vector<std::uint8_t> EncodePng(const Picture& picture, const PhotoMetadata& metadata = {});

}  // namespace drollo::formats
