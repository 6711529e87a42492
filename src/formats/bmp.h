// Windows bitmap files (.bmp), read and written at the depth stored in them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "formats/errors.h"
#include "image/picture.h"

namespace drollo::formats {

// Reads a bitmap file: 1, 4 and 8 bits with a colour table (uncompressed, RLE8, RLE4), 16 bits
// (5-5-5 or bit fields), 24 bits, 32 bits (plain or bit fields); bottom-up or top-down rows;
// core, info, v2 to v5 headers. The picture keeps the file's depth, colour table and masks.
Picture DecodeBmp(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

// Writes a bitmap file at the picture's own depth: an info header (with three masks for 16 and
// 32 bits when they are not the plain ones), or a v5 header when the picture has an alpha mask.
std::vector<std::uint8_t> EncodeBmp(const Picture& picture);

}  // namespace drollo::formats
