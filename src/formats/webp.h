// WebP files through libwebp.
#pragma once

#include <cstdint>
#include <span>

#include "formats/errors.h"
#include "formats/metadata.h"
#include "image/picture.h"

namespace drollo::formats {

// A still WebP (lossy or lossless, with or without alpha), or the first frame of an animated one
// placed on its canvas, as a 24-bit picture with transparency drawn over white. An EXIF chunk's
// orientation is applied; the EXIF and ICCP chunks are kept in the metadata.
LoadedPicture ReadWebp(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

}  // namespace drollo::formats
