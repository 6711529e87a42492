// The program without its windows, for drollo-batch: the main window model, built as the desktop
// builds it, with the Qt painter and text renderer for the outline layer and the desktop's
// services answered by the steps (the file a dialog chooses, the colour the colour dialog
// returns, a PDF file as the printer, a clipboard inside the run). It turns each step into the
// events a user's mouse and keys would give.
//
// A QGuiApplication must exist while a Session lives (the layer's painter and the text need it).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "batch/pdf_printer.h"
#include "batch/steps.h"
#include "platform/languages.h"
#include "platform/layer_canvas_qt.h"
#include "platform/text_render_qt.h"

namespace drollo::batch {

// What a step asked of the dialogs, answered in advance.
class StepOpenDialog : public OpenPictureDialog {
 public:
  std::optional<std::string> Pending;
  std::optional<std::string> Execute(const std::string& filter, int preselected) override;
};

class StepSaveDialog : public SaveDialog {
 public:
  std::optional<Choice> Pending;
  std::optional<Choice> Execute(const std::string& filter) override;
};

// The error report collects the errors of the step running; a step that met one fails.
class StepErrors : public ErrorReport {
 public:
  std::vector<std::string> Errors;
  void ShowError(const std::string& message) override { Errors.push_back(message); }
};

// Message boxes go to standard error with their caption.
class StreamMessages : public MessageBoxes {
 public:
  explicit StreamMessages(std::ostream& err) : err_(err) {}
  void MessageBox(const std::string& text, const std::string& caption) override;

 private:
  std::ostream& err_;
};

// The colour dialog confirms the colour the set step gave, and is cancelled otherwise.
class StepColorDialog : public ColorDialog {
 public:
  std::optional<TColor> Pending;
  bool Execute(TColor& colour) override;
};

class RunClipboard : public Clipboard {
 public:
  std::optional<Picture> GetBitmap() override { return bitmap_; }
  void PutBitmap(const Picture& picture) override { bitmap_ = picture; }

 private:
  std::optional<Picture> bitmap_;
};

class Session : private ProgressDisplay {
 public:
  // Starts the program as the desktop does: the main window, the work area, the palette, then
  // the first showing of the main window and the work area. Notes (disabled controls, skipped
  // steps) and message boxes go to `err`.
  explicit Session(std::ostream& err);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  TForm1& Form() { return *form_; }

  // Called as a long step advances the palette's progress bar (position, maximum).
  std::function<void(int position, int max)> Progress;

  // Runs one step. False, with the reason in `error`, when it failed.
  bool Run(const Step& step, std::string& error);
  // The main window was closed (Exit1Click, Ctrl+Q): the program has ended.
  bool Ended() const { return form_->Closed; }

  // The program's state as one JSON object.
  std::string StateJson() const;

 private:
  // ProgressDisplay.
  void Advanced(const ProgressBarState& bar) override;

  void runStep(const Step& step);
  void set(const Step& step);
  void press(const Step& step);
  void runMainHandler(const Step& step);
  void mouse(const Step& step);
  void text(const Step& step);
  void resize(const Step& step);
  void open(const Step& step);

  // The control the mouse acts on: Image2 when the outline layer is shown over the picture.
  bool onImage2() const;
  void checkInside(Point p) const;
  void down(TMouseButton button, Point p);
  void move(TMouseButton button, Point p);
  void up(TMouseButton button, Point p);
  void note(const Step& step, const std::string& text);

  std::ostream& err_;
  StepOpenDialog open_;
  StepSaveDialog save_;
  StepErrors errors_;
  StreamMessages messages_;
  RunClipboard clipboard_;
  PdfPrinter printer_;
  StepColorDialog colours_;
  platform::QtLayerCanvas canvas_;
  platform::QtTextRenderer renderer_;
  platform::QtTexts texts_;
  std::unique_ptr<TForm1> form_;
  bool hovering_ = false;
};

}  // namespace drollo::batch
