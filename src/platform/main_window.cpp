#include "platform/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "platform/artwork.h"
#include "platform/dialogs.h"
#include "platform/languages.h"
#include "platform/qt_pictures.h"
#include "platform/tools_window.h"
#include "platform/work_area_view.h"

namespace drollo::platform {

void PrepareApplication(QApplication& app) {
  // The program's font is "宋体"; on this system the Song-style CJK face stands in for it.
  QFont::insertSubstitutions("宋体", {"Noto Serif CJK SC", "Noto Sans CJK SC", "AR PL UMing CN"});
  QFont font("宋体");
  font.setPixelSize(12);
  app.setFont(font);
  app.setApplicationName("drollo");
  app.setApplicationDisplayName("Drollo");
  app.setDesktopFileName("drollo");
  app.setWindowIcon(ProgramIcon());
}

QString PictureFileArgument(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == "--screenshot-demo") {
      ++i;
      continue;
    }
    if (a == "--") return i + 1 < arguments.size() ? arguments[i + 1] : QString();
    if (!a.startsWith('-')) return a;
  }
  return {};
}

namespace {

// The first local file among the dragged data's addresses; empty when it holds none.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

// The work area's child window: closing it only minimises it.
class WorkAreaSubWindow : public QMdiSubWindow {
 public:
  using QMdiSubWindow::QMdiSubWindow;
  std::function<void()> CloseRequested;

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (CloseRequested) CloseRequested();
  }
};

}  // namespace

MainWindow::MainWindow(const PlatformServices* services)
    : desktop_(std::make_unique<DesktopServices>(this)) {
  PlatformServices s = services ? *services : desktop_->Services();
  if (!s.Colors) s.Colors = &colorDialog_;
  if (!s.Fonts) s.Fonts = &fontDialog_;
  if (!s.Questions) s.Questions = &questionBox_;
  if (s.HelpPage.empty()) s.HelpPage = FindHelpPage();
  if (!s.Texts) s.Texts = &texts_;
  // The outline page draws on the layer with Qt's painter and renders text with its fonts.
  s.Canvas = &layerCanvas_;
  s.Renderer = &textRenderer_;
  s.Surface = this;
  s.Progress = this;
  form_ = std::make_unique<TForm1>(std::move(s));
  TForm1& f = *form_;

  setObjectName("Form1");
  setWindowTitle(Q(f.Caption));
  setAcceptDrops(true);
  move(f.Bounds.left, f.Bounds.top);
  resize(f.Bounds.width(), f.Bounds.height());

  buildMenus();
  buildToolBar();
  buildShortcuts();
  statusBar()->setFixedHeight(19);
  statusBar()->setSizeGripEnabled(true);

  mdi_ = new QMdiArea(this);
  mdi_->setObjectName("MdiArea");
  mdi_->setBackground(QColor(128, 128, 128));
  setCentralWidget(mdi_);
  view_ = new WorkAreaView(f.State, f.Work_area);
  auto* sub = new WorkAreaSubWindow;
  sub->setWidget(view_);
  sub->setWindowTitle(Shown("TWork_area", f.Work_area.Caption));
  sub->setWindowIcon(ProgramIcon());
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  sub->CloseRequested = [this] {
    form_->Work_area.FormClose();
    syncAll();
  };
  subWindow_ = sub;
  mdi_->addSubWindow(subWindow_);
  subWindow_->move(0, 0);

  tools_ = new ToolsWindow(f.Tools, this);
  about_ = new AboutWindow(this);
  about_->Closed = [this] {
    form_->AboutVisible = false;
    syncAll();
  };
  imageSize_ = new ImageSizeWindow(f.Image_Size, this);
  // Neither dialog hides the picture's middle or the palette when it opens.
  about_->move(f.Bounds.left + 120, f.Bounds.top + 120);
  imageSize_->move(635, 430);

  view_->AfterEvent = [this] { syncAll(); };
  tools_->AfterEvent = [this] { syncAll(); };
  imageSize_->AfterEvent = [this] { syncAll(); };
  // A recovery copy held back by its interval is written once the interval is over, also while
  // the user does nothing.
  auto* recoveryTimer = new QTimer(this);
  connect(recoveryTimer, &QTimer::timeout, this, [this] { form_->RecoveryTick(); });
  recoveryTimer->start(1000);

  syncAll();
}

void MainWindow::Repaint(const Rect& area, const Rect& keep) {
  if (view_) view_->repaintArea(area, keep);
}

void MainWindow::Minimize() {
  if (subWindow_) subWindow_->showMinimized();
}

void MainWindow::Advanced(const ProgressBarState& bar) {
  if (tools_) tools_->ShowProgress(bar);
}

MainWindow::~MainWindow() {
  // The windows refer to the models: they go first.
  delete tools_;
  tools_ = nullptr;
  delete about_;
  delete imageSize_;
  delete mdi_;
}

