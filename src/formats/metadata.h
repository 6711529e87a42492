// What a photo carries besides its pixels, kept from opening to saving.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/picture.h"

namespace drollo::formats {

struct PhotoMetadata {
  // EXIF as a TIFF structure (starting "II*\0" or "MM\0*", without JPEG's "Exif\0\0" prefix).
  // Once a picture is loaded its orientation says 1 (the pixels are upright) and it holds no
  // thumbnail, which would show the old orientation or the unedited picture.
  std::vector<std::uint8_t> exif;
  // An ICC colour profile, kept as it was read. Colours are not converted.
  std::vector<std::uint8_t> icc;

  bool empty() const { return exif.empty() && icc.empty(); }
  bool operator==(const PhotoMetadata&) const = default;
};

// An opened picture file: the picture the program works on and the metadata to save with it.
struct LoadedPicture {
  Picture picture;
  PhotoMetadata metadata;
  // How to make the picture again from the file's bytes, when that is much smaller than keeping
  // its pixels; set by LoadPicture, null otherwise.
  std::shared_ptr<const PictureOrigin> origin;
};

}  // namespace drollo::formats
