// Text for the outline layer: the font of the text tool and the rendering of a caption in it.
// The platform renders (its font engine, smoothing off); the core copies from the rendering only
// the pixels of exactly the font colour.
#pragma once

#include <string>

#include "image/picture.h"

namespace drollo::outline {

constexpr TColor kRed = MakeColour(255, 0, 0);

struct TFont {
  std::string Name = "宋体";
  int Height = 22;  // pixels
  TColor Color = kRed;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  bool operator==(const TFont&) const = default;
};

class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // A caption sized to its text: the text's lines (separated by "\n", a "\r" before it ignored)
  // drawn in the font's colour from the top-left corner, every other pixel `background`. An
  // empty text gives a caption without pixels.
  virtual Picture RenderCaption(const std::string& text, const TFont& font, TColor background) = 0;
};

}  // namespace drollo::outline
