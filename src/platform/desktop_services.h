// The desktop's dialogs and services behind the main window's service interfaces: the picture
// dialogs, message boxes and the general error report, the clipboard, the printer, the web
// browser and the hand-off to the user's mail program.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "app/services.h"
#include "image/pixel_math.h"
#include "platform/languages.h"
#include "workarea/text_box.h"

class QPrinter;
class QPainter;
class QFont;

namespace drollo::platform {

// "text|pattern|text|pattern..." as Qt's name filters "text (pattern)".
QStringList NameFilters(const std::string& filter);

// The picture-open dialog shows a preview of the selected file beside the file list.
class QtOpenPictureDialog : public OpenPictureDialog {
 public:
  explicit QtOpenPictureDialog(QWidget* parent) : parent_(parent) {}
  std::optional<std::string> Execute(const std::string& filter, int preselected) override;

 private:
  QPointer<QWidget> parent_;
};

class QtSaveDialog : public SaveDialog {
 public:
  explicit QtSaveDialog(QWidget* parent) : parent_(parent) {}
  std::optional<Choice> Execute(const std::string& filter) override;

 private:
  QPointer<QWidget> parent_;
};

class QtErrorReport : public ErrorReport {
 public:
  explicit QtErrorReport(QWidget* parent) : parent_(parent) {}
  void ShowError(const std::string& message) override;

 private:
  QPointer<QWidget> parent_;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}
  void MessageBox(const std::string& text, const std::string& caption) override;

 private:
  QPointer<QWidget> parent_;
};

// The question as a message box with two buttons; the first is the default and Enter presses it.
// Escape answers neither, so the box stays until a button is pressed.
class QtQuestionBox : public QuestionBox {
 public:
  explicit QtQuestionBox(QWidget* parent) : parent_(parent) {}
  bool Ask(const std::string& text, const std::string& caption, const std::string& first,
           const std::string& second) override;

 private:
  QPointer<QWidget> parent_;
};

class QtClipboard : public Clipboard {
 public:
  std::optional<Picture> GetBitmap() override;
  void PutBitmap(const Picture& picture) override;
};

class QtPrinter : public Printer {
 public:
  explicit QtPrinter(QWidget* parent);
  ~QtPrinter() override;
  bool ExecutePrintDialog() override;
  int PageWidth() override;
  int PageHeight() override;
  void BeginDoc() override;
  void StretchDraw(const Rect& target, const Picture& picture) override;
  void EndDoc() override;

 private:
  QPointer<QWidget> parent_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
};

// Hands the message to the desktop's mail program through xdg-email (subject, body and
// attachments on its command line). When xdg-email cannot be started, or reports that no mail
// program could be run, the user is told so and where the attachment lies.
class XdgMailProgram : public MailProgram {
 public:
  explicit XdgMailProgram(QWidget* parent) : parent_(parent) {}
  int Send(const MailMessage& message) override;
  // The command line handed to xdg-email.
  static QStringList Arguments(const MailMessage& message);

 private:
  QPointer<QWidget> parent_;
};

class QtWebBrowser : public WebBrowser {
 public:
  void OpenWebPage(const std::string& address) override;
};

// The colour dialog with the full colour editor, preset to `colour`.
bool ExecuteColorDialog(QWidget* parent, TColor& colour);
// The font dialog preset to `font`; true with the chosen font on confirmation.
bool ExecuteFontDialog(QWidget* parent, QFont& font);

// The palette's colour dialog, over `parent`.
class QtColorDialog : public ColorDialog {
 public:
  explicit QtColorDialog(QWidget* parent) : parent_(parent) {}
  bool Execute(TColor& colour) override { return ExecuteColorDialog(parent_, colour); }

 private:
  QPointer<QWidget> parent_;
};

// The question-and-answer page installed with the program, in the interface's language:
// share/drollo/help/faq.html (Chinese) or faq_en.html (English) beside the program's folder
// (bin/../share), which the build tree lays out the same way. Empty when it is not there.
std::string FindHelpPage(Language language = CurrentLanguage());

// The text tool's font dialog.
class QtFontDialog : public FontDialog {
 public:
  explicit QtFontDialog(QWidget* parent) : parent_(parent) {}
  bool Execute(outline::TFont& font) override;

 private:
  QPointer<QWidget> parent_;
};

// Every service of the desktop, owned together.
struct DesktopServices {
  explicit DesktopServices(QWidget* parent);
  ~DesktopServices();
  PlatformServices Services();

  QtOpenPictureDialog Open;
  QtSaveDialog Save;
  QtErrorReport Errors;
  QtMessageBoxes Messages;
  QtQuestionBox Questions;
  // The recovery copies in the user's state folder; none when that folder cannot be used (the
  // program then runs without them, and says so on standard error).
  std::unique_ptr<RecoveryStore> Recovery;
  QtClipboard ClipboardBitmaps;
  QtPrinter Printer1;
  XdgMailProgram Mail;
  QtWebBrowser Browser;
};

}  // namespace drollo::platform
