// TIFF files through libtiff.
#pragma once

#include <cstdint>
#include <span>

#include "formats/errors.h"
#include "formats/metadata.h"
#include "image/picture.h"

namespace drollo::formats {

// The first page of a TIFF file as a 24-bit picture: RGB, grey, palette and CMYK at 8 bits (and
// what else libtiff's RGBA interface reads: 1, 2, 4 and 16 bits, YCbCr, most compressions), with
// alpha drawn over white and the orientation tag applied. The ICC profile is kept.
LoadedPicture ReadTiff(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

}  // namespace drollo::formats
