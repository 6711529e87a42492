// The smudge: pushes the content near the press point D towards the release point inside a disc,
// like a finger through wet paint. Every destination pixel of the disc takes its colour from a
// point on its own line parallel to the drag: the back part of that chord is stretched and the
// front part squeezed, so that the chord's middle moves forward by t while both ends stay put.
//
// The drag falls into one of eight direction classes, tested in a fixed order; a class that runs
// replaces the release point by its rounded end point, and the later tests see that point. So a
// diagonal drag whose end point rounds onto D's row or column is followed by the axis class of
// that direction, which reads the unchanged picture too and overwrites its own disc.
//
// Whether a pixel lies "ahead" of where its chord's middle went is tested against the picture's
// origin, as the classes define it (squared distances from the origin, or slopes from it). For the
// slope tests of classes 3 and 4 a zero denominator (the picture's left column, or T on it) is
// read as its limit from the right: y / 0 is +infinity for y > 0, -infinity for y < 0 and 0 for
// y = 0, so the left column is classified like its right neighbours and nothing divides by zero.
#pragma once

#include <vector>

#include "image/picture.h"
#include "image/progress.h"

namespace drollo::warp {

// One class run.
struct SmudgeRun {
  int cls = 0;    // 1 up-left, 2 down-right, 3 up-right, 4 down-left, 5 left, 6 right,
                  // 7 down, 8 up
  int r = 0;      // brush radius
  double L = 0;   // smudge length, at most r / 2
  double k = 0;   // slope of the drag (diagonal classes)
  double wx = 0;  // unit vector of the drag
  double wy = 0;
  double mx = 0;  // centre of the disc
  double my = 0;
  double R = 0;  // disc radius r + L / 2
  double o = 0;  // shape constant of the displacement profile
  int endX = 0;  // the rounded end point, which replaces the release point
  int endY = 0;
};

// The class runs of a drag from (xd, yd) released at (xu, yu) with brush radius r, in order.
// Empty when the release is the press or r is not positive.
std::vector<SmudgeRun> PlanSmudge(int xd, int yd, int xu, int yu, int r);

// Half chord m and displacement t at distance d from the drag axis.
struct SmudgeChord {
  double m = 0;
  double t = 0;
};
SmudgeChord SmudgeChordAt(const SmudgeRun& run, double d);

struct SmudgeSourcePosition {
  double x = 0;
  double y = 0;
};
SmudgeSourcePosition SmudgeSource(const SmudgeRun& run, int x, int y);

// Every pixel the run's disc visits.
Rect SmudgeBounds(const SmudgeRun& run);

// One class run: src is the unchanged picture, dst the region to produce. Progress ticks once per
// column of the disc.
void smudge(const ConstView& src, const MutableView& dst, const SmudgeRun& run,
            const Progress& progress = {});

}  // namespace drollo::warp
