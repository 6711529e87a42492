// The body shared by the fuzz targets: decode the input with a pixel limit that keeps hostile
// size fields from exhausting memory. The limit is small (256 x 256) so that no input costs more
// than a few milliseconds: the decoders take the same paths for a small picture as for a large
// one, and the fuzzer then tries far more inputs in the same time. A PictureFileError is the
// expected answer to bad input; anything else that escapes (another exception, a crash, a sanitizer
// report) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/errors.h"

namespace drollo::formats::fuzz {

constexpr DecodeLimits kFuzzLimits{std::int64_t{1} << 16};

template <typename Decode>
int Run(const std::uint8_t* data, std::size_t size, Decode decode) {
  try {
    decode(std::span<const std::uint8_t>(data, size), kFuzzLimits);
  } catch (const PictureFileError&) {
  }
  return 0;
}

}  // namespace drollo::formats::fuzz
