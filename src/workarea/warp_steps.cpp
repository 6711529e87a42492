#include "workarea/warp_steps.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "effects/warp/smudge.h"
#include "effects/warp/spherical.h"
#include "effects/warp/stretch.h"
#include "effects/warp/swirl.h"
#include "effects/warp/wave.h"
#include "image/parallel.h"

namespace drollo {

namespace {

// Runs `kernel(src, dst)` where src is the whole working picture (converted to 24 bits first if it
// has another depth) and dst a copy of its pixels inside `box`, held in `patch`; then puts the box
// back. Pixels the kernel leaves alone keep their colour, and nothing outside the box is touched or
// copied. The patch's memory is kept for the next step when it is no larger than kKeptPatchBytes,
// so that a click does not take fresh memory (and fault it in) every time.
//
// A kernel that says before it runs where it writes (`writesIn(box)`, one entry per row of the
// box) is spared the copy of the rows it writes whole, and only what it writes goes back: the
// round warps leave the box's corners alone, and their tiles are not even marked written.
constexpr std::size_t kKeptPatchBytes = std::size_t{16} << 20;

using WritesIn = std::function<warp::Writes(const Rect& box)>;

template <typename Kernel>
void StepOnBox(Picture& picture, const Rect& wanted, PatchBytes& patch, Kernel kernel,
               const WritesIn& writesIn = {}) {
  EnsureBgr24(picture);
  const Rect box = wanted.intersected(picture.rect());
  if (box.empty()) {
    kernel(picture.view(), MutableView{nullptr, 0, Rect{}, 3});
    return;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(box.width()) * 3;
  const std::size_t bytes = rowBytes * static_cast<std::size_t>(box.height());
  // Every byte of the patch that goes back is copied in below or written by the kernel: the
  // allocator leaves new bytes as they are.
  if (patch.size() < bytes) {
    patch.clear();
    patch.shrink_to_fit();
    patch.resize(bytes);
  }
  warp::Writes writes = writesIn ? writesIn(box) : warp::Writes{};
  if (writes.size() != static_cast<std::size_t>(box.height()))
    writes.assign(static_cast<std::size_t>(box.height()), {box.left, box.right, false});
  auto rowWrites = [&](int y) -> const warp::RowWrites& {
    return writes[static_cast<std::size_t>(y - box.top)];
  };
  const MutableView dst{patch.data(), static_cast<std::ptrdiff_t>(rowBytes), box, 3};
  const int grain = GrainRows(rowBytes);
  ForRows(
      box.top, box.bottom,
      [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
          if (const warp::RowWrites& w = rowWrites(y); !w.whole && w.right > w.left)
            std::memcpy(dst.pixel(w.left, y), picture.row(y) + 3 * w.left,
                        3 * static_cast<std::size_t>(w.right - w.left));
      },
      {}, grain);
  kernel(picture.view(), dst);
  // What goes back, band by band of tiles.
  std::vector<Rect> parts;
  constexpr int kTile = Picture::kTileSize;
  for (int top = box.top; top < box.bottom;) {
    const int bottom = std::min(box.bottom, (top / kTile + 1) * kTile);
    Rect part{box.right, top, box.left, bottom};
    for (int y = top; y < bottom; ++y)
      if (const warp::RowWrites& w = rowWrites(y); w.right > w.left) {
        part.left = std::min(part.left, w.left);
        part.right = std::max(part.right, w.right);
      }
    if (!part.empty()) parts.push_back(part);
    top = bottom;
  }
  if (!parts.empty()) {
    const MutableView out = picture.region(box, parts);
    ForRows(
        box.top, box.bottom,
        [&](int y0, int y1) {
          for (int y = y0; y < y1; ++y)
            if (const warp::RowWrites& w = rowWrites(y); w.right > w.left)
              std::memcpy(out.pixel(w.left, y), dst.pixel(w.left, y),
                          3 * static_cast<std::size_t>(w.right - w.left));
        },
        {}, grain);
  }
  if (patch.size() > kKeptPatchBytes) PatchBytes().swap(patch);
}

}  // namespace

void WarpSteps::SphericalStretch(int X, int Y) {
  switch (warpState_.WarpAction) {
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

bool WarpSteps::warpSetUp(const TrackBar& radius, const TrackBar& bend, bool doubleBuffered, int& R,
                          int& H) {
  R = warpState_.Zoom().ToPicture(radius.Position());
  H = warpState_.Zoom().ToPicture(bend.Position());
  warpState_.PictureRadius = R;
  warpState_.WarpStrength = H;
  if (H == 0) return false;
  if (doubleBuffered) doubleBuffered_ = true;
  return true;
}

Progress WarpSteps::columnProgress() {
  // The window is told when the bar reaches the next hundredth of its length.
  return [this, next = warpState_.ProgressBar1.NextHundredth()]() mutable {
    ProgressBarState& bar = warpState_.ProgressBar1;
    if (bar.Position < bar.Max) ++bar.Position;
    if (bar.Position < next) return;
    progress_.Advanced(bar);
    next = bar.NextHundredth();
  };
}

void WarpSteps::finishProgress() {
  warpState_.ProgressBar1.Position = warpState_.ProgressBar1.Max;
  warpState_.ProgressBar1.Position = 0;
}

template <typename Kernel>
void WarpSteps::sphereStep(int X, int Y, bool doubleBuffered, Kernel kernel) {
  int R, H;
  if (!warpSetUp(warpTools_.TrackBar1, warpTools_.TrackBar2, doubleBuffered, R, H)) return;
  if (warpState_.WorkingPicture.empty()) return;
  const warp::SphereParams p{X, Y, R, H};
  const Progress progress = columnProgress();
  kernel(p, progress);
  finishProgress();
}

void WarpSteps::Sphericalpengzhang(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(
        warpState_.WorkingPicture, warp::SphereBounds(p), patch_,
        [&](const ConstView& src, const MutableView& dst) { warp::bulge(src, dst, p, progress); },
        [&](const Rect& box) { return warp::BulgeWrites(p, box); });
  });
}

void WarpSteps::Sphericalshousuo(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(
        warpState_.WorkingPicture, warp::SphereBounds(p), patch_,
        [&](const ConstView& src, const MutableView& dst) { warp::pinch(src, dst, p, progress); },
        [&](const Rect& box) { return warp::PinchWrites(p, box); });
  });
}

