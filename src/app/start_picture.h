// The picture the work area shows before any file is opened: a colourful test card on which
// warps and sketches show well (a grid, concentric circles and colour bands). It is drawn by
// code, so the program carries no picture file for it.
#pragma once

#include "image/picture.h"

namespace drollo {

constexpr int kStartPictureWidth = 605;
constexpr int kStartPictureHeight = 469;

// The 605 x 469 test card at 24 bits.
Picture MakeStartPicture();

}  // namespace drollo
