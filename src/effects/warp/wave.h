// The wave warp: every pixel is replaced by a copy of a pixel up to K places away, the horizontal
// offset a sine of the row and the vertical one a cosine of the column. Offsets beyond the picture
// fold back in, columns modulo the width and rows modulo the height less one (so one row past the
// bottom reads row 1); a picture one row high folds every row to row 0.
#pragma once

#include "image/picture.h"
#include "image/progress.h"

namespace drollo::warp {

// Folds a column or row index into a picture `size` pixels wide or high.
int FoldColumn(int sx, int width);
int FoldRow(int sy, int height);

// Fills the whole of dst (the picture's size) from src. A and B must not be 0. Progress ticks once
// per row.
void wave(const ConstView& src, const MutableView& dst, int A, int B, int K,
          const Progress& progress = {});

}  // namespace drollo::warp
