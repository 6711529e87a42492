// Pictures for tests, and a comparison that names the first differing pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/picture.h"

namespace drollo::test {

// A 24-bit picture with a smooth but non-symmetric pattern, so warps that read the wrong
// position give different colours.
Picture PatternPicture(int width, int height, std::uint32_t seed = 1);

// A 24-bit picture filled with one colour.
Picture FilledPicture(int width, int height, TColor colour);

// Passes when both pictures have the same size, format and bytes; otherwise lists the first
// differing pixels.
testing::AssertionResult SamePicture(const Picture& expected, const Picture& actual);

// A camera's EXIF block as a TIFF structure (little-endian): the maker "Drollo Test" and the
// orientation (1 to 8), nothing else.
std::vector<std::uint8_t> CameraExif(int orientation);

}  // namespace drollo::test
