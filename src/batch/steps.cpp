#include "batch/steps.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>

#include "formats/file_types.h"

namespace drollo::batch {

namespace {

constexpr std::array<PaletteControlInfo, 32> kPaletteControls{{
    // Page 0, the warps.
    {"RadioButton1", ControlKind::RadioButton, 0},
    {"RadioButton2", ControlKind::RadioButton, 0},
    {"RadioButton3", ControlKind::RadioButton, 0},
    {"SpeedButton1", ControlKind::SpeedButton, 0},
    {"SpeedButton2", ControlKind::SpeedButton, 0},
    {"TrackBar1", ControlKind::TrackBar, 0},
    {"TrackBar2", ControlKind::TrackBar, 0},
    // Page 1, the swirls and the smudge.
    {"SpeedButton11", ControlKind::SpeedButton, 1},
    {"SpeedButton12", ControlKind::SpeedButton, 1},
    {"SpeedButton3", ControlKind::SpeedButton, 1},
    {"TrackBar3", ControlKind::TrackBar, 1},
    {"TrackBar4", ControlKind::TrackBar, 1},
    {"Button1", ControlKind::Button, 1},
    // Page 2, the sketches.
    {"TrackBar5", ControlKind::TrackBar, 2},
    {"TrackBar7", ControlKind::TrackBar, 2},
    {"SpeedButton4", ControlKind::SpeedButton, 2},
    {"SpeedButton5", ControlKind::SpeedButton, 2},
    {"SpeedButton8", ControlKind::SpeedButton, 2},
    // Page 3, the outline.
    {"CheckBox1", ControlKind::CheckBox, 3},
    {"SpeedButton19", ControlKind::SpeedButton, 3},
    {"SpeedButton7", ControlKind::SpeedButton, 3},
    {"SpeedButton14", ControlKind::SpeedButton, 3},
    {"SpeedButton6", ControlKind::SpeedButton, 3},
    {"SpeedButton15", ControlKind::SpeedButton, 3},
    {"SpeedButton9", ControlKind::SpeedButton, 3},
    {"SpeedButton13", ControlKind::SpeedButton, 3},
    {"Panel2", ControlKind::Panel, 3},
    {"TrackBar6", ControlKind::TrackBar, 3},
    {"SpeedButton10", ControlKind::SpeedButton, 3},
    {"SpeedButton16", ControlKind::SpeedButton, 3},
    {"SpeedButton17", ControlKind::SpeedButton, 3},
    {"SpeedButton18", ControlKind::SpeedButton, 3},
}};

// Edit1 lies on the outline page too; it is kept apart because both set and press name it.
constexpr PaletteControlInfo kEdit1{"Edit1", ControlKind::Edit, 3};

const std::map<std::string_view, StepKind>& StepWords() {
  static const std::map<std::string_view, StepKind> words{
      {"open", StepKind::Open},   {"page", StepKind::Page},     {"set", StepKind::Set},
      {"press", StepKind::Press}, {"click", StepKind::Click},   {"hold", StepKind::Hold},
      {"drag", StepKind::Drag},   {"rdrag", StepKind::RDrag},   {"wheel", StepKind::Wheel},
      {"key", StepKind::Key},     {"text", StepKind::Text},     {"resize", StepKind::Resize},
      {"save", StepKind::Save},   {"export", StepKind::Export}, {"print", StepKind::Print},
  };
  return words;
}

std::optional<int> ParseInt(std::string_view s) {
  int v = 0;
  const char* end = s.data() + s.size();
  if (!s.empty() && s.front() == '+') return std::nullopt;
  const auto [ptr, ec] = std::from_chars(s.data(), end, v);
  if (ec != std::errc() || ptr != end || s.empty()) return std::nullopt;
  return v;
}

std::optional<Point> ParsePoint(std::string_view s) {
  const std::size_t comma = s.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const std::optional<int> x = ParseInt(s.substr(0, comma));
  const std::optional<int> y = ParseInt(s.substr(comma + 1));
  if (!x || !y) return std::nullopt;
  return Point{*x, *y};
}

std::optional<TColor> ParseColour(std::string_view s) {
  if (s.size() != 7 || s[0] != '#') return std::nullopt;
  unsigned v = 0;
  for (char c : s.substr(1))
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
  const auto [ptr, ec] = std::from_chars(s.data() + 1, s.data() + 7, v, 16);
  if (ec != std::errc() || ptr != s.data() + 7) return std::nullopt;
  return MakeColour(static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 255),
                    static_cast<int>(v & 255));
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string Lower(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return u;
}

struct Fail {
  std::string message;
};

// The values a step takes, read from the arguments after its word.
class StepReader {
 public:
  StepReader(const std::vector<std::string>& args, std::size_t& at, Step& step)
      : args_(args), at_(at), step_(step) {}

