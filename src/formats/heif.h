// HEIF files (HEIC photos, AVIF) through libheif.
#pragma once

#include <cstdint>
#include <span>

#include "formats/errors.h"
#include "formats/metadata.h"
#include "image/picture.h"

namespace drollo::formats {

// The primary picture of a HEIF file (HEVC-coded HEIC, or AV1-coded AVIF) as a 24-bit picture,
// alpha drawn over white. Its rotation, mirroring and cropping are applied by libheif from the
// file's own transformation properties; the EXIF orientation, which in HEIF files restates them,
// is not applied a second time. The EXIF block and the ICC profile are kept in the metadata.
LoadedPicture ReadHeif(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

}  // namespace drollo::formats
