// The main window's commands as data: the tool bar's buttons, the menu bar's entries and the key
// short-cuts, each with its text, hint or keys, its state at start and the handler it runs. The
// desktop window builds its widgets from these tables and forwards every activation to
// TForm1::Execute with the entry's handler.
#pragma once

#include <span>
#include <string_view>

namespace drollo {

// The main window's command handlers.
enum class Handler {
  Open1Click,
  Save1Click,
  Exit1Click,
  Undo1Click,
  Redo1Click,
  RenewClick,
  SpeedButton8Click,   // zoom out
  SpeedButton9Click,   // zoom in
  SpeedButton2Click,   // crop selection mode on or off
  SpeedButton11Click,  // crop to the selection
  SpeedButton16Click,  // print
  SpeedButton1Click,   // send the picture by mail
  Online1Click,
  Help2Click,
  About1Click,
  ImageSize1Click,
  Action6Execute,  // copy the selection
  Action9Execute,  // paste
};

std::string_view HandlerName(Handler h);

// A picture button of the tool bar, left to right. The zoom label Label1 stands between
// SpeedButton9 and SpeedButton2; kZoomLabelAfter names the button it follows.
struct ToolButtonEntry {
  std::string_view Name;  // "SpeedButton3"
  std::string_view Hint;
  bool StartsEnabled;
  Handler Runs;
};

struct MenuEntry {
  std::string_view Name;     // "Open1"
  std::string_view Menu;     // the menu bar item: "文件", "编辑", "帮助"
  std::string_view Caption;  // the entry's text
  bool StartsEnabled;
  Handler Runs;
};

// A key short-cut. Keys are written as a portable key-sequence text ("Ctrl+O", "Ctrl+-", "F1").
struct ShortcutEntry {
  std::string_view Name;  // "Action1"
  std::string_view Keys;
  bool StartsEnabled;
  Handler Runs;
};

std::span<const ToolButtonEntry> ToolBarButtons();
std::span<const MenuEntry> MenuEntries();
std::span<const ShortcutEntry> Shortcuts();

inline constexpr std::string_view kZoomLabelAfter = "SpeedButton9";

// The menus of the menu bar, left to right.
std::span<const std::string_view> MenuBar();

}  // namespace drollo
