// Making and cleaning the outline layer: the black-and-white threshold of a picture and the 3x3
// speckle removal of the layer.
//
// Layers are 32-bit pictures (blue, green, red, fourth byte); pure white (255, 255, 255) is empty.
#pragma once

#include "image/bitmap32.h"
#include "image/progress.h"

namespace drollo::outline {

// The threshold's grey value 0.3 R + 0.59 G + 0.11 B in extended precision (long double
// constants, left to right), rounded with halves to even: true when it exceeds 185.
bool TwovalWhite(int red, int green, int blue);

// A copy of `picture` in which every pixel is white when TwovalWhite holds for it and black
// otherwise; the fourth bytes are kept.
TBitmap32 twoval(const TBitmap32& picture, const Progress& progress = {});

// The extracted layer: `picture` (any depth) converted to 32 bits, then thresholded by twoval.
// It has the picture's size; an empty picture gives an empty layer.
TBitmap32 ExtractOutline(const Picture& picture, const Progress& progress = {});

// Speckle removal on the layer: every pixel off the outermost rows and columns takes, channel by
// channel, the median of the nine values of its 3x3 neighbourhood. The frame keeps its colours;
// layers with fewer than 3 rows or columns keep all of them. The result's fourth bytes are all
// 255, as after a trip through 24 bits.
TBitmap32 RemoveOutlineSpeckles(const TBitmap32& layer, const Progress& progress = {});

}  // namespace drollo::outline
