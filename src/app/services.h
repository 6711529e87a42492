// What the main window asks of the desktop around it: dialogs, message boxes, the clipboard, the
// printer, the mail program and the web browser. The desktop program implements each interface;
// tests put fakes in their place. A service left out (a null pointer in PlatformServices) behaves
// as a user who cancels, an empty clipboard, or a call that shows nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "image/picture.h"
#include "outline/layer_canvas.h"
#include "outline/text_render.h"
#include "palette/save_dialog.h"  // SaveDialog
#include "text/texts.h"
#include "workarea/text_box.h"   // FontDialog
#include "workarea/work_area.h"  // WorkAreaSurface

namespace drollo {

// The picture-open dialog with a preview. The filter is pairs of shown text and pattern joined by
// "|"; `preselected` is the 1-based pair shown first.
class OpenPictureDialog {
 public:
  virtual ~OpenPictureDialog() = default;
  // The chosen file name, or nothing when the user cancels.
  virtual std::optional<std::string> Execute(const std::string& filter, int preselected) = 0;
};

// The application's general error report: a message box with the error's text.
class ErrorReport {
 public:
  virtual ~ErrorReport() = default;
  virtual void ShowError(const std::string& message) = 0;
};

// A message box with one OK button.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The clipboard's bitmap, or nothing when it holds none.
  virtual std::optional<Picture> GetBitmap() = 0;
  virtual void PutBitmap(const Picture& picture) = 0;
};

class Printer {
 public:
  virtual ~Printer() = default;
  // The print dialog; false when the user cancels.
  virtual bool ExecutePrintDialog() = 0;
  // The printable area of the chosen printer, in device pixels.
  virtual int PageWidth() = 0;
  virtual int PageHeight() = 0;
  virtual void BeginDoc() = 0;
  // Draws the picture stretched into the page rectangle (left, top, right, bottom exclusive).
  virtual void StretchDraw(const Rect& target, const Picture& picture) = 0;
  virtual void EndDoc() = 0;
};

// A message ready for the user's mail program.
struct MailMessage {
  struct Recipient {
    std::string Name;
    std::string Address;  // "SMTP:" and the address
  };
  struct Attachment {
    std::string PathName;  // full path
    std::string FileName;  // the part after the last folder separator
  };
  std::optional<Recipient> To;
  std::string Subject;
  std::string NoteText;
  std::vector<Attachment> Attachments;
};

// Hands a message to the user's mail program, which shows its compose window filled in.
class MailProgram {
 public:
  virtual ~MailProgram() = default;
  // The mail program's result code: 0 on success, 1 when no mail program can be reached.
  virtual int Send(const MailMessage& message) = 0;
};

class WebBrowser {
 public:
  virtual ~WebBrowser() = default;
  // Opens the address in the default browser; failures are not reported.
  virtual void OpenWebPage(const std::string& address) = 0;
};

// The colour dialog with the full colour editor, preset to `colour`. True and the chosen colour in
// `colour` when the user confirms; false, leaving `colour`, on cancel.
class ColorDialog {
 public:
  virtual ~ColorDialog() = default;
  virtual bool Execute(TColor& colour) = 0;
};

// A question with two answers as buttons, the first one the default (what Enter answers).
class QuestionBox {
 public:
  virtual ~QuestionBox() = default;
  // True when the user gives the first answer.
  virtual bool Ask(const std::string& text, const std::string& caption, const std::string& first,
                   const std::string& second) = 0;
};

class RecoveryStore;  // app/recovery.h

struct PlatformServices {
  OpenPictureDialog* OpenPictureDialog1 = nullptr;
  SaveDialog* SaveDialog1 = nullptr;
  ErrorReport* Errors = nullptr;
  MessageBoxes* Messages = nullptr;
  Clipboard* ClipboardBitmaps = nullptr;
  Printer* Printer1 = nullptr;
  MailProgram* Mail = nullptr;
  WebBrowser* Browser = nullptr;
  ColorDialog* Colors = nullptr;
  // The outline page's drawing surface on the layer, its text rendering and the text tool's
  // font dialog. Without a canvas the layer tools draw nothing.
  outline::LayerCanvas* Canvas = nullptr;
  outline::TextRenderer* Renderer = nullptr;
  FontDialog* Fonts = nullptr;
  // The screen that shows the work area: repaints, minimising, pointer confinement. Without one
  // the work area is a model only.
  WorkAreaSurface* Surface = nullptr;
  // The palette window's progress bar, told as a long step advances it. Without one the bar is
  // shown only when the step has ended.
  ProgressDisplay* Progress = nullptr;
  // The question-and-answer page as a local file path; empty when the program could not find it.
  std::string HelpPage;
  // The texts in the interface's language. Without a lookup every text shows as written, in
  // Chinese.
  const TextLookup* Texts = nullptr;
  // The per-user folder the program may write its own files into (the mail attachment). Empty:
  // the user's data folder ($XDG_DATA_HOME/drollo, or ~/.local/share/drollo).
  std::string DataFolder;
  // Where the unsaved work is copied to now and then, and the question that offers a dead run's
  // copy back at the start. Without a store no copies are written or offered (drollo-batch);
  // without the question copies are written but none is offered.
  RecoveryStore* Recovery = nullptr;
  QuestionBox* Questions = nullptr;
};

}  // namespace drollo
