// Turning a stored picture upright as its EXIF or TIFF orientation says.
#pragma once

#include "formats/metadata.h"
#include "image/picture.h"

namespace drollo::formats {

// The picture as it is meant to be seen, for orientations 1 to 8 (the values of the EXIF and
// TIFF orientation tag: 0th row at top/bottom/left/right, 0th column at left/right/top/bottom).
// Orientations 5 to 8 swap width and height. Pictures of whole bytes per pixel (8, 24, 32 bits)
// keep their format; any other value than 2 to 8 returns the picture unchanged.
Picture Oriented(const Picture& stored, int orientation);

// Turns a loaded picture upright as its EXIF block says, and leaves in its metadata the block
// made ready for saving (UprightExif): empty when the block cannot be read.
void MakeUpright(LoadedPicture& loaded);

}  // namespace drollo::formats
