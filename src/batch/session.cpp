#include "batch/session.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <sstream>

namespace drollo::batch {

namespace {

// The work area window's client area at its start size (615 x 504 outside), as the desktop
// shows it: what scrolling is bounded by.
constexpr DisplaySize kWorkAreaClient{607, 474};
constexpr int kWheelNotch = 120;

struct StepFailure {
  std::string message;
};

[[noreturn]] void FailStep(std::string message) {
  throw StepFailure{std::move(message)};
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string ColourText(TColor c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", static_cast<unsigned>(c & 255),
                static_cast<unsigned>((c >> 8) & 255), static_cast<unsigned>((c >> 16) & 255));
  return buf;
}

std::string PictureJson(const Picture& p) {
  std::ostringstream o;
  o << "{\"width\": " << p.width() << ", \"height\": " << p.height()
    << ", \"depth\": " << (p.empty() ? 0 : p.bitsPerPixel()) << "}";
  return o.str();
}

std::string HistoryJson(const HistoryRing& h) {
  std::ostringstream o;
  o << "{\"index\": " << h.index() << ", \"undo\": " << h.undoCount()
    << ", \"redo\": " << h.redoCount() << "}";
  return o.str();
}

}  // namespace

std::optional<std::string> StepOpenDialog::Execute(const std::string&, int) {
  std::optional<std::string> chosen = std::move(Pending);
  Pending.reset();
  return chosen;
}

std::optional<SaveDialog::Choice> StepSaveDialog::Execute(const std::string& filter) {
  (void)filter;
  std::optional<Choice> chosen = std::move(Pending);
  Pending.reset();
  return chosen;
}

bool StepColorDialog::Execute(TColor& colour) {
  if (!Pending) return false;
  colour = *Pending;
  Pending.reset();
  return true;
}

void StreamMessages::MessageBox(const std::string& text, const std::string& caption) {
  err_ << "message box \"" << caption << "\": " << text << "\n";
}

Session::Session(std::ostream& err) : err_(err), messages_(err) {
  PlatformServices services;
  services.OpenPictureDialog1 = &open_;
  services.SaveDialog1 = &save_;
  services.Errors = &errors_;
  services.Messages = &messages_;
  services.ClipboardBitmaps = &clipboard_;
  services.Printer1 = &printer_;
  services.Colors = &colours_;
  services.Canvas = &canvas_;
  services.Renderer = &renderer_;
  services.Progress = this;
  services.Texts = &texts_;
  form_ = std::make_unique<TForm1>(services);
  TForm1& f = *form_;
  // The first showing of the main window and the work area, at the work area's start size.
  f.Work_area.SetClientSize(kWorkAreaClient);
  f.FormShow();
}

Session::~Session() = default;

void Session::Advanced(const ProgressBarState& bar) {
  if (Progress) Progress(bar.Position, bar.Max);
}

bool Session::Run(const Step& step, std::string& error) {
  errors_.Errors.clear();
  try {
    runStep(step);
  } catch (const StepFailure& f) {
    error = f.message;
  } catch (const std::exception& e) {
    error = e.what();
  }
  // Answers the step prepared but no dialog took are forgotten.
  open_.Pending.reset();
  save_.Pending.reset();
  printer_.PendingFile.reset();
  colours_.Pending.reset();
  if (error.empty() && !errors_.Errors.empty()) error = errors_.Errors.front();
  return error.empty();
}

void Session::note(const Step& step, const std::string& text) {
  err_ << "step " << step.Number << " (" << step.Source << "): " << text << "\n";
}

void Session::runStep(const Step& step) {
  TForm1& f = *form_;
  switch (step.Kind) {
    case StepKind::Open:
      open(step);
      break;
    case StepKind::Page:
      if (!f.Tools.TabbedNotebook1.Enabled) {
        note(step, "the palette's pages are disabled; nothing happens");
        break;
      }
      f.Tools.TabbedNotebook1.SetPageIndex(step.Value);
      break;
    case StepKind::Set:
      set(step);
      break;
    case StepKind::Press:
      press(step);
      break;
    case StepKind::Click:
    case StepKind::Hold:
    case StepKind::Drag:
    case StepKind::RDrag:
      mouse(step);
      break;
    case StepKind::Wheel:
      f.Work_area.MouseWheel(step.Value > 0 ? kWheelNotch : -kWheelNotch);
      break;
    case StepKind::Key:
      if (!f.ActionNamed([&] {
              for (const ShortcutEntry& e : Shortcuts())
                if (e.Keys == step.Name) return e.Name;
              return std::string_view();
            }())
               ->Enabled)
        note(step, "the short-cut is disabled; nothing happens");
      f.PressKeys(step.Name);
      break;
    case StepKind::Text:
      text(step);
      break;
    case StepKind::Resize:
      resize(step);
      break;
    case StepKind::Save:
      save_.Pending = SaveDialog::Choice{step.Name, step.Value};
      f.Execute(Handler::Save1Click);
      break;
    case StepKind::Export:
      save_.Pending = SaveDialog::Choice{step.Name, step.Value};
      f.Tools.SpeedButton7.Click();
      break;
    case StepKind::Print:
      printer_.PendingFile = step.Name;
      f.Execute(Handler::SpeedButton16Click);
      if (f.State.WorkingPicture.empty()) note(step, "the picture is empty; nothing is printed");
      break;
  }
}

// The open dialog answered with the file; the program itself reports a file it cannot open, and
// keeps everything as it was.
void Session::open(const Step& step) {
  open_.Pending = step.Name;
  form_->Execute(Handler::Open1Click);
}

void Session::set(const Step& step) {
  TTools& t = form_->Tools;
  const PaletteControlInfo info = *FindPaletteControl(step.Name);
  if (info.Page != t.TabbedNotebook1.PageIndex())
    FailStep(step.Name + " lies on palette page " + std::to_string(info.Page) +
             "; turn to it first with: page " + std::to_string(info.Page));
  if (step.Name == "Edit1") {
    t.Edit1.Text = step.Text;
    return;
  }
  if (step.Name == "CheckBox1") {
    if (!t.CheckBox1.Enabled) return note(step, "CheckBox1 is disabled; nothing happens");
    if (t.CheckBox1.Checked != (step.Value != 0)) t.CheckBox1.Click();
    return;
  }
  if (step.Name == "Panel2") {
    colours_.Pending = static_cast<TColor>(step.Value);
    t.Panel2.Click();
    return;
  }
  RadioButton* radios[] = {&t.RadioButton1, &t.RadioButton2, &t.RadioButton3};
  for (int i = 0; i < 3; ++i)
    if (step.Name == "RadioButton" + std::to_string(i + 1)) {
      if (!radios[i]->Enabled) return note(step, step.Name + " is disabled; nothing happens");
      radios[i]->Click();
      return;
    }
  TrackBar* bars[] = {&t.TrackBar1, &t.TrackBar2, &t.TrackBar3, &t.TrackBar4,
                      &t.TrackBar5, &t.TrackBar6, &t.TrackBar7};
  for (int i = 0; i < 7; ++i)
    if (step.Name == "TrackBar" + std::to_string(i + 1)) {
      TrackBar& b = *bars[i];
      if (step.Value < b.Min() || step.Value > b.Max())
        FailStep(step.Name + " moves from " + std::to_string(b.Min()) + " to " +
                 std::to_string(b.Max()) + ", not to " + std::to_string(step.Value));
      if (!b.Enabled) return note(step, step.Name + " is disabled; nothing happens");
      b.SetPosition(step.Value);
      return;
    }
}

void Session::press(const Step& step) {
  if (step.MainHandler) return runMainHandler(step);
  TTools& t = form_->Tools;
  const PaletteControlInfo info = *FindPaletteControl(step.Name);
  if (info.Page != t.TabbedNotebook1.PageIndex())
    FailStep(step.Name + " lies on palette page " + std::to_string(info.Page) +
             "; turn to it first with: page " + std::to_string(info.Page));
  if (step.Name == "Edit1") return t.Edit1.DblClick();
  if (step.Name == "Button1") return t.Button1.Click();
  SpeedButton* buttons[] = {&t.SpeedButton1,  &t.SpeedButton2,  &t.SpeedButton3,  &t.SpeedButton4,
                            &t.SpeedButton5,  &t.SpeedButton6,  &t.SpeedButton7,  &t.SpeedButton8,
                            &t.SpeedButton9,  &t.SpeedButton10, &t.SpeedButton11, &t.SpeedButton12,
                            &t.SpeedButton13, &t.SpeedButton14, &t.SpeedButton15, &t.SpeedButton16,
                            &t.SpeedButton17, &t.SpeedButton18, &t.SpeedButton19};
  for (int i = 0; i < 19; ++i)
    if (step.Name == "SpeedButton" + std::to_string(i + 1)) {
      if (!buttons[i]->Enabled) return note(step, step.Name + " is disabled; nothing happens");
      buttons[i]->Click();
      return;
    }
}

// A command runs the way a user can reach it: its tool bar button (shown pressed), else its menu
// entry, else its short-cut. When every way is disabled nothing happens.
void Session::runMainHandler(const Step& step) {
  TForm1& f = *form_;
  const Handler h = *step.MainHandler;
  for (const ToolButtonEntry& e : ToolBarButtons())
    if (e.Runs == h && f.ToolButton(e.Name)->Enabled)
      return f.PressToolButton(*f.ToolButton(e.Name));
  for (const MenuEntry& e : MenuEntries())
    if (e.Runs == h && f.MenuEntryNamed(e.Name)->Enabled) return f.Execute(h);
  for (const ShortcutEntry& e : Shortcuts())
    if (e.Runs == h && f.ActionNamed(e.Name)->Enabled) return f.Execute(h);
  note(step, "the command is disabled; nothing happens");
}

bool Session::onImage2() const {
  return form_->Work_area.Image2.Visible && form_->State.CurrentPage() == Page::Outline;
}

void Session::checkInside(Point p) const {
  const DisplaySize& s = form_->Work_area.Images.Image1;
  if (p.x < 0 || p.y < 0 || p.x >= s.Width || p.y >= s.Height)
    FailStep("the press at " + std::to_string(p.x) + "," + std::to_string(p.y) +
             " lies outside the picture shown (" + std::to_string(s.Width) + " x " +
             std::to_string(s.Height) + ")");
}

namespace {
TShiftState Held(TMouseButton button) {
  TShiftState s;
  s.Left = button == TMouseButton::Left;
  s.Right = button == TMouseButton::Right;
  return s;
}
}  // namespace

void Session::down(TMouseButton button, Point p) {
  TWork_area& w = form_->Work_area;
  if (onImage2()) {
    if (!hovering_) w.MouseEnter(TWork_area::ChildControl::Image2);
    hovering_ = true;
    w.Image2MouseDown(button, Held(button), p.x, p.y);
  } else {
    if (!hovering_) w.MouseEnter(TWork_area::ChildControl::Image1);
    hovering_ = true;
    w.Image1MouseDown(button, Held(button), p.x, p.y);
  }
}

void Session::move(TMouseButton button, Point p) {
  if (onImage2())
    form_->Work_area.Image2MouseMove(Held(button), p.x, p.y);
  else
    form_->Work_area.Image1MouseMove(Held(button), p.x, p.y);
}

void Session::up(TMouseButton button, Point p) {
  TWork_area& w = form_->Work_area;
  if (onImage2()) {
    w.Image2MouseUp(button, TShiftState{}, p.x, p.y);
    return;
  }
  // A completed left click is delivered before the release, when the release is on the picture.
  const DisplaySize& s = w.Images.Image1;
  const bool inside = p.x >= 0 && p.y >= 0 && p.x < s.Width && p.y < s.Height;
  if (button == TMouseButton::Left && inside) w.Image1Click();
  w.Image1MouseUp(button, TShiftState{}, p.x, p.y);
}

void Session::mouse(const Step& step) {
  const TMouseButton button =
      step.Kind == StepKind::RDrag ? TMouseButton::Right : TMouseButton::Left;
  const Point first = step.Points.front();
  checkInside(first);
  const bool image2 = onImage2();
  down(button, first);
  if (step.Kind == StepKind::Hold && !image2) {
    TWork_area& w = form_->Work_area;
    for (int s = 0; s < step.Seconds; ++s)
      if (w.Timer1.Enabled) w.Timer1Timer();
  }
  for (std::size_t i = 1; i < step.Points.size(); ++i) move(button, step.Points[i]);
  up(button, step.Points.back());
}

void Session::text(const Step& step) {
  TForm1& f = *form_;
  if (f.State.CurrentPage() != Page::Outline)
    FailStep("the text tool lies on palette page 3; turn to it first");
  // The text tool, chosen as the user would with "文本".
  if (f.State.DrawingTool != DrawTool::Text) f.Tools.SpeedButton13.Click();
  const Point p = step.Points.front();
  checkInside(p);
  down(TMouseButton::Left, p);
  up(TMouseButton::Left, p);
  OutlineDrawing& d = f.Work_area.Outline;
  if (!d.Memo1.Visible) FailStep("the text box did not open");
  d.Memo1.Text = step.Name;
  f.Work_area.Memo1DblClick();
}

void Session::resize(const Step& step) {
  TForm1& f = *form_;
  f.Execute(Handler::ImageSize1Click);
  TImage_Size& d = f.Image_Size;
  // Both fields take exactly what is typed: the kept ratio is switched off meanwhile.
  const bool kept = d.CheckBox1.Checked;
  if (kept) d.CheckBox1.Click();
  d.Edit1.Text = std::to_string(step.Width);
  d.Edit1KeyUp();
  d.Edit2.Text = std::to_string(step.Height);
  d.Edit2KeyUp();
  d.Button1.Click();
  if (kept) d.CheckBox1.Click();
}

std::string Session::StateJson() const {
  const TForm1& f = *form_;
  const ProgramState& s = f.State;
  const TTools& t = f.Tools;
  std::ostringstream o;
  o << "{\n";
  o << "  \"page\": " << s.PageIndex << ",\n";
  o << "  \"zoom\": " << s.ZoomPercent << ",\n";
  o << "  \"zoomLabel\": " << JsonString(f.Label1Caption()) << ",\n";
  o << "  \"tool\": {\"WarpShape\": " << static_cast<int>(s.WarpShape)
    << ", \"WarpAction\": " << static_cast<int>(s.WarpAction)
    << ", \"SmudgeMode\": " << (s.SmudgeMode ? "true" : "false")
    << ", \"ScreenRadius\": " << s.ScreenRadius << ", \"PictureRadius\": " << s.PictureRadius
    << ", \"WarpStrength\": " << s.WarpStrength
    << ", \"DrawingTool\": " << static_cast<int>(s.DrawingTool) << ", \"PenWidth\": " << s.PenWidth
    << ", \"CurveStage\": " << s.CurveStage
    << ", \"CropSelectMode\": " << (s.CropSelectMode ? "true" : "false") << ", \"CropRect\": ["
    << s.CropRect.left << ", " << s.CropRect.top << ", " << s.CropRect.right << ", "
    << s.CropRect.bottom << "]},\n";
  o << "  \"palette\": {";
  const TrackBar* bars[] = {&t.TrackBar1, &t.TrackBar2, &t.TrackBar3, &t.TrackBar4,
                            &t.TrackBar5, &t.TrackBar6, &t.TrackBar7};
  for (int i = 0; i < 7; ++i) o << "\"TrackBar" << i + 1 << "\": " << bars[i]->Position() << ", ";
  o << "\"RadioButton1\": " << (t.RadioButton1.Checked ? 1 : 0)
    << ", \"RadioButton2\": " << (t.RadioButton2.Checked ? 1 : 0)
    << ", \"RadioButton3\": " << (t.RadioButton3.Checked ? 1 : 0)
    << ", \"CheckBox1\": " << (t.CheckBox1.Checked ? 1 : 0)
    << ", \"Edit1\": " << JsonString(t.Edit1.Text)
    << ", \"Panel2\": " << JsonString(ColourText(t.Panel2.Color)) << "},\n";
  o << "  \"undo\": {\"picture\": " << HistoryJson(s.PictureHistory)
    << ", \"outline\": " << HistoryJson(s.OutlineHistory)
    << ", \"undoEnabled\": " << (s.UndoControlsEnabled ? "true" : "false")
    << ", \"redoEnabled\": " << (s.RedoControlsEnabled ? "true" : "false") << "},\n";
  o << "  \"picture\": " << PictureJson(s.WorkingPicture) << ",\n";
  o << "  \"layer\": " << PictureJson(s.OutlineBitmap) << ",\n";
  o << "  \"edgePicture\": " << PictureJson(s.EdgePicture) << ",\n";
  o << "  \"image1\": {\"width\": " << f.Work_area.Images.Image1.Width
    << ", \"height\": " << f.Work_area.Images.Image1.Height << "},\n";
  // The texts that follow the tools, as the windows show them: in the interface's language.
  auto shown = [this](const char* context, const std::string& source) {
    return JsonString(texts_.Translate(context, source));
  };
  o << "  \"texts\": {\"workAreaCaption\": " << shown("TWork_area", f.Work_area.Caption)
    << ", \"image1Hint\": " << shown("TWork_area", f.Work_area.Image1.Hint)
    << ", \"Label12\": " << shown("TTools", t.Label12.Caption) << "}\n";
  o << "}\n";
  return o.str();
}

}  // namespace drollo::batch
