// The steps of drollo-batch: each a word followed by its values, read from the command line. The
// whole command line is read before anything runs, so a step that does not parse stops the run
// before a single file is written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands.h"
#include "app/state/program_state.h"
#include "image/pixel_math.h"

namespace drollo::batch {

enum class StepKind {
  Open,    // open FILE
  Page,    // page N
  Set,     // set NAME=VALUE
  Press,   // press NAME
  Click,   // click X,Y
  Hold,    // hold X,Y SECONDS
  Drag,    // drag X,Y X,Y [X,Y ...]
  RDrag,   // rdrag X,Y X,Y [X,Y ...]
  Wheel,   // wheel up|down
  Key,     // key CTRL+Z
  Text,    // text X,Y STRING
  Resize,  // resize W H
  Save,    // save FILE
  Export,  // export FILE
  Print,   // print FILE.pdf
};

// The palette controls a step may name, by kind.
enum class ControlKind { TrackBar, RadioButton, CheckBox, Edit, Panel, SpeedButton, Button };

struct PaletteControlInfo {
  std::string_view Name;
  ControlKind Kind;
  int Page;  // the palette page the control lies on
};

// The palette control of that name, or nothing.
std::optional<PaletteControlInfo> FindPaletteControl(std::string_view name);
// The main window's handler of that name (Open1Click excluded: the open step chooses the file).
std::optional<Handler> FindMainHandler(std::string_view name);
// The keys of the command table's short-cut written as `keys` ("CTRL+Z", "ctrl+z", "Ctrl+Plus"),
// in the table's own spelling ("Ctrl+Z"), or nothing.
std::optional<std::string> FindShortcutKeys(std::string_view keys);
// The save dialog's filter entry for a file name's extension: .jpg 1, .bmp 2, .wmf 3, .png 4;
// 0 for any other.
int FilterIndexOf(std::string_view fileName);

struct Step {
  StepKind Kind = StepKind::Open;
  int Number = 0;      // from 1, in the order given
  std::string Source;  // the step as written, for messages
  std::string Name;    // the file, control, keys or text
  std::string Text;    // set: the value as written
  int Value = 0;    // page; set: position, 0/1 or colour; wheel: +1 up, -1 down; save: filter entry
  int Seconds = 0;  // hold: whole seconds, the auto-repeat ticks
  int Width = 0, Height = 0;           // resize
  std::vector<Point> Points;           // click, hold, drag, text
  std::optional<Handler> MainHandler;  // press of a main-window handler
};

struct CommandLine {
  bool Help = false;
  bool PrintState = false;
  std::vector<Step> Steps;
};

// Reads the command line (without the program's name). On failure `error` names the step and
// what is wrong with it, and nothing is returned.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);

// The text of --help: every step with its values and an example.
std::string HelpText();

}  // namespace drollo::batch
