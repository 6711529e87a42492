#include "workarea/work_area.h"

#include <cstring>

#include "effects/warp/spherical.h"

namespace drollo {

namespace {

// Runs `kernel(src, dst)` where src is the whole working picture (converted to 24 bits first if it
// has another depth) and dst a copy of its pixels inside `box`; then puts the box back. Pixels the
// kernel leaves alone keep their colour, and nothing outside the box is touched or copied.
template <typename Kernel>
void StepOnBox(Picture& picture, const Rect& wanted, Kernel kernel) {
  EnsureBgr24(picture);
  const Rect box = wanted.intersected(picture.rect());
  if (box.empty()) {
    kernel(picture.view(), MutableView{nullptr, 0, Rect{}, 3});
    return;
  }
  Picture patch(box.width(), box.height(), 24);
  const MutableView dst{patch.rawData(), static_cast<std::ptrdiff_t>(patch.stride()), box, 3};
  const std::size_t rowBytes = static_cast<std::size_t>(box.width()) * 3;
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(dst.pixel(box.left, y), picture.row(y) + 3 * box.left, rowBytes);
  kernel(picture.view(), dst);
  const MutableView out = picture.region(box);
  for (int y = box.top; y < box.bottom; ++y)
    std::memcpy(out.pixel(box.left, y), dst.pixel(box.left, y), rowBytes);
}

}  // namespace

TWork_area::TWork_area(ProgramState& state, TTools& tools) : state_(state), tools_(tools) {}

void TWork_area::SphericalStretch(int X, int Y) {
  switch (state_.WarpAction) {
    case 1:
      Sphericalpengzhang(X, Y);
      break;
    case 2:
      Sphericalshousuo(X, Y);
      break;
    case 3:  // Sphericalyouxuan: the clockwise swirl
    case 4:  // Sphericalzuoxuan: the counter-clockwise swirl
    default:
      break;
  }
}

bool TWork_area::warpSetUp(const TrackBar& radius, const TrackBar& bend, int& R, int& H) {
  R = Round(radius.Position() / state_.ZoomPercent * 100.0);
  H = Round(bend.Position() / state_.ZoomPercent * 100.0);
  state_.PictureRadius = R;
  state_.WarpStrength = H;
  if (H == 0) return false;
  DoubleBuffered = true;
  return true;
}

Progress TWork_area::columnProgress() {
  return [this] {
    ProgressBarState& bar = state_.ProgressBar1;
    if (bar.Position < bar.Max) ++bar.Position;
  };
}

void TWork_area::finishProgress() {
  state_.ProgressBar1.Position = state_.ProgressBar1.Max;
  state_.ProgressBar1.Position = 0;
}

void TWork_area::Sphericalpengzhang(int X, int Y) {
  int R, H;
  if (!warpSetUp(tools_.TrackBar1, tools_.TrackBar2, R, H)) return;
  if (state_.WorkingPicture.empty()) return;
  const warp::SphereParams p{X, Y, R, H};
  const Progress progress = columnProgress();
  StepOnBox(
      state_.WorkingPicture, warp::SphereBounds(p),
      [&](const ConstView& src, const MutableView& dst) { warp::bulge(src, dst, p, progress); });
  finishProgress();
}

void TWork_area::Sphericalshousuo(int X, int Y) {
  int R, H;
  if (!warpSetUp(tools_.TrackBar1, tools_.TrackBar2, R, H)) return;
  if (state_.WorkingPicture.empty()) return;
  const warp::SphereParams p{X, Y, R, H};
  const Progress progress = columnProgress();
  StepOnBox(
      state_.WorkingPicture, warp::SphereBounds(p),
      [&](const ConstView& src, const MutableView& dst) { warp::pinch(src, dst, p, progress); });
  finishProgress();
}

}  // namespace drollo
