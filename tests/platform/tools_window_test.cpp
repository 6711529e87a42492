// The palette's sliders, buttons and page tabs run the palette model's handlers, and every
// control shows the model's state afterwards.
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "desktop_fixture.h"

namespace drollo::test {
namespace {

class PaletteWindow : public DesktopWindow {
 protected:
  QSlider* slider(const char* name) { return palette<QSlider>(name); }
  void tab(int page) {
    QTabBar* bar = window.tools()->notebook()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
  }
};

TEST_F(PaletteWindow, StartsWithTheModelsRangesAndPositions) {
  EXPECT_EQ(window.tools()->windowTitle(), "工具");
  EXPECT_EQ(window.tools()->notebook()->size(), QSize(228, 250));
  QSlider* radius = slider("TrackBar1");
  EXPECT_EQ(radius->minimum(), 10);
  EXPECT_EQ(radius->maximum(), 500);
  EXPECT_EQ(radius->value(), 100);
  EXPECT_EQ(window.tools()->progressBar()->maximum(), 500);
  EXPECT_TRUE(palette("Tools.SpeedButton1")->isChecked());
}

TEST_F(PaletteWindow, RadiusSliderAtZoom125SetsRadiiProgressAndTheBendSlider) {
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);
  slider("TrackBar1")->setValue(250);
  EXPECT_EQ(state().ScreenRadius, 250);
  EXPECT_EQ(state().PictureRadius, 200);
  EXPECT_EQ(window.tools()->progressBar()->maximum(), 800);
  QSlider* bend = slider("TrackBar2");
  EXPECT_EQ(bend->minimum(), 25);
  EXPECT_EQ(bend->maximum(), 167);
  EXPECT_EQ(bend->value(), 83);
}

TEST_F(PaletteWindow, RadiusFrom500To10KeepsTheModelsRangeRule) {
  slider("TrackBar1")->setValue(500);
  slider("TrackBar1")->setValue(10);
  QSlider* bend = slider("TrackBar2");
  EXPECT_EQ(bend->minimum(), 1);
  EXPECT_EQ(bend->maximum(), 333);
  EXPECT_EQ(bend->value(), 3);
}

TEST_F(PaletteWindow, SmudgeButtonSetsTheRadiusSliderAndHidesTheBend) {
  tab(1);
  ASSERT_EQ(state().PageIndex, 1);
  QTest::mouseClick(palette("Tools.SpeedButton3"), Qt::LeftButton);
  EXPECT_TRUE(state().SmudgeMode);
  EXPECT_EQ(state().WarpAction, Warp::Smudge);
  EXPECT_EQ(slider("TrackBar3")->value(), 50);
  EXPECT_EQ(slider("TrackBar4")->minimum(), 1);
  EXPECT_EQ(slider("TrackBar4")->maximum(), 17);
  EXPECT_EQ(slider("TrackBar4")->value(), 5);
  EXPECT_FALSE(slider("TrackBar4")->isVisible());
  EXPECT_TRUE(palette("Tools.SpeedButton3")->isChecked());
  EXPECT_FALSE(palette("Tools.SpeedButton11")->isChecked());
}

TEST_F(PaletteWindow, ShapeRadioButtonsChooseTheWarp) {
  auto* vertical = window.tools()->findChildren<QRadioButton*>()[1];
  QTest::mouseClick(vertical, Qt::LeftButton);
  EXPECT_EQ(state().WarpShape, Shape::Vertical);
  EXPECT_TRUE(vertical->isChecked());
  EXPECT_FALSE(window.tools()->findChildren<QRadioButton*>()[0]->isChecked());
}

TEST_F(PaletteWindow, PageTabsRunThePageChange) {
  tab(2);
  EXPECT_EQ(state().PageIndex, 2);
  EXPECT_EQ(state().WarpShape, Shape::None);
  EXPECT_FALSE(state().EdgePicture.empty());  // the sketch page computes the edge picture
  tab(3);
  EXPECT_EQ(state().PageIndex, 3);
  EXPECT_TRUE(form().Work_area.Image2.Visible);
  EXPECT_EQ(state().DrawingTool, DrawTool::Line);
  tab(0);
  EXPECT_EQ(state().PageIndex, 0);
  EXPECT_FALSE(form().Work_area.Image2.Visible);
  EXPECT_EQ(state().WarpShape, Shape::Spherical);
}

// Only the page showing is read back after each event; a page shows what the model holds as
// soon as its tab is chosen, also what changed while it was hidden.
TEST_F(PaletteWindow, HiddenPageShowsTheModelWhenItsTabIsChosen) {
  form().Tools.TrackBar6.SetPosition(21);
  slider("TrackBar1")->setValue(200);
  tab(3);
  EXPECT_EQ(slider("TrackBar6")->value(), 21);
  form().Tools.TrackBar1.SetPosition(150);
  slider("TrackBar6")->setValue(7);
  tab(0);
  EXPECT_EQ(slider("TrackBar1")->value(), 150);
}

TEST_F(PaletteWindow, PenWidthSliderAndDrawingToolsSetTheWidthTitle) {
  tab(3);
  slider("TrackBar6")->setValue(12);
  EXPECT_EQ(state().PenWidth, 12);
  QTest::mouseClick(palette("Tools.SpeedButton9"), Qt::LeftButton);  // eraser
  EXPECT_EQ(state().DrawingTool, DrawTool::Eraser);
  EXPECT_EQ(state().ScreenRadius, 12);
  bool titled = false;
  for (QLabel* l : window.tools()->findChildren<QLabel*>()) titled |= l->text() == "擦除范围:";
  EXPECT_TRUE(titled);
}

TEST_F(PaletteWindow, SketchButtonReplacesThePictureWithOneHistoryEntry) {
  tab(2);
  const Picture before = state().WorkingPicture;
  QTest::mouseClick(palette("Tools.SpeedButton5"), Qt::LeftButton);
  EXPECT_FALSE(state().WorkingPicture.samePixels(before));
  EXPECT_TRUE(window.toolButton("SpeedButton5")->isEnabled());
  EXPECT_EQ(window.tools()->progressBar()->value(), 0);
}

// Counts the bar's paints that show a position between the ends, which happen only while a step
// runs.
class MidwayPaints : public QObject {
 public:
  explicit MidwayPaints(QProgressBar* bar) : bar_(bar) { bar->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && bar_->value() > 0) ++count;
    return false;
  }

 private:
  QProgressBar* bar_;
};

TEST_F(PaletteWindow, ProgressBarIsPaintedWhileALongWarpRunsAndEndsAtZero) {
  slider("TrackBar1")->setValue(500);
  QProgressBar* bar = window.tools()->progressBar();
  MidwayPaints paints(bar);
  // Every advance may paint, so the result does not depend on how long a step takes.
  window.tools()->ProgressRepaintInterval = 0;
  leftClick(at(300, 230));
  EXPECT_GT(paints.count, 0);
  EXPECT_EQ(bar->value(), 0);
}

// A step shorter than the interval does not stop to paint the bar, however long ago it was
// painted last: a small click advances the model's bar but never paints it midway.
TEST_F(PaletteWindow, ShortClickDoesNotPaintTheProgressBarMidway) {
  slider("TrackBar1")->setValue(10);
  QProgressBar* bar = window.tools()->progressBar();
  window.tools()->ProgressRepaintInterval = 200;
  QTest::qWait(250);
  MidwayPaints paints(bar);
  leftClick(at(300, 230));
  EXPECT_EQ(paints.count, 0);
  EXPECT_EQ(bar->value(), 0);
}

}  // namespace
}  // namespace drollo::test
