// Bilinear sampling of a 24-bit picture at a fractional position, shared by the warps.
//
// The two axes are clamped differently on purpose: a row position between H - 2 and H - 1 keeps
// its fraction, while a column position beyond W - 2 is pulled back to W - 2, so the last column
// only ever contributes with weight 0. The clamped position is written back to the caller.
#pragma once

#include <array>
#include <vector>

#include "image/picture.h"
#include "image/pixel_math.h"

namespace drollo {

// The colour at (X, Y) of a 24-bit view, interpolated between the four pixels around it. Positions
// outside the picture are clamped (X and Y then hold the clamped values). Each channel is blended
// in double precision with the weights (y0 + 1 - Y), (Y - y0), (x0 + 1 - X), (X - x0) and rounded
// once, ties to even. A picture one pixel wide or high gives the nearest pixel instead.
TColor xiangsujuhe(double& X, double& Y, const ConstView& bitmap);

// xiangsujuhe for the loops of the warps: the same arithmetic in the same order, so the same
// bytes, but for a view at least 2 x 2, without handing the clamped position back, and storing
// blue, green, red at `out`.
inline void SampleBgr(double X, double Y, const ConstView& bitmap, std::uint8_t* out) {
  const int w = bitmap.width;
  const int h = bitmap.height;
  int y0;
  if (Y >= 0 && Y < h - 1) {
    y0 = static_cast<int>(Y);
  } else if (Y < 0) {
    Y = 0;
    y0 = 0;
  } else {
    Y = h - 2;
    y0 = h - 2;
  }
  if (!(X >= 0)) {
    X = 0;
  } else if (X > w - 2) {
    X = w - 2;
  }
  const int x0 = static_cast<int>(X);
  const double wy0 = y0 + 1 - Y;
  const double wy1 = Y - y0;
  const double wx0 = x0 + 1 - X;
  const double wx1 = X - x0;
  const std::uint8_t* top = bitmap.row(y0) + 3 * x0;
  const std::uint8_t* bottom = top + bitmap.stride;
  for (int c = 0; c < 3; ++c) {
    const double v =
        (top[c] * wy0 + bottom[c] * wy1) * wx0 + (top[3 + c] * wy0 + bottom[3 + c] * wy1) * wx1;
    // Round with ties to even, as std::nearbyint does in the default mode, without the call:
    // adding and taking away 1.5 * 2^52 leaves v rounded to a whole number (|v| is far below 2^51).
    const int r = static_cast<int>((v + 6755399441055744.0) - 6755399441055744.0);
    out[c] = static_cast<std::uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : r));
  }
}

// SampleBgr for n positions (X[i], Y[i]), each stored at pixel x[i] counted from `out`: a column
// of the row `out` starts, or a pixel of a later row where the rows are packed one after another.
using SampleRunFunction = void (*)(const double* X, const double* Y, const int* x, int n,
                                   const ConstView& bitmap, std::uint8_t* out);
void SampleRunScalar(const double* X, const double* Y, const int* x, int n, const ConstView& bitmap,
                     std::uint8_t* out);
// How much of the picture a warp's positions read, judged by its patch. A Near source stays in
// the processor's caches from one row of the patch to the next. A Far one does not: its rows cross
// more pages and lines than the caches hold, and the eight-lane sampler then asks for each group's
// lines a part of the run before it reads them (at R = 500, a tenth off the click; at R = 100 the
// extra requests cost more than they save).
enum class SourceReach { Near, Far };
constexpr double kNearSourceBytes = 1 << 20;
SourceReach ReachOf(const Rect& patch);

// SampleRunScalar, or a vectorised form with the same bytes when the processor has AVX2 (four
// positions at once in doubles; eight at once in a checked float blend when it also has FMA) or
// AVX-512 (sixteen); chosen once. A far source takes the eight-lane form that asks ahead when
// there is one. The scalar form stays the reference the vectorised ones are tested against.
SampleRunFunction FastestSampleRun(SourceReach reach = SourceReach::Near);
// Every form this processor runs, the scalar one first and the fastest for a near source last:
// for the tests.
std::vector<SampleRunFunction> SampleRunsOfThisProcessor();

