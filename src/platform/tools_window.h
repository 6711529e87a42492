// The tool palette "工具": a small stay-on-top tool window with the four notebook pages of the
// TTools model and the progress bar below them. Each widget shows its model control (position and
// range, checked or pressed state, caption, visibility, enabled state) and forwards the user's
// action to it; after every action all widgets are read back from the model, so the model's own
// rules (a slider's range set by another slider, one button of a group pressed) are what shows.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "palette/tools.h"

class QTabWidget;
class QProgressBar;
class QSlider;
class QToolButton;
class QLabel;

namespace drollo::platform {

class ToolsWindow : public QWidget {
  Q_OBJECT

 public:
  ToolsWindow(TTools& tools, QWidget* parent = nullptr);
  ~ToolsWindow() override;

  void syncFromModel();
  // Runs after every action forwarded to the model.
  std::function<void()> AfterEvent;

  QTabWidget* notebook() const { return notebook_; }
  QProgressBar* progressBar() const { return progress_; }

  // A long step advanced the bar inside one event: it is painted at once, at most every
  // ProgressRepaintInterval milliseconds and not before the step has run that long, without
  // handling other events meanwhile.
  void ShowProgress(const ProgressBarState& bar);
  int ProgressRepaintInterval = 30;

  // The palette's client size.
  static constexpr int kWidth = 235;
  static constexpr int kHeight = 280;

 protected:
  // The palette lives as long as the program: the window manager's close is refused.
  void closeEvent(QCloseEvent* e) override;

 private:
  QSlider* slider(QWidget* page, TrackBar& model, QRect geometry);
  QLabel* label(QWidget* page, const Label& model, QRect geometry);
  QLabel* text(QWidget* page, const std::string& caption, QRect geometry);
  QToolButton* speedButton(QWidget* page, SpeedButton& model, QRect geometry,
                           const char* pictureName = nullptr);
  void radioButton(QWidget* page, RadioButton& model, QRect geometry);
  void buildWarpPage(QWidget* page);
  void buildSwirlPage(QWidget* page);
  void buildSketchPage(QWidget* page);
  void buildOutlinePage(QWidget* page);
  void forwarded();

  TTools& tools_;
  QTabWidget* notebook_ = nullptr;
  QProgressBar* progress_ = nullptr;
  // Each widget's read-back from the model: the notebook's and the bar's, and those on a page.
  struct PageSync {
    const QWidget* page;
    std::function<void()> apply;
  };
  void syncWidgets(bool everyPage);
  std::vector<std::function<void()>> syncs_;
  std::vector<PageSync> pageSyncs_;
  // The bar as last advanced, and when it was last painted (or its step began), in milliseconds.
  int progressPosition_ = 0;
  int progressMax_ = 0;
  std::int64_t progressShownAt_ = 0;
  bool syncing_ = false;
  // How many times the widgets were read back from the model.
  std::uint64_t syncCount_ = 0;
};

}  // namespace drollo::platform
