#include "platform/dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolButton>

#include "platform/artwork.h"
#include "platform/languages.h"
#include "platform/qt_pictures.h"

namespace drollo::platform {

namespace {
constexpr Qt::WindowFlags kOnTopDialog = Qt::Dialog | Qt::WindowStaysOnTopHint |
                                         Qt::MSWindowsFixedSizeDialogHint |
                                         Qt::WindowCloseButtonHint | Qt::WindowTitleHint;
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent, kOnTopDialog) {
  setObjectName("About_us");
  setWindowTitle(QCoreApplication::translate("TAbout_us", "关于我们"));
  setModal(false);
  setFixedSize(438, 346);
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIconPixmap(64, devicePixelRatioF()));
  icon->setGeometry(20, 20, 64, 64);
  auto* title = new QLabel("<b style='font-size:20px'>Drollo 1.0</b><br>" +
                               QCoreApplication::translate("TAbout_us", "把照片变成漫画"),
                           this);
  title->setGeometry(100, 24, 300, 56);
  auto* text = new QTextBrowser(this);
  text->setGeometry(20, 100, 398, 226);
  text->setOpenExternalLinks(true);
  text->setHtml(QCoreApplication::translate(
      "TAbout_us",
      "<p><b>Drollo</b> 1.0 — 卡通图片编辑器</p>"
      "<p>发布日期: 2026年12月</p>"
      "<p>用鼠标让照片膨胀、收缩、拉伸、旋转和涂抹；把照片变成钢笔素描或铅笔素描；"
      "提取轮廓，加粗或变细线条，在轮廓上画直线、曲线、钢笔线和文字。</p>"
      "<p>图片和轮廓各有99步撤销。结果可以保存为 JPEG、BMP 或图元文件，打印，"
      "或者通过邮件发给朋友。</p>"
      "<p>主页: <a href='https://www.drollo.org/'>https://www.drollo.org/</a><br>"
      "联系我们: <a href='mailto:team@drollo.org'>team@drollo.org</a></p>"));
}

void AboutWindow::reject() {
  QDialog::reject();
  if (Closed) Closed();
}

void AboutWindow::closeEvent(QCloseEvent* e) {
  QDialog::closeEvent(e);
  if (Closed) Closed();
}

ImageSizeWindow::ImageSizeWindow(TImage_Size& model, QWidget* parent)
    : QDialog(parent, kOnTopDialog), model_(model) {
  setObjectName("Image_Size");
  setWindowTitle(Shown("TImage_Size", model_.Caption));
  setModal(false);
  setFixedSize(313, 195);

  auto field = [this](const char* before, int y, const char* name) {
    auto* l = new QLabel(QCoreApplication::translate("TImage_Size", before), this);
    l->setGeometry(24, y, 48, 22);
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setGeometry(74, y, 100, 22);
    auto* after = new QLabel(QCoreApplication::translate("TImage_Size", "像素"), this);
    after->setGeometry(180, y, 40, 22);
    e->installEventFilter(this);
    return e;
  };
  edit1_ = field(QT_TRANSLATE_NOOP("TImage_Size", "宽度:"), 20, "Edit1");
  edit2_ = field(QT_TRANSLATE_NOOP("TImage_Size", "高度:"), 54, "Edit2");
  connect(edit1_, &QLineEdit::textEdited, this,
          [this](const QString& t) { model_.Edit1.Text = S(t); });
  connect(edit2_, &QLineEdit::textEdited, this,
          [this](const QString& t) { model_.Edit2.Text = S(t); });

  auto* plus = new QToolButton(this);
  plus->setObjectName("SpeedButton2");
  plus->setGeometry(232, 20, 28, 24);
  auto* minus = new QToolButton(this);
  minus->setObjectName("SpeedButton1");
  minus->setGeometry(232, 52, 28, 24);
  connect(plus, &QToolButton::clicked, this, [this] {
    model_.SpeedButton2.Click();
    forwarded();
  });
  connect(minus, &QToolButton::clicked, this, [this] {
    model_.SpeedButton1.Click();
    forwarded();
  });

  check_ = new QCheckBox(this);
  check_->setObjectName("CheckBox1");
  check_->setGeometry(74, 90, 160, 22);
  connect(check_, &QCheckBox::clicked, this, [this] {
    if (syncing_) return;
    model_.CheckBox1.Click();
    forwarded();
  });

  auto* ok = new QPushButton(this);
  ok->setObjectName("Button1");
  ok->setGeometry(60, 140, 80, 28);
  auto* cancel = new QPushButton(this);
  cancel->setObjectName("Button2");
  cancel->setGeometry(170, 140, 80, 28);
  ok->setAutoDefault(false);
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, [this] {
    model_.Button1.Click();
    forwarded();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    model_.Button2.Click();
    forwarded();
  });
  plus->setText(Q(model_.SpeedButton2.Caption.empty() ? "+" : model_.SpeedButton2.Caption));
  minus->setText(Q(model_.SpeedButton1.Caption.empty() ? "-" : model_.SpeedButton1.Caption));
  ok->setText(Shown("TImage_Size", model_.Button1.Caption));
  cancel->setText(Shown("TImage_Size", model_.Button2.Caption));
  syncFromModel();
}

void ImageSizeWindow::forwarded() {
  syncFromModel();
  if (AfterEvent) AfterEvent();
}

void ImageSizeWindow::syncFromModel() {
  // Closed, it shows nothing: it is brought up to date when it opens.
  if (!model_.Visible && !isVisible()) return;
  syncing_ = true;
  if (edit1_->text() != Q(model_.Edit1.Text)) edit1_->setText(Q(model_.Edit1.Text));
  if (edit2_->text() != Q(model_.Edit2.Text)) edit2_->setText(Q(model_.Edit2.Text));
  check_->setText(Shown("TImage_Size", model_.CheckBox1.Caption));
  check_->setChecked(model_.CheckBox1.Checked);
  if (model_.Visible && !isVisible()) show();
  if (!model_.Visible && isVisible()) hide();
  syncing_ = false;
}

// The ratio is kept after every key release in a field, as the user types.
bool ImageSizeWindow::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyRelease && (watched == edit1_ || watched == edit2_)) {
    model_.Edit1.Text = S(edit1_->text());
    model_.Edit2.Text = S(edit2_->text());
    if (watched == edit1_)
      model_.Edit1KeyUp();
    else
      model_.Edit2KeyUp();
    forwarded();
  }
  return QDialog::eventFilter(watched, e);
}

void ImageSizeWindow::reject() {
  QDialog::reject();
  model_.Visible = false;
  if (AfterEvent) AfterEvent();
}

void ImageSizeWindow::closeEvent(QCloseEvent* e) {
  QDialog::closeEvent(e);
  model_.Visible = false;
  if (AfterEvent) AfterEvent();
}

}  // namespace drollo::platform
