// Pictures for tests, and a comparison that names the first differing pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

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

}  // namespace drollo::test
