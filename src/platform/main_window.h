// The desktop program's main window: a multiple-document frame holding the work area as its only
// child window, the menu bar, the tool bar of picture buttons with the zoom label, the status bar
// and the key short-cuts, all built from the main window model's command tables. It owns the
// program (TForm1, which builds the palette, the work area and the picture-size dialog), the
// palette window, the about window and the picture-size dialog, and the desktop services; it adds
// only the surface the work area is shown on.
//
// Every user action goes to the models; after each one every window reads its controls back from
// the models (the models hold all state, these windows none of their own).
#pragma once

#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "platform/desktop_services.h"
#include "platform/languages.h"
#include "platform/layer_canvas_qt.h"
#include "platform/text_render_qt.h"

class QAction;
class QApplication;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QToolButton;

namespace drollo::platform {

class WorkAreaView;
class ToolsWindow;
class AboutWindow;
class ImageSizeWindow;

// The application's fonts ("宋体" 12 pixels, shown with the installed Song-style CJK face), name
// and icon.
void PrepareApplication(QApplication& app);

// The picture file of the command line `drollo [FILE]`: the first argument after the program's
// name that is no option (nor the folder of --screenshot-demo); empty when there is none.
QString PictureFileArgument(const QStringList& arguments);

class MainWindow : public QMainWindow, private WorkAreaSurface, private ProgressDisplay {
  Q_OBJECT

 public:
  // `services`, when given, replaces the desktop's dialogs and services (tests use fakes); the
  // drawing on the layer, the work area's surface and, when they name none, the help page and the
  // texts' lookup are always the desktop's own. The texts are shown in the language installed on
  // the application (UseLanguage) when the window is made.
  explicit MainWindow(const PlatformServices* services = nullptr);
  ~MainWindow() override;

  TForm1& form() { return *form_; }
  WorkAreaView* workArea() const { return view_; }
  QMdiSubWindow* workAreaWindow() const { return subWindow_; }
  ToolsWindow* tools() const { return tools_; }
  AboutWindow* about() const { return about_; }
  ImageSizeWindow* imageSize() const { return imageSize_; }
  QToolButton* toolButton(const QString& name) const { return toolButtons_.value(name); }
  QAction* menuEntry(const QString& name) const { return menuEntries_.value(name); }
  QAction* shortcut(const QString& name) const { return shortcuts_.value(name); }
  QLabel* zoomLabel() const { return zoomLabel_; }

  // Reads every window's controls back from the models.
  void syncAll();
  // Opens a picture file as the open command does once its dialog has chosen it: for the command
  // line and for files dropped on the window.
  void openPictureFile(const QString& path);
  // The start's offer of a recovery copy left by a run that did not end normally, once the
  // window shows; true when one was restored.
  bool offerRecoveryCopy();

 signals:
  // The main window closed: the program ends.
  void programEnded();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  // A file dragged from a file manager onto the main window or the work area (whose widgets take
  // no drops themselves, so it reaches the window) is opened.
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // WorkAreaSurface.
  void Repaint(const Rect& area, const Rect& keep) override;
  void Minimize() override;
  // ProgressDisplay: the palette window shows the bar.
  void Advanced(const ProgressBarState& bar) override;

  void buildToolBar();
  void buildMenus();
  void buildShortcuts();
  void runCommand(Handler h);

  std::unique_ptr<DesktopServices> desktop_;
  QtTexts texts_;
  QtLayerCanvas layerCanvas_;
  QtTextRenderer textRenderer_;
  QtFontDialog fontDialog_{this};
  QtColorDialog colorDialog_{this};
  QtQuestionBox questionBox_{this};
  std::unique_ptr<TForm1> form_;

  QMdiArea* mdi_ = nullptr;
  QMdiSubWindow* subWindow_ = nullptr;
  WorkAreaView* view_ = nullptr;
  ToolsWindow* tools_ = nullptr;
  AboutWindow* about_ = nullptr;
  ImageSizeWindow* imageSize_ = nullptr;
  QLabel* zoomLabel_ = nullptr;
  QMap<QString, QToolButton*> toolButtons_;
  QMap<QString, QAction*> menuEntries_;
  QMap<QString, QAction*> shortcuts_;
  // The same with their models, in the order syncAll brings them in line.
  struct SyncedButton {
    QToolButton* button;
    const SpeedButton* model;
    ShownText hint;
  };
  std::vector<SyncedButton> syncedButtons_;
  // The work area's caption as shown.
  ShownText subWindowTitle_;
  std::vector<std::pair<QAction*, const MenuItem*>> syncedMenuEntries_;
  std::vector<std::pair<QAction*, const Action*>> syncedShortcuts_;

  bool shown_ = false;
  bool syncing_ = false;
  bool ended_ = false;
};

}  // namespace drollo::platform
