#include "platform/screenshot_demo.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>
#include <vector>

#include "platform/dialogs.h"
#include "platform/main_window.h"
#include "platform/tools_window.h"
#include "platform/work_area_view.h"

namespace drollo::platform {
namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void Drag(QWidget* w, QPoint from, QPoint to, int steps) {
  SendMouse(w, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
  SendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  for (int i = 1; i <= steps; ++i)
    SendMouse(w, QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void Click(QWidget* w, QPoint at) {
  Drag(w, at, at, 0);
}

void Press(MainWindow& window, const char* name) {
  if (auto* b = window.tools()->findChild<QAbstractButton*>(name)) b->click();
}

}  // namespace

void RunScreenshotDemo(MainWindow& window, const QString& folder) {
  QDir().mkpath(folder);
  auto grab = [folder](const QString& name) {
    QApplication::processEvents();
    QScreen* screen = QGuiApplication::primaryScreen();
    screen->grabWindow(0).save(QDir(folder).filePath(name));
  };
  auto* runner = new QTimer(&window);
  runner->setInterval(700);
  auto steps = std::make_shared<std::vector<std::function<void()>>>();
  MainWindow* w = &window;
  QWidget* client = w->workArea()->viewport();
  QTabWidget* notebook = w->tools()->notebook();

  steps->push_back([=] { grab("1-start.png"); });
  steps->push_back([=] {
    // Two bulges and a pinch, then the pointer resting over the picture with its brush circle.
    Click(client, w->workArea()->viewportPoint(300, 220));
    Click(client, w->workArea()->viewportPoint(300, 220));
    Press(*w, "Tools.SpeedButton2");
    Click(client, w->workArea()->viewportPoint(130, 330));
    SendMouse(client, QEvent::MouseMove, w->workArea()->viewportPoint(450, 300), Qt::NoButton,
              Qt::NoButton);
  });
  steps->push_back([=] { grab("2-bulge.png"); });
  steps->push_back([=] {
    notebook->setCurrentIndex(2);
    Press(*w, "Tools.SpeedButton5");
  });
  steps->push_back([=] { grab("3-sketch.png"); });
  steps->push_back([=] {
    notebook->setCurrentIndex(3);
    Press(*w, "Tools.SpeedButton10");
    Press(*w, "Tools.SpeedButton14");
    Drag(client, w->workArea()->viewportPoint(60, 400), w->workArea()->viewportPoint(540, 80), 12);
    // The text tool's box with its start text.
    Press(*w, "Tools.SpeedButton13");
    Click(client, w->workArea()->viewportPoint(330, 300));
  });
  steps->push_back([=] { grab("4-outline.png"); });
  steps->push_back([=] {
    // The text placed with a double-click on its box; back on the warp page, zoomed out, a crop
    // rectangle being chosen.
    QWidget* box = w->workArea()->memo()->viewport();
    SendMouse(box, QEvent::MouseButtonDblClick, QPoint(20, 10), Qt::LeftButton, Qt::LeftButton);
    SendMouse(box, QEvent::MouseButtonRelease, QPoint(20, 10), Qt::LeftButton, Qt::NoButton);
    notebook->setCurrentIndex(0);
    w->toolButton("SpeedButton8")->click();
    w->toolButton("SpeedButton2")->click();
    Drag(client, w->workArea()->viewportPoint(90, 70), w->workArea()->viewportPoint(330, 260), 6);
  });
  steps->push_back([=] { grab("5-crop.png"); });
  steps->push_back([=] {
    w->menuEntry("About1")->trigger();
    w->menuEntry("ImageSize1")->trigger();
  });
  steps->push_back([=] { grab("6-dialogs.png"); });
  // Qt's own dialogs beside the program's: the open dialog, then a message box of the size
  // dialog. Each is opened once this step has returned, and closed after its picture.
  auto closeDialog = [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  };
  steps->push_back([=] { QTimer::singleShot(0, w, [w] { w->menuEntry("Open1")->trigger(); }); });
  steps->push_back([=] { grab("7-open-dialog.png"); });
  steps->push_back([=] {
    closeDialog();
    QTimer::singleShot(0, w, [w] {
      w->imageSize()->widthField()->setText("");
      w->form().Image_Size.Edit1.Text.clear();
      if (auto* ok = w->imageSize()->findChild<QAbstractButton*>("Button1")) ok->click();
    });
  });
  steps->push_back([=] { grab("8-message.png"); });
  steps->push_back([=] {
    closeDialog();
    w->close();
  });

  // One step every 700 ms, so each state is painted before its picture is taken.
  auto index = std::make_shared<std::size_t>(0);
  QObject::connect(runner, &QTimer::timeout, runner, [runner, steps, index] {
    if (*index >= steps->size()) {
      runner->stop();
      return;
    }
    (*steps)[(*index)++]();
  });
  QTimer::singleShot(500, runner, [runner] { runner->start(); });
}

}  // namespace drollo::platform
