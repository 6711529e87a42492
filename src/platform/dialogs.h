// The about window "关于我们" and the picture-size dialog "图片尺寸": both stay on top, are shown
// without blocking the main window and close with their own window button.
#pragma once

#include <QDialog>
#include <functional>

#include "app/image_size.h"

class QLineEdit;
class QCheckBox;

namespace drollo::platform {

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  explicit AboutWindow(QWidget* parent = nullptr);
  // Runs when the user closes the window (its close button, or Esc).
  std::function<void()> Closed;

  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;
};

class ImageSizeWindow : public QDialog {
  Q_OBJECT

 public:
  ImageSizeWindow(TImage_Size& model, QWidget* parent = nullptr);
  void syncFromModel();
  std::function<void()> AfterEvent;

  QLineEdit* widthField() const { return edit1_; }
  QLineEdit* heightField() const { return edit2_; }

  // Esc closes the dialog as its close button does.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void forwarded();
  TImage_Size& model_;
  QLineEdit* edit1_;
  QLineEdit* edit2_;
  QCheckBox* check_;
  bool syncing_ = false;
};

}  // namespace drollo::platform
