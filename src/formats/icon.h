// Icon files (.ico) and the PNG images that icons may hold.
#pragma once

#include <cstdint>
#include <span>

#include "formats/errors.h"
#include "image/picture.h"

namespace drollo::formats {

// The largest image of an icon file (by area, then by depth), at its own width and height, as a
// 24-bit picture with its transparent pixels drawn over white. Images may be bitmaps with an AND
// mask (and alpha at 32 bits) or PNG.
Picture DecodeIcon(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

// A PNG image drawn over white, as a 24-bit picture.
Picture DecodePngOverWhite(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

}  // namespace drollo::formats