// The columns 0, 1, ..., 255: the pixels of a run of neighbouring ones, counted from its first.
inline constexpr std::array<int, 256> kConsecutive = [] {
  std::array<int, 256> columns{};
  for (int i = 0; i < 256; ++i) columns[i] = i;
  return columns;
}();

// A run of n neighbouring pixels of row y from column x, each displaced by offsets kept in tables:
// pixel x + i takes the sample at X = (x + i) + sx u[a], Y = y + sy v[a], with a = a0 + step i,
// step 1 or -1 and sx, sy 1, -1 or 0. The tables also hold each signed offset split in two, for the
// vectorised form: xWhole[a] = floor(sx u[a]) and xFraction[a] = sx u[a] - xWhole[a] rounded to
// float, and likewise yWhole and yFraction for sy v. The run keeps clear of the picture's edges,
// where the sampler clamps: every x + i + xWhole[a] lies in 0 .. w - 3 and y + yWhole[a] in
// 0 .. h - 3, with u[a] and v[a] finite.
//
// The fraction of the offset differs from the fraction of the rounded position X by at most half a
// unit in X's last place, or the whole parts differ by one where X rounds onto a whole number, and
// there the blend is continuous; either way the blend moves by far less than the margin the
// vectorised sampler keeps for its own rounding, so it gives the bytes of the formula.
//
// The lens (the bulge) forms its positions another way: X = ((K - sx u[a]) + cx) - K and
// Y = ((w[a] - sy v[a]) + cy) - w[a], for its row's constant K and its centre (cx, cy), with
// x + i = cx - sx a and y = cy - sy |dy|. Its split tables hold the offsets of those positions
// from their pixels, sx (a - u[a]) and sy (|dy| - v[a]), worked out once in doubles: they differ
// from X - (x + i) and Y - y by a few units in the last place of X and Y, and the same argument
// holds.
struct OffsetRunLens {
  const double* w = nullptr;  // null for a displacement
  double K = 0;
  double cx = 0;
  double cy = 0;
};
struct OffsetRun {
  int x;
  int y;
  int n;
  int a0;
  int step;
  const double* u;
  const double* v;
  double sx;
  double sy;
  const int* xWhole;
  const float* xFraction;
  const int* yWhole;
  const float* yFraction;
  OffsetRunLens lens{};
};
// The source position of pixel x + i of the run, as its warp forms it.
inline void OffsetRunPosition(const OffsetRun& run, int i, double& X, double& Y) {
  const int a = run.a0 + run.step * i;
  if (run.lens.w != nullptr) {
    X = ((run.lens.K - run.sx * run.u[a]) + run.lens.cx) - run.lens.K;
    Y = ((run.lens.w[a] - run.sy * run.v[a]) + run.lens.cy) - run.lens.w[a];
    return;
  }
  X = static_cast<double>(run.x + i) + run.sx * run.u[a];
  Y = static_cast<double>(run.y) + run.sy * run.v[a];
}
// SampleBgr at each position of the run, stored at pixel x + i counted from `out` (the start of the
// destination's row y).
using SampleOffsetRunFunction = void (*)(const OffsetRun& run, const ConstView& bitmap,
                                         std::uint8_t* out);
// The positions formed as their warps form them (OffsetRunPosition), and SampleRunScalar.
void SampleOffsetRunScalar(const OffsetRun& run, const ConstView& bitmap, std::uint8_t* out);
// The fastest form with the same bytes: on AVX2 with FMA and on AVX-512, the split offsets go
// straight into the blend.
SampleOffsetRunFunction FastestSampleOffsetRun(SourceReach reach = SourceReach::Near);
// Every form this processor runs, the scalar one first and the fastest for a near source last:
// for the tests.
std::vector<SampleOffsetRunFunction> SampleOffsetRunsOfThisProcessor();

// The pixel of a 24-bit view nearest to (x, y) after clamping both into the picture.
inline TColor NearestPixel(const ConstView& v, int x, int y) {
  x = x < 0 ? 0 : (x >= v.width ? v.width - 1 : x);
  y = y < 0 ? 0 : (y >= v.height ? v.height - 1 : y);
  const std::uint8_t* p = v.pixel(x, y);
  return MakeColour(p[2], p[1], p[0]);
}

}  // namespace drollo
