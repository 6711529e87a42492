#include "workarea/work_area.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/warp/smudge.h"
#include "effects/warp/spherical.h"
#include "effects/warp/stretch.h"
#include "effects/warp/swirl.h"
#include "effects/warp/wave.h"

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
  // Every byte of the patch is copied in below: it needs no clearing first.
  Picture patch(box.width(), box.height(), PixelFormat::Bgr24(), Picture::Unfilled{});
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

void TWork_area::SphericalStretch(int X, int Y) {
  switch (state_.WarpAction) {
    case Warp::Expand:
      Sphericalpengzhang(X, Y);
      break;
    case Warp::Shrink:
      Sphericalshousuo(X, Y);
      break;
    case Warp::SwirlClockwise:
      Sphericalyouxuan(X, Y);
      break;
    case Warp::SwirlCounterclockwise:
      Sphericalzuoxuan(X, Y);
      break;
    default:
      break;
  }
}

bool TWork_area::warpSetUp(const TrackBar& radius, const TrackBar& bend, bool doubleBuffered,
                           int& R, int& H) {
  R = state_.Zoom().ToPicture(radius.Position());
  H = state_.Zoom().ToPicture(bend.Position());
  state_.PictureRadius = R;
  state_.WarpStrength = H;
  if (H == 0) return false;
  if (doubleBuffered) DoubleBuffered = true;
  return true;
}

Progress TWork_area::columnProgress() {
  return [this] {
    ProgressBarState& bar = state_.ProgressBar1;
    if (bar.Position < bar.Max) ++bar.Position;
    host_.ProgressAdvanced(bar);
  };
}

void TWork_area::finishProgress() {
  state_.ProgressBar1.Position = state_.ProgressBar1.Max;
  state_.ProgressBar1.Position = 0;
}

template <typename Kernel>
void TWork_area::sphereStep(int X, int Y, bool doubleBuffered, Kernel kernel) {
  int R, H;
  if (!warpSetUp(tools_.TrackBar1, tools_.TrackBar2, doubleBuffered, R, H)) return;
  if (state_.WorkingPicture.empty()) return;
  const warp::SphereParams p{X, Y, R, H};
  const Progress progress = columnProgress();
  kernel(p, progress);
  finishProgress();
}

void TWork_area::Sphericalpengzhang(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(
        state_.WorkingPicture, warp::SphereBounds(p),
        [&](const ConstView& src, const MutableView& dst) { warp::bulge(src, dst, p, progress); });
  });
}

void TWork_area::Sphericalshousuo(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(
        state_.WorkingPicture, warp::SphereBounds(p),
        [&](const ConstView& src, const MutableView& dst) { warp::pinch(src, dst, p, progress); });
  });
}

void TWork_area::VerticalStretch(int X, int Y) {
  if (state_.WarpAction == Warp::Expand) Verticalpengzhang(X, Y);
  if (state_.WarpAction == Warp::Shrink) Verticalshousuo(X, Y);
}

void TWork_area::HorizontalStretch(int X, int Y) {
  if (state_.WarpAction == Warp::Expand) Horizontalpengzhang(X, Y);
  if (state_.WarpAction == Warp::Shrink) Horizontalshousuo(X, Y);
}

// The expands paint directly; only the shrinks switch to double-buffered painting.
void TWork_area::Verticalpengzhang(int X, int Y) {
  sphereStep(X, Y, false, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(state_.WorkingPicture, warp::VerticalExpandBounds(p),
              [&](const ConstView& src, const MutableView& dst) {
                warp::verticalExpand(src, dst, p, progress);
              });
  });
}

void TWork_area::Verticalshousuo(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(state_.WorkingPicture, warp::SphereBounds(p),
              [&](const ConstView& src, const MutableView& dst) {
                warp::verticalShrink(src, dst, p, progress);
              });
  });
}

void TWork_area::Horizontalpengzhang(int X, int Y) {
  sphereStep(X, Y, false, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(state_.WorkingPicture, warp::HorizontalExpandBounds(p),
              [&](const ConstView& src, const MutableView& dst) {
                warp::horizontalExpand(src, dst, p, progress);
              });
  });
}

void TWork_area::Horizontalshousuo(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(state_.WorkingPicture, warp::SphereBounds(p),
              [&](const ConstView& src, const MutableView& dst) {
                warp::horizontalShrink(src, dst, p, progress);
              });
  });
}

void TWork_area::Sphericalyouxuan(int X, int Y) {
  swirlStep(X, Y, true);
}
void TWork_area::Sphericalzuoxuan(int X, int Y) {
  swirlStep(X, Y, false);
}

void TWork_area::swirlStep(int X, int Y, bool clockwise) {
  int R, H;
  if (!warpSetUp(tools_.TrackBar3, tools_.TrackBar4, true, R, H)) return;
  if (state_.WorkingPicture.empty()) return;
  const warp::SwirlParams p{X, Y, R, H, clockwise};
  const Progress progress = columnProgress();
  StepOnBox(
      state_.WorkingPicture, warp::SwirlBounds(p),
      [&](const ConstView& src, const MutableView& dst) { warp::swirl(src, dst, p, progress); });
  finishProgress();
}

void TWork_area::tumopic(int X, int Y) {
  const Zoom zoom = state_.Zoom();
  const int r = zoom.ToPicture(tools_.TrackBar3.Position());
  state_.ScreenRadius = tools_.TrackBar3.Position();
  const int xu = zoom.ToPicture(X);
  const int yu = zoom.ToPicture(Y);
  if (state_.WorkingPicture.empty()) return;
  const std::vector<warp::SmudgeRun> runs =
      warp::PlanSmudge(state_.WarpCentre.x, state_.WarpCentre.y, xu, yu, r);
  if (runs.empty()) return;
  // One region holds every class's disc; a later class overwrites an earlier one's pixels.
  Rect box = warp::SmudgeBounds(runs[0]);
  for (const warp::SmudgeRun& run : runs) {
    const Rect b = warp::SmudgeBounds(run);
    box = Rect{std::min(box.left, b.left), std::min(box.top, b.top), std::max(box.right, b.right),
               std::max(box.bottom, b.bottom)};
  }
  const Progress progress = columnProgress();
  StepOnBox(state_.WorkingPicture, box, [&](const ConstView& src, const MutableView& dst) {
    for (const warp::SmudgeRun& run : runs) {
      warp::smudge(src, dst, run, progress);
      state_.ProgressBar1.Position = 0;
    }
  });
}

void TWork_area::WaveWrap(int A, int B, int K) {
  if (A == 0 || B == 0) return;
  Picture& picture = state_.WorkingPicture;
  EnsureBgr24(picture);
  if (!picture.empty()) {
    Picture result(picture.width(), picture.height(), 24);
    const MutableView dst{result.rawData(), static_cast<std::ptrdiff_t>(result.stride()),
                          result.rect(), 3};
    ProgressBarState& bar = state_.ProgressBar1;
    warp::wave(picture.view(), dst, A, B, K, [this, &bar] {
      ++bar.Position;
      if (bar.Position == bar.Max) bar.Position = 0;
      host_.ProgressAdvanced(bar);
    });
    // The result is new memory already: it becomes the picture, and the history records it
    // without another copy.
    picture = std::move(result);
  }
  // The ripple is one entry, also on an empty picture.
  RecordEdit(state_, [] {});
  finishProgress();
}

}  // namespace drollo
