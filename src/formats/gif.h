// GIF files through giflib.
#pragma once

#include <cstdint>
#include <span>

#include "formats/errors.h"
#include "image/picture.h"

namespace drollo::formats {

// The first image of the file as a 24-bit picture of the logical screen's size (enlarged when the
// image reaches past it). The image is drawn at its position on the screen; the rest of the
// screen and the transparent pixels are white.
Picture DecodeGif(std::span<const std::uint8_t> file, const DecodeLimits& limits = {});

}  // namespace drollo::formats
