// Mouse events on the work area reach the outline page's tools: strokes land in the layer through
// the Qt canvas, previews show on the window, and the text box opens where it is pressed.
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

#include "desktop_fixture.h"

namespace drollo::test {
namespace {

class OutlinePage : public DesktopWindow {
 protected:
  OutlinePage() {
    QTabBar* bar = window.tools()->notebook()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(3).center());
  }
  void turnTo(int page) {
    QTabBar* bar = window.tools()->notebook()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
  }
  // What the screen shows at a position on the picture, once pending paints are done.
  QRgb shownAt(int X, int Y) {
    QTest::qWait(100);
    const QPoint p = client()->mapTo(&window, at(X, Y));
    return window.screen()->grabWindow(window.winId(), p.x(), p.y(), 1, 1).toImage().pixel(0, 0);
  }
  int blackPixels() {
    int n = 0;
    const TBitmap32& layer = window.form().State.OutlineBitmap;
    for (int y = 0; y < layer.height(); ++y)
      for (int x = 0; x < layer.width(); ++x) n += layer.pixel(x, y) != kWhite;
    return n;
  }
};

TEST_F(OutlinePage, LineDragDrawsIntoTheLayerAtTheZoomWithOneHistoryEntry) {
  ASSERT_EQ(state().PageIndex, 3);
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);  // 125 %
  EXPECT_EQ(blackPixels(), 0);
  QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, at(50, 50));
  QTest::mouseMove(client(), at(150, 100));
  EXPECT_TRUE(form().Work_area.Outline.Line.LineShown);  // the preview, not yet the layer
  EXPECT_EQ(blackPixels(), 0);
  QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, at(250, 50));
  EXPECT_FALSE(form().Work_area.Outline.Line.LineShown);
  // From picture pixel (40, 40) to (200, 40): a horizontal line of the pen width.
  EXPECT_NE(state().OutlineBitmap.pixel(120, 40), kWhite);
  EXPECT_EQ(state().OutlineBitmap.pixel(120, 60), kWhite);
  EXPECT_TRUE(window.toolButton("SpeedButton5")->isEnabled());
}

// The curve's first drag lays its ends; from its release the pointer, resting where it is, shows
// that the control points are now dragged, and the last drag shows the cross again.
TEST_F(OutlinePage, TheCurveToolsCursorChangesAtTheReleaseWithoutAMove) {
  QTest::mouseClick(palette("Tools.SpeedButton6"), Qt::LeftButton);
  ASSERT_EQ(state().DrawingTool, DrawTool::Curve);
  const auto drag = [&](QPoint from, QPoint to) {
    QTest::mouseMove(client(), from);
    QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(client(), to);
    QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, to);
  };
  drag(at(40, 40), at(200, 40));
  EXPECT_EQ(client()->cursor().shape(), Qt::DragMoveCursor);
  drag(at(80, 40), at(90, 20));
  drag(at(160, 40), at(150, 70));
  EXPECT_EQ(client()->cursor().shape(), Qt::CrossCursor);
  EXPECT_EQ(state().CurveStage, 0);
}

TEST_F(OutlinePage, TextToolOpensTheBoxWherePressedAndTypingReachesTheModel) {
  QTest::mouseClick(palette("Tools.SpeedButton13"), Qt::LeftButton);
  ASSERT_EQ(state().DrawingTool, DrawTool::Text);
  QTest::mouseClick(client(), Qt::LeftButton, Qt::NoModifier, at(80, 60));
  QPlainTextEdit* memo = view().memo();
  ASSERT_TRUE(memo->isVisible());
  EXPECT_EQ(memo->geometry(), QRect(at(80, 60), QSize(225, 73)));
  EXPECT_EQ(memo->toPlainText(), "请在这里输入文本");
  memo->selectAll();
  QTest::keyClicks(memo, "Hi");
  EXPECT_EQ(form().Work_area.Outline.Memo1.Text, "Hi");
  QTest::mouseDClick(memo->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 30));
  EXPECT_FALSE(memo->isVisible());
  EXPECT_GT(blackPixels(), 0);  // red text in the layer
}

// The page's display is made from the picture and the layer as they are when it shows again: a
// line drawn, the page left (the picture alone shows), the picture warped there, the page back.
TEST_F(OutlinePage, LeavingAndReturningShowsTheLayerOverThePictureAsItIsThen) {
  leftDrag(at(20, 40), at(200, 40));
  ASSERT_EQ(state().OutlineBitmap.pixel(100, 40), kBlack);
  const TColor under = state().WorkingPicture.pixel(100, 40);
  ASSERT_NE(under, kBlack);
  EXPECT_EQ(shownAt(100, 40), qRgb(0, 0, 0));

  turnTo(0);
  ASSERT_EQ(state().PageIndex, 0);
  EXPECT_EQ(shownAt(100, 40), qRgb(RedOf(under), GreenOf(under), BlueOf(under)));
  const TColor before = state().WorkingPicture.pixel(110, 120);
  leftClick(at(100, 130));  // a bulge below the line
  const TColor after = state().WorkingPicture.pixel(110, 120);
  ASSERT_NE(after, before);

  turnTo(3);
  EXPECT_EQ(shownAt(100, 40), qRgb(0, 0, 0));
  EXPECT_EQ(shownAt(110, 120), qRgb(RedOf(after), GreenOf(after), BlueOf(after)));
}

}  // namespace
}  // namespace drollo::test
