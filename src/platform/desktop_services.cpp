#include "platform/desktop_services.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <cstdio>
#include <exception>

#include "app/recovery.h"
#include "formats/file_types.h"
#include "palette/picture_save.h"
#include "platform/languages.h"
#include "platform/qt_pictures.h"
#include "platform/text_render_qt.h"

namespace drollo::platform {

QStringList NameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1];
    if (pattern == "*.*") pattern = "*";
    filters << QString("%1 (%2)").arg(parts[i], pattern);
  }
  return filters;
}

// --- Open with a preview --------------------------------------------------------------------

namespace {

// The preview beside the file list: the selected picture scaled into a fixed box, read with the
// program's own readers so every format that can be opened can be previewed.
class PicturePreview : public QLabel {
 public:
  explicit PicturePreview(QWidget* parent) : QLabel(parent) {
    setFixedSize(180, 180);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
  }
  void showFile(const QString& path) {
    setPixmap(QPixmap());
    setText(QString());
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    try {
      const Picture picture = formats::LoadPicture(S(path)).picture;
      const QImage image = ToQImage(picture);
      setPixmap(QPixmap::fromImage(
          image.scaled(size() - QSize(8, 8), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
      setToolTip(QString("%1 × %2").arg(picture.width()).arg(picture.height()));
    } catch (const std::exception&) {
      setText("?");
    }
  }
};

}  // namespace

std::optional<std::string> QtOpenPictureDialog::Execute(const std::string& filter,
                                                        int preselected) {
  QFileDialog dialog(parent_, QCoreApplication::translate("Dialogs", "打开"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  const QStringList filters = NameFilters(filter);
  dialog.setNameFilters(filters);
  if (preselected >= 1 && preselected <= filters.size())
    dialog.selectNameFilter(filters[preselected - 1]);
  auto* preview = new PicturePreview(&dialog);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
  QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::showFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return S(dialog.selectedFiles().first());
}

// The file written carries the chosen entry's extension, not necessarily the typed one: the
// dialog's own question would name the typed file, so the question is asked here about the file
// that will really be replaced, and "no" returns to the dialog.
std::optional<SaveDialog::Choice> QtSaveDialog::Execute(const std::string& filter) {
  QFileDialog dialog(parent_, QCoreApplication::translate("Dialogs", "保存"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  const QStringList filters = NameFilters(filter);
  dialog.setNameFilters(filters);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    Choice c;
    c.FileName = S(dialog.selectedFiles().first());
    c.FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (c.FilterIndex < 1) c.FilterIndex = 1;
    const QString target = Q(SaveTarget(c));
    if (target.isEmpty() || !QFileInfo::exists(target)) return c;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        parent_, QCoreApplication::translate("Dialogs", "保存"),
        QCoreApplication::translate("Dialogs", "“%1”已经存在。\n要替换它吗？").arg(target),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) return c;
  }
}

// --- Messages --------------------------------------------------------------------------------

void QtErrorReport::ShowError(const std::string& message) {
  QMessageBox::critical(parent_, QApplication::applicationDisplayName(), Q(message));
}

void QtMessageBoxes::MessageBox(const std::string& text, const std::string& caption) {
  QMessageBox::information(parent_, Q(caption), Q(text));
}

bool QtQuestionBox::Ask(const std::string& text, const std::string& caption,
                        const std::string& first, const std::string& second) {
  QMessageBox box(QMessageBox::Question, Q(caption), Q(text), QMessageBox::NoButton, parent_);
  box.setObjectName("QuestionBox");
  QPushButton* yes = box.addButton(Q(first), QMessageBox::AcceptRole);
  // Not a rejecting role: Escape must not throw the answer away.
  box.addButton(Q(second), QMessageBox::DestructiveRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
  box.exec();
  return box.clickedButton() == yes;
}

// --- Clipboard -------------------------------------------------------------------------------

std::optional<Picture> QtClipboard::GetBitmap() {
  const QImage image = QApplication::clipboard()->image();
  if (image.isNull()) return std::nullopt;
  return FromQImage(image);
}

void QtClipboard::PutBitmap(const Picture& picture) {
  QApplication::clipboard()->setImage(ToQImage(picture));
}

// --- Printer ---------------------------------------------------------------------------------

QtPrinter::QtPrinter(QWidget* parent) : parent_(parent) {}
QtPrinter::~QtPrinter() = default;

bool QtPrinter::ExecutePrintDialog() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrintDialog dialog(printer_.get(), parent_);
  return dialog.exec() == QDialog::Accepted;
}

int QtPrinter::PageWidth() {
  return printer_ ? printer_->pageLayout().paintRectPixels(printer_->resolution()).width() : 0;
}

int QtPrinter::PageHeight() {
  return printer_ ? printer_->pageLayout().paintRectPixels(printer_->resolution()).height() : 0;
}

void QtPrinter::BeginDoc() {
  if (!printer_) throw std::runtime_error("No printer has been chosen.");
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(printer_.get())) {
    painter_.reset();
    throw std::runtime_error("Printing could not start on " + S(printer_->printerName()) + ".");
  }
}

void QtPrinter::StretchDraw(const Rect& target, const Picture& picture) {
  if (!painter_) return;
  painter_->drawImage(QRect(target.left, target.top, target.width(), target.height()),
                      ToQImage(picture));
}

void QtPrinter::EndDoc() {
  if (painter_) painter_->end();
  painter_.reset();
}

// --- Mail ------------------------------------------------------------------------------------

QStringList XdgMailProgram::Arguments(const MailMessage& message) {
  QStringList args;
  if (!message.Subject.empty()) args << "--subject" << Q(message.Subject);
  if (!message.NoteText.empty()) args << "--body" << Q(message.NoteText);
  for (const MailMessage::Attachment& a : message.Attachments) args << "--attach" << Q(a.PathName);
  if (message.To) {
    std::string address = message.To->Address;
    if (address.rfind("SMTP:", 0) == 0) address.erase(0, 5);
    args << Q(address);
  }
  return args;
}

int XdgMailProgram::Send(const MailMessage& message) {
  QString where;
  if (!message.Attachments.empty()) where = Q(message.Attachments.front().PathName);
  const QString advice =
      QCoreApplication::translate(
          "Dialogs",
          "无法启动邮件程序。\n\n请在系统中设置一个默认的邮件程序，或者手动发送图片:\n%1")
          .arg(where);
  const QString title = QCoreApplication::translate("Dialogs", "把作品发给朋友");
  auto* process = new QProcess(parent_);
  QObject::connect(process, &QProcess::errorOccurred, process,
                   [process, advice, title, parent = parent_](QProcess::ProcessError e) {
                     if (e == QProcess::FailedToStart) {
                       QMessageBox::warning(parent, title, advice);
                       process->deleteLater();
                     }
                   });
  QObject::connect(
      process, &QProcess::finished, process,
      [process, advice, title, parent = parent_](int code, QProcess::ExitStatus status) {
        // xdg-email exits with 3 when no mail tool is installed and 4 when the
        // mail program could not be run.
        if (status != QProcess::NormalExit || code != 0)
          QMessageBox::warning(parent, title, advice);
        process->deleteLater();
      });
  process->start("xdg-email", Arguments(message));
  return 0;
}

void QtWebBrowser::OpenWebPage(const std::string& address) {
  QDesktopServices::openUrl(QUrl(Q(address)));
}

std::string FindHelpPage(Language language) {
  const QDir help(QDir(QCoreApplication::applicationDirPath()).filePath("../share/drollo/help"));
  // The English page when the interface is English; the Chinese one otherwise, and in place of
  // an English page that is missing.
  QStringList names{"faq.html"};
  if (language == Language::English) names.prepend("faq_en.html");
  for (const QString& name : names) {
    const QFileInfo page(help.filePath(name));
    if (page.isFile()) return S(page.canonicalFilePath());
  }
  return std::string();
}

// --- Colour and font -------------------------------------------------------------------------

bool ExecuteColorDialog(QWidget* parent, TColor& colour) {
  QColorDialog dialog(ToQColor(colour), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  colour = FromQColor(dialog.selectedColor());
  return true;
}

bool ExecuteFontDialog(QWidget* parent, QFont& font) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, font, parent);
  if (ok) font = chosen;
  return ok;
}

bool QtFontDialog::Execute(outline::TFont& font) {
  QFont q = ToQFont(font);
  if (!ExecuteFontDialog(parent_, q)) return false;
  font = FromQFont(q, font.Color);
  return true;
}

DesktopServices::DesktopServices(QWidget* parent)
    : Open(parent),
      Save(parent),
      Errors(parent),
      Messages(parent),
      Questions(parent),
      Printer1(parent),
      Mail(parent) {
  const std::string root = RecoveryStore::DefaultRoot();
  try {
    if (root.empty()) throw std::runtime_error("neither XDG_STATE_HOME nor HOME is set");
    Recovery = std::make_unique<RecoveryStore>(root);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "drollo: no recovery copies are kept: %s\n", e.what());
  }
}

DesktopServices::~DesktopServices() = default;

PlatformServices DesktopServices::Services() {
  PlatformServices s;
  s.OpenPictureDialog1 = &Open;
  s.SaveDialog1 = &Save;
  s.Errors = &Errors;
  s.Messages = &Messages;
  s.ClipboardBitmaps = &ClipboardBitmaps;
  s.Printer1 = &Printer1;
  s.Mail = &Mail;
  s.Browser = &Browser;
  s.Questions = &Questions;
  s.Recovery = Recovery.get();
  return s;
}

}  // namespace drollo::platform
