// The work area's warp steps: one bulge, pinch, stretch, swirl or smudge step at a point of the
// working picture, and the wave over the whole picture. Each step reads the palette's sliders and
// the zoom, stores the radius and strength it used into the program state, and runs a kernel that
// reads the unchanged working picture and writes only the bounding box of its patch, which is
// then put back into the picture. Only the written box is marked in the picture's tiles, so the
// history records the step's cost. The steps record no history entry themselves: the press that
// repeats them records one when it ends (the wave records its own).
#pragma once

#include <cstdint>
#include <vector>

#include "app/state/program_state.h"
#include "image/progress.h"
#include "palette/tools.h"

namespace drollo {

using PatchBytes = std::vector<std::uint8_t, PictureAllocator<std::uint8_t>>;

class WarpSteps {
 public:
  // The steps read the palette's sliders, advance ProgressBar1 and tell `progress` each time,
  // and switch the window to double-buffered painting through `doubleBuffered`.
  WarpSteps(ProgramState& state, const TTools& tools, ProgressDisplay& progress,
            bool& doubleBuffered)
      : warpState_(state),
        warpTools_(tools),
        progress_(progress),
        doubleBuffered_(doubleBuffered) {}

  // The spherical tools' entry: one step at (X, Y) of the tool chosen by WarpAction
  // (1 bulge, 2 pinch, 3 and 4 the swirls); any other action does nothing.
  void SphericalStretch(int X, int Y);
  // One bulge (magnifying) or pinch (shrinking) step centred on (X, Y).
  void Sphericalpengzhang(int X, int Y);
  void Sphericalshousuo(int X, int Y);
  // One swirl step centred on (X, Y): clockwise as seen on the screen (youxuan) or
  // counter-clockwise (zuoxuan), with the swirl page's radius and bend sliders.
  void Sphericalyouxuan(int X, int Y);
  void Sphericalzuoxuan(int X, int Y);

  // The vertical and horizontal tools' entries: WarpAction 1 expands, 2 shrinks, others nothing.
  void VerticalStretch(int X, int Y);
  void HorizontalStretch(int X, int Y);
  void Verticalpengzhang(int X, int Y);
  void Verticalshousuo(int X, int Y);
  void Horizontalpengzhang(int X, int Y);
  void Horizontalshousuo(int X, int Y);

  // The smudge of a drag from WarpCentre released at the control position (X, Y) (screen pixels,
  // divided by the zoom here).
  void tumopic(int X, int Y);

  // Ripples the whole picture (column divisor A, row divisor B, amplitude K) and records one
  // history entry. A or B 0: nothing at all.
  void WaveWrap(int A, int B, int K);

 private:
  // Radius and strength in picture pixels from a page's sliders, stored into PictureRadius and
  // WarpStrength. False when the strength rounds to 0 (the sphere is undefined): no step then.
  bool warpSetUp(const TrackBar& radius, const TrackBar& bend, bool doubleBuffered, int& R, int& H);
  // A step of one of the kernels on a sphere's patch: set-up from the warp page's sliders.
  template <typename Kernel>
  void sphereStep(int X, int Y, bool doubleBuffered, Kernel kernel);
  void swirlStep(int X, int Y, bool clockwise);
  // Advances ProgressBar1 by one, as far as its maximum.
  Progress columnProgress();
  // The end of every long step: the bar at its maximum, then back to 0.
  void finishProgress();

  ProgramState& warpState_;
  const TTools& warpTools_;
  // The patch the last step wrote before it went into the picture (see StepOnBox).
  PatchBytes patch_;
  ProgressDisplay& progress_;
  bool& doubleBuffered_;
};

}  // namespace drollo