void WarpSteps::VerticalStretch(int X, int Y) {
  if (warpState_.WarpAction == Warp::Expand) Verticalpengzhang(X, Y);
  if (warpState_.WarpAction == Warp::Shrink) Verticalshousuo(X, Y);
}

void WarpSteps::HorizontalStretch(int X, int Y) {
  if (warpState_.WarpAction == Warp::Expand) Horizontalpengzhang(X, Y);
  if (warpState_.WarpAction == Warp::Shrink) Horizontalshousuo(X, Y);
}

// The expands paint directly; only the shrinks switch to double-buffered painting.
void WarpSteps::Verticalpengzhang(int X, int Y) {
  sphereStep(X, Y, false, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(warpState_.WorkingPicture, warp::VerticalExpandBounds(p), patch_,
              [&](const ConstView& src, const MutableView& dst) {
                warp::verticalExpand(src, dst, p, progress);
              });
  });
}

void WarpSteps::Verticalshousuo(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(warpState_.WorkingPicture, warp::SphereBounds(p), patch_,
              [&](const ConstView& src, const MutableView& dst) {
                warp::verticalShrink(src, dst, p, progress);
              });
  });
}

void WarpSteps::Horizontalpengzhang(int X, int Y) {
  sphereStep(X, Y, false, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(warpState_.WorkingPicture, warp::HorizontalExpandBounds(p), patch_,
              [&](const ConstView& src, const MutableView& dst) {
                warp::horizontalExpand(src, dst, p, progress);
              });
  });
}

