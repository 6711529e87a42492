#include "formats/errors.h"

namespace drollo::formats {

void CheckPictureSize(std::int64_t width, std::int64_t height, const DecodeLimits& limits) {
  if (width < 0 || height < 0 || width * height > limits.maxPixels) {
    throw PictureFileError("The picture is too large: " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels (at most " +
                           std::to_string(limits.maxPixels) + " pixels are accepted).");
  }
}

}  // namespace drollo::formats
