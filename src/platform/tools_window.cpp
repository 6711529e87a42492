#include "platform/tools_window.h"

#include <time.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QProxyStyle>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "platform/artwork.h"
#include "platform/languages.h"
#include "platform/qt_pictures.h"

namespace drollo::platform {
namespace {

// The colour button "选择颜色": a panel filled with the pen colour, its caption in a colour that
// can be read on it.
class ColourPanel : public QLabel {
 public:
  ColourPanel(drollo::Panel& model, QWidget* parent) : QLabel(parent), model_(model) {
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setCursor(Qt::PointingHandCursor);
  }
  std::function<void()> Clicked;
  void sync() {
    const QColor c = ToQColor(model_.Color);
    const QColor ink = qGray(c.rgb()) < 128 ? Qt::white : Qt::black;
    // A new style sheet polishes the panel again, which costs more than the rest of the palette's
    // refresh after every event: it is set only when the colour changed.
    const QString sheet = QString("background-color: %1; color: %2;").arg(c.name(), ink.name());
    if (styleSheet() != sheet) setStyleSheet(sheet);
    setText(caption_("TTools", model_.Caption));
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && Clicked)
      Clicked();
  }

 private:
  drollo::Panel& model_;
  ShownText caption_;
};

// Edit1: a double-click runs the line balance; Enter is a key press the model handles.
class BalanceEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  std::function<void()> DoubleClicked;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    QLineEdit::mouseDoubleClickEvent(e);
    if (DoubleClicked) DoubleClicked();
  }
};

// The style's tabs with half its margin beside the names.
class CompactTabs : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? value / 2 : value;
  }
};

// Every caption and hint of the palette is shown in the interface's language.
QString Text(const std::string& source) {
  return Shown("TTools", source);
}

// A new tool tip is announced to the widget even when it is the same text: set only changes.
void SetToolTip(QWidget* w, const QString& tip) {
  if (w->toolTip() != tip) w->setToolTip(tip);
}

// A control's caption and hint as shown, each looked up again only when its text or the language
// changed: the palette is read back from its model after every event.
struct ControlTexts {
  ShownText caption;
  ShownText hint;
};

void ShowControl(QWidget* w, const Control& c, ShownText& hint) {
  w->setVisible(c.Visible);
  w->setEnabled(c.Enabled);
  SetToolTip(w, hint("TTools", c.Hint));
}

}  // namespace

