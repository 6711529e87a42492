// HEIF files (HEIC photos, AVIF) through libheif.
#pragma once

#include <cstdint>
#include <span>

#include "formats/errors.h"
#include "formats/metadata.h"
#include "image/picture.h"

namespace drollo::formats {

// The primary picture of a HEIF file (HEVC-coded HEIC, or AV1-coded AVIF) as a 24-bit picture,
// alpha drawn over white. Its rotation, mirroring and cropping properties are applied by libheif;
// the EXIF orientation is applied only to files that have no rotation or mirroring property,
// since where they have one the EXIF tag restates it and would turn the picture twice. The EXIF
// block and the ICC profile are kept in the metadata.
LoadedPicture ReadHeif(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

}  // namespace drollo::formats
