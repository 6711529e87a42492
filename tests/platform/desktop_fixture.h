// The desktop program's main window with every service faked, shown and active on the offscreen
// platform, and helpers that drive it with real mouse and key events.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "app/fakes.h"
#include "platform/main_window.h"
#include "platform/tools_window.h"
#include "platform/work_area_view.h"

namespace drollo::test {

class DesktopWindow : public testing::Test {
 protected:
  DesktopWindow() : services_(Services()), window(&services_) {
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  PlatformServices Services() {
    PlatformServices s;
    s.OpenPictureDialog1 = &openDialog;
    s.SaveDialog1 = &saveDialog;
    s.Errors = &errors;
    s.Messages = &messages;
    s.ClipboardBitmaps = &clipboard;
    s.Printer1 = &printer;
    s.Mail = &mail;
    s.Browser = &browser;
    s.DataFolder = folder / "data";
    return s;
  }

  TForm1& form() { return window.form(); }
  ProgramState& state() { return window.form().State; }
  platform::WorkAreaView& view() { return *window.workArea(); }
  QWidget* client() { return window.workArea()->viewport(); }

  // A position on Image1 (its own coordinates) as a point of the work area's client area.
  QPoint at(int X, int Y) { return view().viewportPoint(X, Y); }

  void keys(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(&window, static_cast<Qt::Key>(key), modifiers);
  }
  void leftClick(QPoint p) { QTest::mouseClick(client(), Qt::LeftButton, Qt::NoModifier, p); }
  void leftDrag(QPoint from, QPoint to) {
    QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(client(), (from + to) / 2);
    QTest::mouseMove(client(), to);
    QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, to);
  }
  template <typename T = QAbstractButton>
  T* palette(const char* name) {
    return window.tools()->findChild<T*>(name);
  }

  TempFolder folder;
  FakeOpenDialog openDialog;
  FakeSaveDialog saveDialog;
  FakeErrors errors;
  FakeMessages messages;
  FakeClipboard clipboard;
  FakePrinter printer;
  FakeMail mail;
  FakeBrowser browser;

 private:
  PlatformServices services_;

 protected:
  platform::MainWindow window;
};

}  // namespace drollo::test