void MainWindow::buildToolBar() {
  auto* bar = new QToolBar(this);
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setFixedHeight(29);
  bar->setIconSize(QSize(16, 16));
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, bar);
  for (const ToolButtonEntry& e : ToolBarButtons()) {
    auto* b = new QToolButton(bar);
    const QString name = Q(e.Name);
    b->setObjectName(name);
    b->setIcon(ButtonIcon(e.Name));
    b->setToolTip(Shown("TForm1", e.Hint));
    b->setFixedSize(25, 21);
    b->setAutoRaise(true);
    b->setCheckable(true);
    const std::string_view modelName = e.Name;
    connect(b, &QToolButton::clicked, this, [this, modelName] {
      form_->PressToolButton(*form_->ToolButton(modelName));
      syncAll();
    });
    bar->addWidget(b);
    toolButtons_.insert(name, b);
    if (const SpeedButton* m = form_->ToolButton(e.Name)) syncedButtons_.push_back({b, m, {}});
    if (e.Name == kZoomLabelAfter) {
      zoomLabel_ = new QLabel(bar);
      zoomLabel_->setObjectName("Label1");
      zoomLabel_->setFixedWidth(60);
      zoomLabel_->setAlignment(Qt::AlignCenter);
      bar->addWidget(zoomLabel_);
    }
  }
}

void MainWindow::buildMenus() {
  QMenuBar* bar = menuBar();
  for (std::string_view menuName : MenuBar()) {
    QMenu* menu = bar->addMenu(Shown("TForm1", menuName));
    for (const MenuEntry& e : MenuEntries()) {
      if (e.Menu != menuName) continue;
      QAction* a = menu->addAction(Shown("TForm1", e.Caption));
      a->setObjectName(Q(e.Name));
      connect(a, &QAction::triggered, this, [this, h = e.Runs] { runCommand(h); });
      menuEntries_.insert(Q(e.Name), a);
      syncedMenuEntries_.emplace_back(a, form_->MenuEntryNamed(e.Name));
    }
  }
}

void MainWindow::buildShortcuts() {
  for (const ShortcutEntry& e : Shortcuts()) {
    auto* a = new QAction(this);
    a->setObjectName(Q(e.Name));
    QList<QKeySequence> keys{QKeySequence(Q(e.Keys))};
    // The equals key is also the plus key.
    if (e.Keys == "Ctrl+=") keys << QKeySequence("Ctrl++");
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::ApplicationShortcut);
    connect(a, &QAction::triggered, this, [this, k = e.Keys] {
      form_->PressKeys(k);
      syncAll();
    });
    addAction(a);
    shortcuts_.insert(Q(e.Name), a);
    syncedShortcuts_.emplace_back(a, form_->ActionNamed(e.Name));
  }
}

void MainWindow::runCommand(Handler h) {
  form_->Execute(h);
  syncAll();
}

void MainWindow::syncAll() {
  if (syncing_) return;
  syncing_ = true;
  TForm1& f = *form_;
  // A warp's release or a sketch records into the history: the undo and redo controls follow.
  f.SyncHistoryControls();

  for (SyncedButton& s : syncedButtons_) {
    s.button->setEnabled(s.model->Enabled);
    s.button->setChecked(s.model->Down);
    // A new tool tip is announced to the button even when it is the same text.
    if (const QString& tip = s.hint("TForm1", s.model->Hint); s.button->toolTip() != tip)
      s.button->setToolTip(tip);
  }
  zoomLabel_->setText(Q(f.Label1Caption()));
  for (const auto& [a, m] : syncedMenuEntries_) a->setEnabled(m->Enabled);
  for (const auto& [a, m] : syncedShortcuts_) a->setEnabled(m->Enabled);

  view_->syncFromModel();
  subWindow_->setWindowTitle(subWindowTitle_("TWork_area", f.Work_area.Caption));

  tools_->syncFromModel();
  imageSize_->syncFromModel();
  if (f.AboutVisible && !about_->isVisible()) about_->show();
  if (!f.AboutVisible && about_->isVisible()) about_->hide();
  syncing_ = false;

  f.RecoveryTick();
  if (f.Closed && !ended_) close();
}

void MainWindow::openPictureFile(const QString& path) {
  form_->OpenPictureFile(S(path));
  syncAll();
}

bool MainWindow::offerRecoveryCopy() {
  const bool restored = form_->OfferRecoveryCopy();
  syncAll();
  return restored;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (!DroppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* e) {
  if (!DroppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
  const QString path = DroppedFile(e->mimeData());
  if (path.isEmpty()) return;
  e->acceptProposedAction();
  // Opened once the drop has ended, so a message about the file does not hold up the program the
  // file came from.
  QTimer::singleShot(0, this, [this, path] { openPictureFile(path); });
}

void MainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_) return;
  shown_ = true;
  TForm1& f = *form_;
  // The main window's size is its outer size, frame included.
  const QSize frame = frameGeometry().size() - size();
  resize(f.Bounds.width() - frame.width(), f.Bounds.height() - frame.height());
  f.FormShow();
  subWindow_->resize(f.WorkAreaSize.Width, f.WorkAreaSize.Height);
  subWindow_->show();
  tools_->show();
  syncAll();
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (!form_->Closed) form_->FormClose();
  ended_ = true;
  // The palette refuses the window manager's close; at the end it is only hidden.
  tools_->hide();
  about_->close();
  imageSize_->close();
  view_->timer1().stop();
  view_->timer2().stop();
  e->accept();
  emit programEnded();
}

}  // namespace drollo::platform
