// JPEG files through libjpeg (libjpeg-turbo).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formats/errors.h"
#include "formats/metadata.h"
#include "image/picture.h"

namespace drollo::formats {

// Colour files give 24 bits (blue, green, red); grayscale files 8 bits with a grey table; CMYK
// and YCCK files (inverted as Adobe writes them when the Adobe marker is present) 24 bits.
// A file that ends early is an error, not a half-grey picture.
Picture DecodeJpeg(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

// The picture as DecodeJpeg gives it, turned upright as its EXIF orientation says, with the
// file's EXIF block (orientation 1, no thumbnail) and ICC profile.
LoadedPicture ReadJpeg(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

// Baseline colour JPEG with quality 90 and the standard tables; pictures of any depth are
// written in colour.
std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality = 90);
// The same with the metadata written in: EXIF in an APP1 segment right after the start of the
// file (a block too large for one segment is left out), the ICC profile in APP2 segments.
std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, const PhotoMetadata& metadata,
                                     int quality = 90);

}  // namespace drollo::formats
