// Mouse, wheel and scroll events on the work area's client area reach the work area model at the
// image control's own coordinates, at every zoom and scroll position.
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QScrollBar>

#include "desktop_fixture.h"

namespace drollo::test {
namespace {

// Zoom steps taken before the gesture: negative steps zoom out.
class WorkAreaAtZoom : public DesktopWindow, public testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    const int steps = GetParam();
    for (int i = 0; i < std::abs(steps); ++i)
      QTest::mouseClick(window.toolButton(steps > 0 ? "SpeedButton9" : "SpeedButton8"),
                        Qt::LeftButton);
  }
  int picture(int v) { return Round(v / state().ZoomPercent * 100); }
};

TEST_P(WorkAreaAtZoom, PressSetsTheWarpCentreInPicturePixels) {
  const int X = 123, Y = 77;
  QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, at(X, Y));
  EXPECT_EQ(state().WarpCentre, (Point{picture(X), picture(Y)}));
  EXPECT_TRUE(form().Work_area.Timer1.Enabled);
  EXPECT_TRUE(view().timer1().isActive());
  QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, at(X, Y));
  EXPECT_FALSE(view().timer1().isActive());
  // One click, one history entry.
  EXPECT_TRUE(window.toolButton("SpeedButton5")->isEnabled());
}

TEST_P(WorkAreaAtZoom, PressAfterScrollingCountsFromThePicturesCorner) {
  view().horizontalScrollBar()->setValue(40);
  view().verticalScrollBar()->setValue(30);
  const int h = form().Work_area.HorzScrollBar.Position;
  const int v = form().Work_area.VertScrollBar.Position;
  EXPECT_EQ(h, view().horizontalScrollBar()->value());
  EXPECT_EQ(v, view().verticalScrollBar()->value());
  // The same client point lies further into the picture by the scroll positions.
  QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
  EXPECT_EQ(state().WarpCentre, (Point{picture(50 + h), picture(60 + v)}));
  QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
}

TEST_P(WorkAreaAtZoom, CropDragSetsTheRectangleInPicturePixels) {
  QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
  leftDrag(at(30, 40), at(90, 75));
  const ProgramState::CropRectangle expected{picture(30) + 1, picture(40) + 1, picture(90) - 1,
                                             picture(75) - 1};
  EXPECT_EQ(state().CropRect, expected);
  EXPECT_TRUE(form().Work_area.RectShown);
}

TEST_P(WorkAreaAtZoom, MovingShowsTheBrushCircleAroundThePointer) {
  // Two moves: a move to where the pointer already is delivers nothing.
  QTest::mouseMove(client(), at(120, 110));
  QTest::mouseMove(client(), at(100, 90));
  const auto& b = form().Work_area.BrushBounds;
  const QPoint c = at(100, 90);
  const int r = state().ScreenRadius;
  EXPECT_TRUE(form().Work_area.BrushShown);
  EXPECT_EQ(b, BrushSquare::Around(c.x(), c.y(), r));
  EXPECT_EQ(b.Left, c.x() - r);
  EXPECT_EQ(b.Bottom, c.y() + r);
}

INSTANTIATE_TEST_SUITE_P(Zooms, WorkAreaAtZoom, testing::Values(-2, 0, 1, 3), [](const auto& info) {
  return info.param < 0 ? "Out" + std::to_string(-info.param) : "In" + std::to_string(info.param);
});

class WorkAreaGestures : public DesktopWindow {};

TEST_F(WorkAreaGestures, RightDragPansThePictureWithThePointer) {
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);
  view().horizontalScrollBar()->setValue(50);
  view().verticalScrollBar()->setValue(50);
  const QPoint from = at(200, 200);
  QTest::mousePress(client(), Qt::RightButton, Qt::NoModifier, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(from - QPoint(30, 20)),
                   QPointF(client()->mapToGlobal(from - QPoint(30, 20))), Qt::NoButton,
                   Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(client(), &move);
  EXPECT_EQ(view().horizontalScrollBar()->value(), 80);
  EXPECT_EQ(view().verticalScrollBar()->value(), 70);
  QTest::mouseRelease(client(), Qt::RightButton, Qt::NoModifier, from - QPoint(30, 20));
}

