// A small reader of EXIF blocks: the orientation tag, and the block made ready to be written
// again with upright pixels. EXIF comes from files as they are found, so every offset is checked;
// a damaged block is treated as absent rather than stopping a picture from opening.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace drollo::formats {

// The orientation (1 to 8) in the first image directory of a TIFF-structured EXIF block, or 1
// when the block is damaged or has no valid orientation.
int ExifOrientation(std::span<const std::uint8_t> exif);

// The block with its orientation set to 1 and its thumbnail (the second image directory) dropped:
// the link to it is cleared, and its bytes are cut off when they lie after everything else.
// Empty when the block is not a readable TIFF structure.
std::vector<std::uint8_t> UprightExif(std::span<const std::uint8_t> exif);

// The TIFF structure inside a JPEG APP1 payload ("Exif\0\0" followed by it), or an empty span.
std::span<const std::uint8_t> ExifFromApp1(std::span<const std::uint8_t> payload);

}  // namespace drollo::formats