ToolsWindow::ToolsWindow(TTools& tools, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      tools_(tools) {
  setObjectName("Tools");
  setWindowTitle(Text(tools_.Caption));
  setFixedSize(kWidth, kHeight);
  move(635, 107);

  notebook_ = new QTabWidget(this);
  notebook_->setObjectName("TabbedNotebook1");
  notebook_->setGeometry(3, 3, 228, 250);
  notebook_->setUsesScrollButtons(false);
  notebook_->tabBar()->setExpanding(true);
  for (std::size_t i = 0; i < tools_.TabbedNotebook1.Pages.size() && i < 4; ++i) {
    auto* page = new QWidget;
    page->setObjectName(QString("Page%1").arg(i));
    switch (i) {
      case 0:
        buildWarpPage(page);
        break;
      case 1:
        buildSwirlPage(page);
        break;
      case 2:
        buildSketchPage(page);
        break;
      default:
        buildOutlinePage(page);
        break;
    }
    notebook_->addTab(page, Text(tools_.TabbedNotebook1.Pages[i]));
  }
  // Page names longer than the Chinese ones (the English) share the notebook's width with
  // narrower margins, so the last tab is not cut off.
  if (notebook_->tabBar()->sizeHint().width() > notebook_->width()) {
    auto* compact = new CompactTabs;
    compact->setParent(notebook_->tabBar());
    notebook_->tabBar()->setStyle(compact);
  }
  connect(notebook_, &QTabWidget::currentChanged, this, [this](int page) {
    if (syncing_) return;
    tools_.TabbedNotebook1.SetPageIndex(page);
    forwarded();
  });
  syncs_.push_back([this, hint = ShownText()]() mutable {
    notebook_->setCurrentIndex(tools_.TabbedNotebook1.PageIndex());
    notebook_->setEnabled(tools_.TabbedNotebook1.Enabled);
    SetToolTip(notebook_, tools_.TabbedNotebook1.ShowHint
                              ? hint("TTools", tools_.TabbedNotebook1.Hint)
                              : QString());
  });

  progress_ = new QProgressBar(this);
  progress_->setObjectName("ProgressBar1");
  progress_->setGeometry(3, 258, 228, 16);
  progress_->setTextVisible(false);
  syncs_.push_back([this] {
    progress_->setRange(0, std::max(1, tools_.ProgressBar1.Max));
    progress_->setValue(std::min(tools_.ProgressBar1.Position, tools_.ProgressBar1.Max));
  });

  syncWidgets(true);
}

ToolsWindow::~ToolsWindow() = default;

void ToolsWindow::ShowProgress(const ProgressBarState& bar) {
  // A bar that went back or took another range belongs to a new step, whose time starts now: a
  // step shorter than the interval, such as a click, never stops to paint the bar. The coarse
  // clock is read at every advance and costs next to nothing.
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
  const std::int64_t now = std::int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
  if (bar.Position < progressPosition_ || bar.Max != progressMax_) progressShownAt_ = now;
  progressPosition_ = bar.Position;
  progressMax_ = bar.Max;
  if (now - progressShownAt_ < ProgressRepaintInterval) return;
  progressShownAt_ = now;
  progress_->setRange(0, std::max(1, bar.Max));
  progress_->setValue(std::min(bar.Position, bar.Max));
  progress_->repaint();
}

void ToolsWindow::forwarded() {
  // As the work area's: the main window's sync after the event includes the palette's.
  const std::uint64_t before = syncCount_;
  if (AfterEvent) AfterEvent();
  if (syncCount_ == before) syncFromModel();
}

void ToolsWindow::syncFromModel() {
  syncWidgets(false);
}

void ToolsWindow::syncWidgets(bool everyPage) {
  ++syncCount_;
  syncing_ = true;
  // The notebook first: the page it then shows is the model's. The widgets of the other pages
  // are read back when their page shows.
  for (const auto& s : syncs_) s();
  const QWidget* showing = notebook_->currentWidget();
  for (const PageSync& s : pageSyncs_)
    if (everyPage || s.page == showing) s.apply();
  syncing_ = false;
}

QSlider* ToolsWindow::slider(QWidget* page, TrackBar& model, QRect geometry) {
  auto* s = new QSlider(Qt::Horizontal, page);
  s->setGeometry(geometry);
  s->setTickPosition(QSlider::NoTicks);
  connect(s, &QSlider::valueChanged, this, [this, &model](int v) {
    if (syncing_) return;
    model.SetPosition(v);
    forwarded();
  });
  pageSyncs_.push_back({page, [s, &model, hint = ShownText()]() mutable {
                          s->setRange(model.Min(), model.Max());
                          s->setPageStep(std::max(1, (model.Max() - model.Min()) / 10));
                          s->setValue(model.Position());
                          ShowControl(s, model, hint);
                        }});
  return s;
}

QLabel* ToolsWindow::label(QWidget* page, const Label& model, QRect geometry) {
  auto* l = new QLabel(page);
  l->setGeometry(geometry);
  pageSyncs_.push_back({page, [l, &model, texts = ControlTexts()]() mutable {
                          l->setText(texts.caption("TTools", model.Caption));
                          ShowControl(l, model, texts.hint);
                        }});
  return l;
}

QLabel* ToolsWindow::text(QWidget* page, const std::string& caption, QRect geometry) {
  auto* l = new QLabel(Text(caption), page);
  l->setGeometry(geometry);
  return l;
}

QToolButton* ToolsWindow::speedButton(QWidget* page, SpeedButton& model, QRect geometry,
                                      const char* pictureName) {
  auto* b = new QToolButton(page);
  b->setGeometry(geometry);
  b->setCheckable(true);
  if (pictureName) {
    b->setIcon(ButtonIcon(pictureName));
    b->setIconSize(QSize(30, 30));
  }
  connect(b, &QToolButton::clicked, this, [this, &model] {
    if (syncing_) return;
    model.Click();
    forwarded();
  });
  pageSyncs_.push_back({page, [b, &model, pictureName, texts = ControlTexts()]() mutable {
                          if (!pictureName) b->setText(texts.caption("TTools", model.Caption));
                          b->setChecked(model.Down);
                          ShowControl(b, model, texts.hint);
                        }});
  return b;
}

void ToolsWindow::radioButton(QWidget* page, RadioButton& model, QRect geometry) {
  auto* r = new QRadioButton(page);
  r->setGeometry(geometry);
  r->setAutoExclusive(false);
  connect(r, &QRadioButton::clicked, this, [this, &model] {
    if (syncing_) return;
    model.Click();
    forwarded();
  });
  pageSyncs_.push_back({page, [r, &model, texts = ControlTexts()]() mutable {
                          r->setText(texts.caption("TTools", model.Caption));
                          r->setChecked(model.Checked);
                          ShowControl(r, model, texts.hint);
                        }});
}

// Page 0 "扭曲": the shape, expand or shrink, radius and bend.
void ToolsWindow::buildWarpPage(QWidget* page) {
  TTools& t = tools_;
  // The shapes' places hold their English names too.
  radioButton(page, t.RadioButton1, QRect(2, 10, 64, 20));
  radioButton(page, t.RadioButton2, QRect(66, 10, 70, 20));
  radioButton(page, t.RadioButton3, QRect(136, 10, 88, 20));
  speedButton(page, t.SpeedButton1, QRect(40, 40, 44, 40), "Tools.SpeedButton1")
      ->setObjectName("Tools.SpeedButton1");
  speedButton(page, t.SpeedButton2, QRect(130, 40, 44, 40), "Tools.SpeedButton2")
      ->setObjectName("Tools.SpeedButton2");
  text(page, t.TrackBar1.Caption, QRect(6, 104, 42, 20));
  slider(page, t.TrackBar1, QRect(48, 104, 130, 22))->setObjectName("TrackBar1");
  label(page, t.Label2, QRect(184, 104, 34, 20));
  text(page, t.TrackBar2.Caption, QRect(6, 150, 42, 20));
  slider(page, t.TrackBar2, QRect(48, 150, 130, 22))->setObjectName("TrackBar2");
  label(page, t.Label5, QRect(184, 150, 34, 20));
}

// Page 1 "螺旋": the two swirls and the smudge, radius and bend, the hidden wave button.
void ToolsWindow::buildSwirlPage(QWidget* page) {
  TTools& t = tools_;
  speedButton(page, t.SpeedButton11, QRect(16, 12, 44, 40), "Tools.SpeedButton11")
      ->setObjectName("Tools.SpeedButton11");
  speedButton(page, t.SpeedButton12, QRect(66, 12, 44, 40), "Tools.SpeedButton12")
      ->setObjectName("Tools.SpeedButton12");
  speedButton(page, t.SpeedButton3, QRect(116, 12, 44, 40), "Tools.SpeedButton3")
      ->setObjectName("Tools.SpeedButton3");
  auto* wave = new QToolButton(page);
  wave->setGeometry(166, 20, 46, 24);
  connect(wave, &QToolButton::clicked, this, [this] {
    tools_.Button1.Click();
    forwarded();
  });
  pageSyncs_.push_back({page, [wave, this, texts = ControlTexts()]() mutable {
                          wave->setText(texts.caption("TTools", tools_.Button1.Caption));
                          ShowControl(wave, tools_.Button1, texts.hint);
                        }});
  text(page, t.TrackBar3.Caption, QRect(6, 80, 42, 20));
  slider(page, t.TrackBar3, QRect(48, 80, 130, 22))->setObjectName("TrackBar3");
  label(page, t.Label6, QRect(184, 80, 34, 20));
  label(page, t.Label14, QRect(6, 126, 42, 20));
  slider(page, t.TrackBar4, QRect(48, 126, 130, 22))->setObjectName("TrackBar4");
  label(page, t.Label7, QRect(184, 126, 34, 20));
}

// Page 2 "素描": pen pressure and pencil contrast, the two sketches and the speckle removal.
void ToolsWindow::buildSketchPage(QWidget* page) {
  TTools& t = tools_;
  text(page, t.TrackBar5.Caption, QRect(10, 8, 120, 18));
  slider(page, t.TrackBar5, QRect(10, 28, 168, 22))->setObjectName("TrackBar5");
  label(page, t.Label9, QRect(184, 28, 34, 20));
  text(page, t.TrackBar7.Caption, QRect(10, 62, 120, 18));
  slider(page, t.TrackBar7, QRect(10, 82, 168, 22))->setObjectName("TrackBar7");
  label(page, t.Label11, QRect(184, 82, 34, 20));
  speedButton(page, t.SpeedButton4, QRect(10, 124, 96, 28))->setObjectName("Tools.SpeedButton4");
  speedButton(page, t.SpeedButton5, QRect(114, 124, 96, 28))->setObjectName("Tools.SpeedButton5");
  speedButton(page, t.SpeedButton8, QRect(10, 164, 96, 28))->setObjectName("Tools.SpeedButton8");
}

// Page 3 "轮廓": the layer's display, save and export, the drawing tools, colour and width, and
// the extraction and line-thickness commands.
void ToolsWindow::buildOutlinePage(QWidget* page) {
  TTools& t = tools_;
  auto* show = new QCheckBox(page);
  show->setObjectName("CheckBox1");
  show->setGeometry(8, 4, 104, 20);
  connect(show, &QCheckBox::clicked, this, [this] {
    if (syncing_) return;
    tools_.CheckBox1.Click();
    forwarded();
  });
  pageSyncs_.push_back({page, [show, this, texts = ControlTexts()]() mutable {
                          show->setText(texts.caption("TTools", tools_.CheckBox1.Caption));
                          show->setChecked(tools_.CheckBox1.Checked);
                          ShowControl(show, tools_.CheckBox1, texts.hint);
                        }});
  speedButton(page, t.SpeedButton19, QRect(114, 3, 48, 22))->setObjectName("Tools.SpeedButton19");
  speedButton(page, t.SpeedButton7, QRect(166, 3, 48, 22))->setObjectName("Tools.SpeedButton7");

  const std::pair<SpeedButton*, const char*> drawingTools[] = {
      {&t.SpeedButton14, "Tools.SpeedButton14"},
      {&t.SpeedButton6, "Tools.SpeedButton6"},
      {&t.SpeedButton15, "Tools.SpeedButton15"},
      {&t.SpeedButton9, "Tools.SpeedButton9"},
      {&t.SpeedButton13, "Tools.SpeedButton13"}};
  int x = 4;
  for (const auto& [model, name] : drawingTools) {
    speedButton(page, *model, QRect(x, 30, 42, 22))->setObjectName(name);
    x += 43;
  }

  auto* colour = new ColourPanel(t.Panel2, page);
  colour->setObjectName("Panel2");
  colour->setGeometry(6, 58, 70, 22);
  colour->Clicked = [this] {
    tools_.Panel2.Click();
    forwarded();
  };
  pageSyncs_.push_back({page, [colour, this, hint = ShownText()]() mutable {
                          colour->sync();
                          ShowControl(colour, tools_.Panel2, hint);
                        }});
  label(page, t.Label12, QRect(84, 60, 80, 18));
  slider(page, t.TrackBar6, QRect(6, 84, 172, 22))->setObjectName("TrackBar6");
  label(page, t.Label10, QRect(184, 84, 34, 20));

  label(page, t.ExtractOutlineNote, QRect(6, 110, 212, 18));
  speedButton(page, t.SpeedButton10, QRect(6, 130, 100, 22))->setObjectName("Tools.SpeedButton10");
  speedButton(page, t.SpeedButton16, QRect(112, 130, 100, 22))
      ->setObjectName("Tools.SpeedButton16");
  speedButton(page, t.SpeedButton17, QRect(6, 158, 100, 22))->setObjectName("Tools.SpeedButton17");
  speedButton(page, t.SpeedButton18, QRect(112, 158, 100, 22))
      ->setObjectName("Tools.SpeedButton18");

  auto* edit = new BalanceEdit(page);
  edit->setObjectName("Edit1");
  edit->setGeometry(6, 188, 36, 22);
  connect(edit, &QLineEdit::textEdited, this,
          [this](const QString& s) { tools_.Edit1.Text = S(s); });
  connect(edit, &QLineEdit::returnPressed, this, [this] {
    tools_.Edit1.KeyPress('\r');
    forwarded();
  });
  edit->DoubleClicked = [this] {
    tools_.Edit1.DblClick();
    forwarded();
  };
  pageSyncs_.push_back({page, [edit, this, hint = ShownText()]() mutable {
                          if (edit->text() != Q(tools_.Edit1.Text))
                            edit->setText(Q(tools_.Edit1.Text));
                          ShowControl(edit, tools_.Edit1, hint);
                        }});
  text(page, t.Edit1.Hint, QRect(48, 190, 170, 18));
}

void ToolsWindow::closeEvent(QCloseEvent* e) {
  e->ignore();
}

}  // namespace drollo::platform
