// The text tool's floating text box (Memo1) and the hidden caption (Label1) that renders its text
// for the outline layer. The box's place is kept relative to the top-left corner of the scrolled
// content (where Image1 and Image2 lie), so it scrolls with the picture as a child control of the
// window does; its place in the window's client area is that plus the images' place.
#pragma once

#include <string>

#include "app/state/program_state.h"
#include "outline/text_render.h"
#include "text/texts.h"

namespace drollo {

inline constexpr const char* kMemo1StartText = DROLLO_TEXT("TWork_area", "请在这里输入文本");
inline constexpr const char* kMemo1Hint = DROLLO_TEXT("TWork_area", "双击确定,右键编辑字体");
// Smallest width and height a resize leaves the box.
inline constexpr int kMemo1MinSize = 15;

// The cursors the box shows over its corners.
enum class MemoCursor { Default, SizeAll, SizeNWSE };

struct TMemo {
  bool Visible = false;
  int Left = 0;  // relative to the images' top-left corner
  int Top = 0;
  int Width = 225;
  int Height = 73;
  std::string Text = kMemo1StartText;
  std::string Hint = kMemo1Hint;
  outline::TFont Font;
  MemoCursor Cursor = MemoCursor::Default;
};

struct TLabel {
  bool Visible = false;
  int Left = 0;  // relative to the images' top-left corner, like the box
  int Top = 0;
  std::string Caption;
  outline::TFont Font;
};

// The font dialog, preset with a font. True and the chosen font in `font` when the user
// confirms; false, leaving `font`, on cancel.
class FontDialog {
 public:
  virtual ~FontDialog() = default;
  virtual bool Execute(outline::TFont& font) = 0;
};

}  // namespace drollo
