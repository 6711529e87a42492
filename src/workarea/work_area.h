// The work area window "Image1" as a model without a screen: the warp steps that a press on the
// picture applies. Each step reads the palette's sliders and the zoom, stores the radius and
// strength it used into the program state, and runs a kernel that reads the unchanged working
// picture and writes only the bounding box of its patch, which is then put back into the picture.
// Only the written box is marked in the picture's tiles, so the history records the step's cost.
#pragma once

#include "app/state/program_state.h"
#include "image/progress.h"
#include "palette/tools.h"

namespace drollo {

class TWork_area {
 public:
  TWork_area(ProgramState& state, TTools& tools);
  TWork_area(const TWork_area&) = delete;
  TWork_area& operator=(const TWork_area&) = delete;

  // Painting through an off-screen buffer; switched on by the first warp step.
  bool DoubleBuffered = false;

  // The spherical tools' entry: one step at (X, Y) of the tool chosen by WarpAction
  // (1 bulge, 2 pinch, 3 and 4 the swirls); any other action does nothing.
  void SphericalStretch(int X, int Y);
  // One bulge (magnifying) or pinch (shrinking) step centred on (X, Y). No history entry: the
  // press that repeats these steps records one when it ends.
  void Sphericalpengzhang(int X, int Y);
  void Sphericalshousuo(int X, int Y);

 private:
  // Radius and strength in picture pixels from a page's sliders, stored into PictureRadius and
  // WarpStrength. False when the strength rounds to 0 (the sphere is undefined): no step then.
  bool warpSetUp(const TrackBar& radius, const TrackBar& bend, int& R, int& H);
  // Advances ProgressBar1 by one, as far as its maximum.
  Progress columnProgress();
  // The end of every long step: the bar at its maximum, then back to 0.
  void finishProgress();

  ProgramState& state_;
  TTools& tools_;
};

}  // namespace drollo
