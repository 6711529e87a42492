// The text tool's caption rendered by Qt: the font's face mapped to an installed one, glyphs drawn
// without smoothing so that every text pixel has exactly the font colour.
#pragma once

#include <QFont>
#include <QString>

#include "outline/text_render.h"

namespace drollo::platform {

// The installed face for a font name the program uses: "宋体" (and its Latin name "SimSun") is
// a Song face, given by Noto Serif CJK SC; other names are asked for as they are.
QString InstalledFontFamily(const std::string& name);
// A QFont for the program's font: the face mapped, the height in pixels, smoothing off.
QFont ToQFont(const outline::TFont& font);
// The program's font from a QFont, keeping `colour` (a font dialog does not choose colours).
outline::TFont FromQFont(const QFont& font, TColor colour);

class QtTextRenderer : public outline::TextRenderer {
 public:
  Picture RenderCaption(const std::string& text, const outline::TFont& font,
                        TColor background) override;
};

}  // namespace drollo::platform
