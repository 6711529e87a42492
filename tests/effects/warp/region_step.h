// Runs a kernel the way the work area does: the whole picture as the unchanged source, a copy of
// its pixels inside the clipped box as the destination, and the box put back afterwards.
#pragma once

#include <algorithm>
#include <cstring>

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

}  // namespace drollo::warp::test