void WarpSteps::Horizontalshousuo(int X, int Y) {
  sphereStep(X, Y, true, [this](const warp::SphereParams& p, const Progress& progress) {
    StepOnBox(warpState_.WorkingPicture, warp::SphereBounds(p), patch_,
              [&](const ConstView& src, const MutableView& dst) {
                warp::horizontalShrink(src, dst, p, progress);
              });
  });
}

void WarpSteps::Sphericalyouxuan(int X, int Y) {
  swirlStep(X, Y, true);
}
void WarpSteps::Sphericalzuoxuan(int X, int Y) {
  swirlStep(X, Y, false);
}

void WarpSteps::swirlStep(int X, int Y, bool clockwise) {
  int R, H;
  if (!warpSetUp(warpTools_.TrackBar3, warpTools_.TrackBar4, true, R, H)) return;
  if (warpState_.WorkingPicture.empty()) return;
  const warp::SwirlParams p{X, Y, R, H, clockwise};
  const Progress progress = columnProgress();
  StepOnBox(
      warpState_.WorkingPicture, warp::SwirlBounds(p), patch_,
      [&](const ConstView& src, const MutableView& dst) { warp::swirl(src, dst, p, progress); },
      [&](const Rect& box) { return warp::SwirlWrites(p, box); });
  finishProgress();
}

void WarpSteps::tumopic(int X, int Y) {
  const Zoom zoom = warpState_.Zoom();
  const int r = zoom.ToPicture(warpTools_.TrackBar3.Position());
  warpState_.ScreenRadius = warpTools_.TrackBar3.Position();
  const int xu = zoom.ToPicture(X);
  const int yu = zoom.ToPicture(Y);
  if (warpState_.WorkingPicture.empty()) return;
  const std::vector<warp::SmudgeRun> runs =
      warp::PlanSmudge(warpState_.WarpCentre.x, warpState_.WarpCentre.y, xu, yu, r);
  if (runs.empty()) return;
  // One region holds every class's disc; a later class overwrites an earlier one's pixels.
  Rect box = warp::SmudgeBounds(runs[0]);
  for (const warp::SmudgeRun& run : runs) {
    const Rect b = warp::SmudgeBounds(run);
    box = Rect{std::min(box.left, b.left), std::min(box.top, b.top), std::max(box.right, b.right),
               std::max(box.bottom, b.bottom)};
  }
  const Progress progress = columnProgress();
  StepOnBox(warpState_.WorkingPicture, box, patch_,
            [&](const ConstView& src, const MutableView& dst) {
              for (const warp::SmudgeRun& run : runs) {
                warp::smudge(src, dst, run, progress);
                warpState_.ProgressBar1.Position = 0;
              }
            });
}

void WarpSteps::WaveWrap(int A, int B, int K) {
  if (A == 0 || B == 0) return;
  Picture& picture = warpState_.WorkingPicture;
  EnsureBgr24(picture);
  if (!picture.empty()) {
    // The ripple writes every pixel: the result needs no clearing first (and its pages are then
    // faulted in by the threads that write them).
    Picture result(picture.width(), picture.height(), PixelFormat::Bgr24(), Picture::Unfilled{});
    const MutableView dst{result.rawData(), static_cast<std::ptrdiff_t>(result.stride()),
                          result.rect(), 3};
    ProgressBarState& bar = warpState_.ProgressBar1;
    warp::wave(picture.view(), dst, A, B, K, [this, &bar] {
      const int shown = bar.Hundredths();
      ++bar.Position;
      if (bar.Position == bar.Max) bar.Position = 0;
      if (bar.Hundredths() != shown) progress_.Advanced(bar);
    });
    // The result is new memory already: it becomes the picture, and the history records it
    // without another copy.
    picture = std::move(result);
  }
  // The ripple is one entry, also on an empty picture.
  RecordEdit(warpState_, [] {});
  finishProgress();
}

}  // namespace drollo
