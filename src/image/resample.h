// Area-averaging resampling: the whole source is mapped onto the whole target, and each target
// pixel gets the average colour of the source area it covers, every source pixel weighted by the
// part of it that lies under the target pixel. Enlarging repeats and blends neighbouring pixels;
// reducing averages blocks, so thin lines fade instead of vanishing.
#pragma once

#include "image/picture.h"

namespace drollo {

// A 24-bit picture of width x height from `source` (any depth). An empty source or target size
// gives a picture of the target size with every byte 0, or an empty picture.
Picture AreaResample(const Picture& source, int width, int height);

}  // namespace drollo
