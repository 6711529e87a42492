// The sketch page's kernels: the black-and-white pen sketch and the grey pencil sketch of an edge
// picture, the colour conversions the pencil sketch goes through, the texts of the two slider
// labels, and the 3x3 speckle removal of the picture.
//
// Every kernel reads its source without writing it and returns a new 24-bit picture of the
// source's size; a source of another depth is read through a 24-bit copy. The sketches also write
// into a given picture, in its own bytes where they can be written over without a copy (see
// Picture::overwriteAll), so that replacing the working picture by its sketch takes no new memory.
#pragma once

#include <array>
#include <string>

#include "image/picture.h"
#include "image/progress.h"

namespace drollo::sketch {

// Pen sketch: a pixel whose grey value Round(0.3 R + 0.59 G + 0.11 B) (double, left to right)
// exceeds `threshold` becomes white, every other pixel black.
Picture twovalue(const Picture& edge, int threshold, const Progress& progress = {});
void twovalueInto(const Picture& edge, int threshold, Picture& out, const Progress& progress = {});

// Hue in degrees, saturation and lightness in percent, all whole numbers.
struct Hsl {
  int H = 0, S = 0, L = 0;
  bool operator==(const Hsl&) const = default;
};
struct Rgb {
  int R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};

// Standard HSL of three bytes, each result rounded (halves to even).
Hsl RgbToHsl(int red, int green, int blue);
// The inverse used by the pencil: a 4.25-per-degree hue wheel, then saturation pulls every
// channel towards 128 and lightness towards 0 or 255. Arguments out of range give black.
Rgb HslToRgb(int hue, int saturation, int lightness);

// The pencil's contrast curve on a lightness 0..100: t = tan(P degrees); from P = 45 on it is
// Round(t (L - P - 5)) + 50, below it Round(t (L - 55)) + 100 - P; clamped to 0..100.
int PencilLightness(int lightness, int contrast, double tangent);

// What the pencil sketch makes of each grey value 0..255 at contrast P (0..89): the whole chain
// grey -> RgbToHsl -> curve -> HslToRgb, evaluated once per grey value.
std::array<std::uint8_t, 256> PencilTable(int contrast);

// Pencil sketch: every pixel becomes the grey PencilTable(contrast)[grey value].
Picture PencilSketch(const Picture& edge, int contrast, const Progress& progress = {});
void PencilSketchInto(const Picture& edge, int contrast, Picture& out,
                      const Progress& progress = {});

// The label beside the pen-pressure slider: the position in decimal.
std::string PenPressureLabel(int position);
// The label beside the contrast slider: Round(P * 100 / 89.0) in decimal ("51" at 45).
std::string PencilContrastLabel(int position);

// Speckle removal: every pixel not on the outermost rows and columns takes, channel by channel,
// the median of the nine values of its 3x3 neighbourhood in the source. The frame keeps its
// values; a picture with fewer than 3 rows or columns comes back as its 24-bit copy.
Picture RemoveSpeckles(const Picture& picture, const Progress& progress = {});

}  // namespace drollo::sketch
