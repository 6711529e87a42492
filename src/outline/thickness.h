// Evening out the thickness of the outline layer's lines.
//
// The circle test lesslinethick(x, y, r) walks down the left and the right arc of the circle of
// radius r around a pixel and counts where the blue byte changes between a row and the row above.
// A line thinner than the circle crosses it and gives four changes or more; the edge of an area
// wider than the circle gives one or two; a circle of one colour counts as crossed (true).
//
// Thickening blackens white pixels that touch a line (through a side) where the circle test
// finds the line thin. Thinning whitens pixels on the edge of a line (a Zhang-Suen-like
// neighbourhood condition, with the colour (236, 233, 216) also counting as background) where
// the test finds the line thick. Both read the layer and write a copy, never touch the outermost
// rows and columns, and compute the squares in 64 bits with the row loop clipped to the layer,
// so any radius is safe. A partner pixel that falls outside its row counts as white.
#pragma once

#include <string>
#include <string_view>

#include "image/bitmap32.h"
#include "image/progress.h"
#include "text/texts.h"

namespace drollo::outline {

// The circle test on a 32-bit layer for pixel (x, y), 0 <= x < width, 0 <= y < height, r >= 0.
bool lesslinethick(const Picture& layer, int x, int y, int r);

// One thickening pass with radius r; ticks once per row.
TBitmap32 ThickenLines(const TBitmap32& layer, int r, const Progress& progress = {});
// One thinning pass with radius r; ticks once per row.
TBitmap32 ThinLines(const TBitmap32& layer, int r, const Progress& progress = {});
// The balance: a thinning pass, then a thickening pass on its result.
TBitmap32 BalanceLines(const TBitmap32& layer, int r, const Progress& progress = {});

// The radius box's text checked and converted.
struct RadiusInput {
  enum class Outcome {
    Valid,            // value holds the radius
    InvalidInteger,   // empty, or a character other than "0".."9": message box text and caption
    ConversionError,  // digits, but beyond a 32-bit signed integer: the general error report
  };
  Outcome outcome = Outcome::Valid;
  int value = 0;
  std::string message;  // the text to show when not valid
  std::string caption;  // the message box caption ("Sorry" for an invalid integer)
};
// The messages are in the language of `texts` (the palette shows them).
RadiusInput ParseRadius(std::string_view text, const TextLookup& texts = SourceTexts());

}  // namespace drollo::outline
