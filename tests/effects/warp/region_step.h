// Runs a kernel the way the work area does: the whole picture as the unchanged source, a copy of
// its pixels inside the clipped box as the destination, and the box put back afterwards.
#pragma once

#include <algorithm>
#include <cstring>
#include <utility>

#include "image/picture.h"

namespace drollo::warp::test {

template <typename Kernel>
void RunOnBox(Picture& picture, const Rect& wanted, Kernel kernel) {
  const Rect box = wanted.intersected(picture.rect());
  Picture patch(std::max(box.width(), 1), std::max(box.height(), 1), 24);
  const MutableView dst{patch.rawData(), static_cast<std::ptrdiff_t>(patch.stride()), box, 3};
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(dst.pixel(box.left, y), picture.row(y) + 3 * box.left, 3 * box.width());
  kernel(picture.view(), dst);
  if (box.empty()) return;
  const MutableView out = picture.region(box);
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(out.pixel(box.left, y), dst.pixel(box.left, y), 3 * box.width());
}

// Presses ever nearer to each edge of a width x height picture, from 45 pixels in to the edge
// itself in steps of 3, half way along it: f(a, b, d) for each centre (a, b), d pixels from the
// edge.
template <typename F>
void ForPressesWalkingToEachEdge(int width, int height, F f) {
  for (int d = 0; d <= 45; d += 3)
    for (const auto& [a, b] : {std::pair{d, height / 2}, std::pair{width - 1 - d, height / 2},
                               std::pair{width / 2, d}, std::pair{width / 2, height - 1 - d}})
      f(a, b, d);
}

}  // namespace drollo::warp::test
