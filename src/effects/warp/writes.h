// Where a warp step writes inside its region, row by row. A step that knows it before it runs
// needs no copy of the pixels it will overwrite, and only the pixels it writes go back into the
// picture (see the work area's warp steps).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "image/picture.h"

namespace drollo::warp {

// The written pixels of one row lie in [left, right); when `whole`, every one of them is written.
struct RowWrites {
  int left = 0;
  int right = 0;
  bool whole = false;
};
// One entry per row of the region, top row first.
using Writes = std::vector<RowWrites>;

// The writes of a round warp around (a, b) of radius R inside `bounds`: its quadrant pass, column
// a - ax and a + ax (0 < ax < R) taking rows columns.top(ax) .. b - 1 above the centre and b + 1 ..
// columns.bottom(ax) below it, and its axis pass, row b and column a out to R - 1 from the centre,
// the centre itself left out.
template <typename Columns>
Writes RoundWrites(int a, int b, int R, const Rect& bounds, const Columns& columns) {
  Writes writes(static_cast<std::size_t>(std::max(bounds.height(), 0)));
  if (R < 1 || bounds.empty()) return writes;
  // above[k], below[k]: the largest ax whose columns reach k rows above or below the centre.
  std::vector<int> above(static_cast<std::size_t>(R), 0), below(above);
  bool nested = true;
  int lastUp = R - 1, lastDown = R - 1;
  for (int ax = 1; ax < R; ++ax) {
    // The rows a column reaches inside the patch, which ends R - 1 rows from the centre.
    const int t = columns.top(ax), u = columns.bottom(ax);
    const int up = t > b - 1 ? 0 : t <= b - (R - 1) ? R - 1 : b - t;
    const int down = u < b + 1 ? 0 : u >= b + (R - 1) ? R - 1 : u - b;
    above[up] = ax;
    below[down] = ax;
    // Nested: each column reaches as far as the one beyond it, so every row's written pixels
    // are one run through the centre's column.
    nested = nested && up <= lastUp && down <= lastDown;
    lastUp = up;
    lastDown = down;
  }
  for (int k = R - 2; k >= 1; --k) {
    above[k] = std::max(above[k], above[k + 1]);
    below[k] = std::max(below[k], below[k + 1]);
  }
  for (int y = bounds.top; y < bounds.bottom; ++y) {
    const int k = std::abs(y - b);
    if (k >= R) continue;
    // Row b: the axis run, the centre left out.
    const int half = k == 0 ? R - 1 : (y < b ? above[k] : below[k]);
    RowWrites& w = writes[static_cast<std::size_t>(y - bounds.top)];
    w.left = std::max(a - half, bounds.left);
    w.right = std::min(a + half + 1, bounds.right);
    w.whole = k != 0 && nested;
    // Nothing, or the centre alone, which is not written.
    if (w.left >= w.right || (k == 0 && w.left == a && w.right == a + 1)) w = RowWrites{};
  }
  return writes;
}

}  // namespace drollo::warp