TEST_F(WorkAreaGestures, WheelOverThePictureZoomsOutAwayFromTheUserAndInTowards) {
  QTest::mouseMove(client(), at(101, 101));
  QTest::mouseMove(client(), at(100, 100));
  QWheelEvent away(QPointF(at(100, 100)), QPointF(client()->mapToGlobal(at(100, 100))), QPoint(),
                   QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(client(), &away);
  EXPECT_EQ(window.zoomLabel()->text(), "80.0%");
  QWheelEvent towards(QPointF(at(50, 50)), QPointF(client()->mapToGlobal(at(50, 50))), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(client(), &towards);
  QApplication::sendEvent(client(), &towards);
  EXPECT_EQ(window.zoomLabel()->text(), "125.0%");
  EXPECT_EQ(view().imageRect().width(), DisplayLength(state().WorkingPicture.width(), 125.0));
}

TEST_F(WorkAreaGestures, MarchingAntsTimerAdvancesTheDashPhase) {
  QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
  leftDrag(at(30, 40), at(90, 75));
  ASSERT_TRUE(view().timer2().isActive());
  EXPECT_EQ(view().timer2().interval(), 100);
  const std::uint8_t phase = form().Work_area.DashPhase;
  ASSERT_TRUE(QMetaObject::invokeMethod(&view().timer2(), "timeout"));
  EXPECT_EQ(form().Work_area.DashPhase, NextDashPhase(phase));
}

// Every event on the work area brings the window up to date with the models; that must not start
// the timers' intervals again, or a pointer moving faster than an interval stops them.
TEST_F(WorkAreaGestures, MarchingAntsKeepMarchingWhileThePointerMoves) {
  QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
  leftDrag(at(30, 40), at(90, 75));
  ASSERT_TRUE(view().timer2().isActive());
  const std::uint8_t phase = form().Work_area.DashPhase;
  client()->repaint();
  const QImage before = client()->grab().toImage();
  QElapsedTimer moving;
  moving.start();
  for (int i = 0; moving.elapsed() < 700; ++i) {
    QTest::mouseMove(client(), at(120 + i % 2, 110));
    QTest::qWait(20);
  }
  EXPECT_NE(form().Work_area.DashPhase, phase);
  client()->repaint();
  EXPECT_NE(client()->grab().toImage(), before);
}

TEST_F(WorkAreaGestures, AHeldPressRepeatsWhileThePointerTrembles) {
  QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, at(200, 200));
  const Picture pressed = state().WorkingPicture;
  QElapsedTimer held;
  held.start();
  for (int i = 0; held.elapsed() < 1400; ++i) {
    QTest::mouseMove(client(), at(200 + i % 2, 200));
    QTest::qWait(40);
  }
  EXPECT_FALSE(state().WorkingPicture.samePixels(pressed));
  QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, at(200, 200));
}

TEST_F(WorkAreaGestures, HeldPressRepeatsTheWarpOnEachTimerTick) {
  QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, at(200, 200));
  const Picture before = state().WorkingPicture;
  ASSERT_TRUE(QMetaObject::invokeMethod(&view().timer1(), "timeout"));
  EXPECT_FALSE(state().WorkingPicture.samePixels(before));
  QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, at(200, 200));
  EXPECT_FALSE(view().timer1().isActive());
}

TEST_F(WorkAreaGestures, ScrollingRemovesTheCropRectangleAndDisablesCropAndCopy) {
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);
  QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
  leftDrag(at(30, 40), at(90, 75));
  ASSERT_TRUE(window.toolButton("SpeedButton11")->isEnabled());
  view().verticalScrollBar()->setValue(20);
  EXPECT_FALSE(form().Work_area.RectShown);
  EXPECT_EQ(form().Work_area.SelectionStart, (Point{}));
  EXPECT_FALSE(window.toolButton("SpeedButton11")->isEnabled());
  EXPECT_FALSE(window.shortcut("Action6")->isEnabled());
  EXPECT_TRUE(state().CropSelectMode);
}

TEST_F(WorkAreaGestures, ClosingTheWorkAreaOnlyMinimisesIt) {
  window.workAreaWindow()->close();
  EXPECT_TRUE(form().Work_area.Minimized);
  EXPECT_TRUE(window.workAreaWindow()->isMinimized());
  EXPECT_FALSE(form().Closed);
}

}  // namespace
}  // namespace drollo::test
