// The edge picture the sketches start from: dark lines where the picture changes strongly, white
// where it is flat.
//
// Every channel is treated on its own. For an inner pixel three directional sums are taken over
// its 3x3 neighbourhood: E1 = right column minus left column with row weights 1, 2, 1; E2 = row
// below minus row above with weights 1, 1, 1; E3 = left column minus right column with weights
// 1, 1, 1. Each sum is clamped to 0..255 and the largest of the three is the edge strength. The
// outermost rows and columns are not computed and keep the picture's colours. Finally every byte
// is inverted (v -> 255 - v), frame included. So a boundary that is darker above than below, or
// darker on either side, shows as a line, while one that is lighter above than below does not.
#pragma once

#include "image/picture.h"
#include "image/progress.h"

namespace drollo::outline {

// The inverted edge picture of `picture` (any depth), 24 bits, same size. Pictures with fewer than
// 3 rows or columns give their inverted 24-bit copy; an empty picture gives an empty one.
Picture picsobel(const Picture& picture, const Progress& progress = {});

}  // namespace drollo::outline
