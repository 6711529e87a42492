// Errors of the picture file readers and writers, and the limits a decoder works within.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "image/picture.h"

namespace drollo::formats {

// A file that cannot be read or written; what() is the text shown to the user.
class PictureFileError : public std::runtime_error {
 public:
  explicit PictureFileError(const std::string& message) : std::runtime_error(message) {}
};

// An icon file that cannot be read. Kept apart because the caller reports it with its own
// message box and then goes on with an empty picture.
class IconFileError : public PictureFileError {
 public:
  explicit IconFileError(const std::string& message) : PictureFileError(message) {}
};

struct DecodeLimits {
  // Pictures with more pixels are refused before any pixel memory is taken.
  std::int64_t maxPixels = kMaxPicturePixels;
};

// Throws a PictureFileError when a width x height picture is larger than the limits allow.
void CheckPictureSize(std::int64_t width, std::int64_t height, const DecodeLimits& limits);

}  // namespace drollo::formats
