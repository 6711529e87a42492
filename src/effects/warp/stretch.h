// The vertical and horizontal stretches: the bulge and the pinch in one direction only. The
// vertical ones keep every pixel's column of origin and move it along its column, the horizontal
// ones keep its row. They share the sphere of the bulge and pinch (radius R, strength H) and
// sample everything bilinearly, the axes included.
//
// The expands sweep whole columns (vertical) or rows (horizontal) including the centre line and
// the rounded end rows or columns, which may lie slightly outside the circle: where the root of a
// pixel's source formula has no positive argument there, the pixel keeps its colour. The shrinks
// cover the pinch's region and leave the centre row (vertical) or column (horizontal) alone.
#pragma once

#include "effects/warp/spherical.h"

namespace drollo::warp {

// Source row of the vertical expand's pixel at dy = b - y in the column with the given terms (or
// the horizontal expand's source column, dAlong = a - x, in the row with the given terms); NaN when
// the root's argument is not positive.
double ExpandSource(int centre, int dAlong, const BulgeTerms& across);

// The pixels a step may write: the expands reach one row (column) further than the circle.
Rect VerticalExpandBounds(const SphereParams& p);
Rect HorizontalExpandBounds(const SphereParams& p);

// One step each; src is the unchanged picture, dst the region to produce (pre-filled with the
// picture's pixels there). Progress ticks once per column (per row for the horizontal expand).
void verticalExpand(const ConstView& src, const MutableView& dst, const SphereParams& p,
                    const Progress& progress = {});
void verticalShrink(const ConstView& src, const MutableView& dst, const SphereParams& p,
                    const Progress& progress = {});
void horizontalExpand(const ConstView& src, const MutableView& dst, const SphereParams& p,
                      const Progress& progress = {});
void horizontalShrink(const ConstView& src, const MutableView& dst, const SphereParams& p,
                      const Progress& progress = {});

}  // namespace drollo::warp