  std::string Next(const char* what) {
    if (at_ >= args_.size() || (StepWords().count(args_[at_]) && !allowWord_))
      throw Fail{std::string("missing ") + what};
    step_.Source += " " + args_[at_];
    return args_[at_++];
  }
  // The next argument, also when it is a step's word (texts and file names may be anything).
  std::string NextAny(const char* what) {
    allowWord_ = true;
    std::string s = Next(what);
    allowWord_ = false;
    return s;
  }
  bool NextIsPoint() const { return at_ < args_.size() && ParsePoint(args_[at_]).has_value(); }
  Point NextPoint() {
    const std::string s = Next("a position X,Y");
    const std::optional<Point> p = ParsePoint(s);
    if (!p) throw Fail{"'" + s + "' is not a position X,Y (two whole numbers)"};
    return *p;
  }
  int NextInt(const char* what) {
    const std::string s = Next(what);
    const std::optional<int> v = ParseInt(s);
    if (!v) throw Fail{"'" + s + "' is not a whole number"};
    return *v;
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t& at_;
  Step& step_;
  bool allowWord_ = false;
};

void ReadSet(StepReader& r, Step& step) {
  const std::string arg = r.NextAny("NAME=VALUE");
  const std::size_t eq = arg.find('=');
  if (eq == std::string::npos) throw Fail{"'" + arg + "' is not NAME=VALUE"};
  step.Name = arg.substr(0, eq);
  step.Text = arg.substr(eq + 1);
  const std::optional<PaletteControlInfo> c = FindPaletteControl(step.Name);
  if (!c) throw Fail{"no palette control named '" + step.Name + "'"};
  switch (c->Kind) {
    case ControlKind::TrackBar: {
      const std::optional<int> v = ParseInt(step.Text);
      if (!v) throw Fail{"a slider's position is a whole number, not '" + step.Text + "'"};
      step.Value = *v;
      break;
    }
    case ControlKind::RadioButton:
      if (step.Text != "1")
        throw Fail{"a radio button is set with 1 (checking another one clears it), not '" +
                   step.Text + "'"};
      step.Value = 1;
      break;
    case ControlKind::CheckBox:
      if (step.Text != "0" && step.Text != "1")
        throw Fail{"a check box is set with 0 or 1, not '" + step.Text + "'"};
      step.Value = step.Text == "1";
      break;
    case ControlKind::Edit:
      break;
    case ControlKind::Panel: {
      const std::optional<TColor> colour = ParseColour(step.Text);
      if (!colour) throw Fail{"a colour is written #RRGGBB, not '" + step.Text + "'"};
      step.Value = static_cast<int>(*colour);
      break;
    }
    case ControlKind::SpeedButton:
    case ControlKind::Button:
      throw Fail{step.Name + " is a button: use press " + step.Name};
  }
}

void ReadPress(StepReader& r, Step& step) {
  step.Name = r.Next("a control or handler name");
  if (step.Name == "Open1Click") throw Fail{"Open1Click is not pressed: use open FILE"};
  if (const std::optional<Handler> h = FindMainHandler(step.Name)) {
    step.MainHandler = h;
    return;
  }
  const std::optional<PaletteControlInfo> c = FindPaletteControl(step.Name);
  if (!c) throw Fail{"no button or handler named '" + step.Name + "'"};
  const bool pressable = c->Kind == ControlKind::SpeedButton || c->Kind == ControlKind::Button ||
                         c->Kind == ControlKind::Edit;
  if (!pressable) throw Fail{step.Name + " is not a button: use set " + step.Name + "=VALUE"};
}

// The extensions of the types a save writes, in the save dialog's order: ".jpg, .bmp, .wmf or
// .png".
std::string SavedExtensions(const char* lastSeparator) {
  std::string list;
  for (int index = 1; const formats::FileTypeInfo* t = formats::FileTypeForSaveFilter(index);
       ++index) {
    if (index > 1) list += formats::FileTypeForSaveFilter(index + 1) ? ", " : lastSeparator;
    list += t->extensions.front();
  }
  return list;
}

void ReadFile(StepReader& r, Step& step) {
  step.Name = r.NextAny("a file name");
  if (step.Kind == StepKind::Save || step.Kind == StepKind::Export) {
    step.Value = FilterIndexOf(step.Name);
    if (step.Value == 0)
      throw Fail{"'" + step.Name + "' does not end in " + SavedExtensions(" or ")};
  }
  if (step.Kind == StepKind::Print && Lower(step.Name).ends_with(".pdf") == false)
    throw Fail{"'" + step.Name + "' does not end in .pdf"};
}

void ReadStep(StepReader& r, Step& step) {
  switch (step.Kind) {
    case StepKind::Open:
    case StepKind::Save:
    case StepKind::Export:
    case StepKind::Print:
      ReadFile(r, step);
      break;
    case StepKind::Page:
      step.Value = r.NextInt("a page number");
      if (step.Value < 0 || step.Value > 3) throw Fail{"the pages are 0 to 3"};
      break;
    case StepKind::Set:
      ReadSet(r, step);
      break;
    case StepKind::Press:
      ReadPress(r, step);
      break;
    case StepKind::Click:
      step.Points.push_back(r.NextPoint());
      break;
    case StepKind::Hold: {
      step.Points.push_back(r.NextPoint());
      const std::string s = r.Next("the seconds held");
      char* end = nullptr;
      const double seconds = std::strtod(s.c_str(), &end);
      if (s.empty() || *end != '\0' || !(seconds >= 0) || seconds > 3600)
        throw Fail{"'" + s + "' is not a number of seconds from 0 to 3600"};
      step.Seconds = static_cast<int>(std::floor(seconds));
      break;
    }
    case StepKind::Drag:
    case StepKind::RDrag:
      step.Points.push_back(r.NextPoint());
      step.Points.push_back(r.NextPoint());
      while (r.NextIsPoint()) step.Points.push_back(r.NextPoint());
      break;
    case StepKind::Wheel: {
      const std::string s = r.Next("up or down");
      if (s != "up" && s != "down") throw Fail{"the wheel turns up or down, not '" + s + "'"};
      step.Value = s == "up" ? 1 : -1;
      break;
    }
    case StepKind::Key: {
      step.Name = r.Next("keys such as CTRL+Z");
      const std::optional<std::string> keys = FindShortcutKeys(step.Name);
      if (!keys) throw Fail{"'" + step.Name + "' is no short-cut of the main window"};
      step.Name = *keys;
      break;
    }
    case StepKind::Text:
      step.Points.push_back(r.NextPoint());
      step.Name = r.NextAny("the text");
      break;
    case StepKind::Resize:
      step.Width = r.NextInt("the width");
      step.Height = r.NextInt("the height");
      if (step.Width < 1 || step.Height < 1) throw Fail{"the width and height are at least 1"};
      break;
  }
}

}  // namespace

std::optional<PaletteControlInfo> FindPaletteControl(std::string_view name) {
  if (name == kEdit1.Name) return kEdit1;
  for (const PaletteControlInfo& c : kPaletteControls)
    if (c.Name == name) return c;
  return std::nullopt;
}

std::optional<Handler> FindMainHandler(std::string_view name) {
  for (int i = 0; i <= static_cast<int>(Handler::Action9Execute); ++i) {
    const auto h = static_cast<Handler>(i);
    if (h != Handler::Open1Click && HandlerName(h) == name) return h;
  }
  return std::nullopt;
}

std::optional<std::string> FindShortcutKeys(std::string_view keys) {
  std::string k = Upper(keys);
  if (k == "CTRL+PLUS" || k == "CTRL++") k = "CTRL+=";
  if (k == "CTRL+MINUS") k = "CTRL+-";
  for (const ShortcutEntry& e : Shortcuts())
    if (Upper(e.Keys) == k) return std::string(e.Keys);
  return std::nullopt;
}

int FilterIndexOf(std::string_view fileName) {
  // Only the extension a type is written with: "x.jpeg" would be written as "x.jpg".
  const formats::FileTypeInfo* type = formats::FileTypeForName(std::string(fileName));
  if (!type || !Lower(fileName).ends_with(type->extensions.front())) return 0;
  return type->saveFilterIndex;
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error) {
  CommandLine line;
  std::size_t at = 0;
  while (at < args.size()) {
    const std::string& word = args[at];
    if (word == "--help" || word == "-h") {
      line.Help = true;
      ++at;
      continue;
    }
    if (word == "--print-state") {
      line.PrintState = true;
      ++at;
      continue;
    }
    Step step;
    step.Number = static_cast<int>(line.Steps.size()) + 1;
    step.Source = word;
    const auto found = StepWords().find(word);
    if (found == StepWords().end()) {
      error = "step " + std::to_string(step.Number) + " ('" + word + "'): no such step" +
              (word.starts_with("-") ? " or option" : "") + "; see drollo-batch --help";
      return std::nullopt;
    }
    step.Kind = found->second;
    ++at;
    StepReader reader(args, at, step);
    try {
      ReadStep(reader, step);
    } catch (const Fail& f) {
      error = "step " + std::to_string(step.Number) + " (" + step.Source + "): " + f.message;
      return std::nullopt;
    }
    line.Steps.push_back(std::move(step));
  }
  return line;
}

std::string HelpText() {
  std::string opened;
  for (const formats::FileTypeInfo& t : formats::FileTypes())
    for (std::string_view e : t.extensions) opened += " " + std::string(e);
  std::string text = R"(Usage: drollo-batch [--print-state] STEP...

Runs the steps in order on a fresh program (the start picture, the palette on page 0, zoom
100%), as a user would with the mouse and the keys. Exit status 0 when every step succeeded, 2
when one failed (the run stops there) or did not parse (nothing runs).

Steps:
  open FILE          the open command with FILE chosen; the file's content decides its type:
                    @OPENED@
  page N             turn the palette to page N: 0 warp, 1 swirl, 2 sketch, 3 outline
  set NAME=VALUE     set a palette control; its change handler runs:
                       TrackBar1..TrackBar7=POSITION   RadioButton1..RadioButton3=1
                       CheckBox1=0|1   Edit1=TEXT   Panel2=#RRGGBB (the colour dialog's choice)
  press NAME         press a palette button (SpeedButton1..SpeedButton19, Button1; Edit1 is
                     double-clicked), or run a main-window command by its handler's name:
                     Save1Click Exit1Click Undo1Click Redo1Click RenewClick
                     SpeedButton8Click (zoom out) SpeedButton9Click (zoom in)
                     SpeedButton2Click (crop selection) SpeedButton11Click (crop)
                     SpeedButton16Click (print) SpeedButton1Click (mail) Online1Click
                     Help2Click About1Click ImageSize1Click Action6Execute (copy)
                     Action9Execute (paste)
                     A palette control must be on the page showing.
  click X,Y          left press and release at X,Y on the picture (Image1; Image2 on page 3),
                     in screen pixels from the picture's top left at the current zoom
  hold X,Y SECONDS   a left press held: the auto-repeat ticks once per whole second
  drag X,Y X,Y...    left press at the first point, moves through the others, release at the
                     last one
  rdrag X,Y X,Y...   the same with the right button
  wheel up|down      the mouse wheel: up zooms out, down zooms in
  key KEYS           a short-cut: CTRL+O CTRL+S CTRL+Q CTRL+Z CTRL+Y CTRL+C CTRL+- CTRL+=
                     CTRL+V CTRL+E CTRL+P CTRL+R CTRL+M F1 CTRL+L
  text X,Y STRING    with the text tool: open the box at X,Y, type STRING, double-click it
  resize W H         the picture-size dialog with width and height typed, then "确定"
  save FILE          save the picture; @SAVED@ chooses the format
  export FILE        export the outline layer; @SAVED@ chooses the format
  print FILE.pdf     print the picture, with a PDF file as the printer

Dialogs that a step does not answer are cancelled. Message boxes are printed to standard
error with their caption.

Options:
  --print-state      print the program's state as JSON after the last step (its texts in the
                     language of the locale: English for en*, Chinese otherwise)
  --help             this text

Example: a bulge, a pen sketch and a balanced outline of a photograph
  drollo-batch open photo.jpg click 200,150 save bulge.jpg \
    page 2 set TrackBar5=140 press SpeedButton4 save sketch.jpg \
    page 3 press SpeedButton10 set Edit1=2 press Edit1 export outline.jpg
)";
  const auto fill = [&text](const std::string& key, const std::string& value) {
    for (std::size_t at; (at = text.find(key)) != std::string::npos;)
      text.replace(at, key.size(), value);
  };
  fill("@OPENED@", opened.substr(1));
  fill("@SAVED@", SavedExtensions(" or "));
  return text;
}

}  // namespace drollo::batch
