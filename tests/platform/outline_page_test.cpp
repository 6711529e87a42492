// Mouse events on the work area reach the outline page's tools: strokes land in the layer through
// the Qt canvas, previews show on the window, and the text box opens where it is pressed.
#include <QPlainTextEdit>
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

}  // namespace
}  // namespace drollo::test
