// Faults a user met in the desktop windows, each driven through the real widgets with real mouse
// and key events and checked on what the windows show.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "desktop_fixture.h"
#include "formats/picture_file.h"
#include "image/resample.h"
#include "platform/desktop_services.h"
#include "platform/dialogs.h"
#include "platform/qt_pictures.h"
#include "support/pictures.h"

namespace drollo::test {
namespace {

class WindowFaults : public DesktopWindow {
 protected:
  void clickTool(const char* name) { QTest::mouseClick(window.toolButton(name), Qt::LeftButton); }
  // The share of the work area's client area painted in the window colour, not the picture.
  double backgroundShare() {
    const QImage shot = client()->grab().toImage();
    const QColor window(212, 208, 200);  // TWork_area::kWindowColor
    long long background = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x)
        if (shot.pixelColor(x, y) == window) ++background;
    return double(background) / (double(shot.width()) * shot.height());
  }
  void scrollToTheEnd() {
    QTest::keyClick(view().horizontalScrollBar(), Qt::Key_End);
    QTest::keyClick(view().verticalScrollBar(), Qt::Key_End);
  }
};

// Zoomed in, scrolled to the far corner, then zoomed out: the scroll positions must follow the
// smaller content, or the picture is drawn off its place over an empty background.
TEST_F(WindowFaults, ZoomOutWhileScrolledKeepsTheViewFilledWithThePicture) {
  for (int i = 0; i < 3; ++i) clickTool("SpeedButton9");
  scrollToTheEnd();
  ASSERT_GT(form().Work_area.HorzScrollBar.Position, 0);
  clickTool("SpeedButton8");
  ASSERT_EQ(window.zoomLabel()->text(), "156.3%");
  EXPECT_TRUE(view().imageRect().contains(client()->rect()));
  EXPECT_LT(backgroundShare(), 0.01);
}

TEST_F(WindowFaults, ANewPictureWhileScrolledKeepsTheViewFilled) {
  for (int i = 0; i < 3; ++i) clickTool("SpeedButton9");
  scrollToTheEnd();
  // A smaller picture pasted: 400 x 300 at 195 % still fills the view.
  clipboard.content = test::PatternPicture(400, 300, 3);
  keys(Qt::Key_V);
  ASSERT_EQ(state().WorkingPicture.width(), 400);
  EXPECT_TRUE(view().imageRect().contains(client()->rect()));
  EXPECT_LT(backgroundShare(), 0.01);
}

// Esc hides a dialog; the model must learn that it closed, or the next action shows it again.
TEST_F(WindowFaults, EscClosesTheAboutWindowAndThePictureSizeDialogForGood) {
  window.menuEntry("About1")->trigger();
  ASSERT_TRUE(window.about()->isVisible());
  QTest::keyClick(window.about(), Qt::Key_Escape);
  clickTool("SpeedButton9");
  EXPECT_FALSE(window.about()->isVisible());
  EXPECT_FALSE(form().AboutVisible);

  keys(Qt::Key_E);
  ASSERT_TRUE(window.imageSize()->isVisible());
  QTest::keyClick(window.imageSize(), Qt::Key_Escape);
  clickTool("SpeedButton8");
  EXPECT_FALSE(window.imageSize()->isVisible());
  EXPECT_FALSE(form().Image_Size.Visible);
}

// After cropping, and after choosing a warp tool, the picture shows the arrow again.
TEST_F(WindowFaults, TheCrossHairGoesWhenCroppingEndsOrTheToolChanges) {
  const auto cursorOverPicture = [&] {
    QTest::mouseMove(client(), at(30, 30));
    QTest::mouseMove(client(), at(31, 31));
    return client()->cursor().shape();
  };
  clickTool("SpeedButton2");
  EXPECT_EQ(cursorOverPicture(), Qt::CrossCursor);
  leftDrag(at(20, 20), at(120, 90));
  clickTool("SpeedButton11");
  ASSERT_EQ(state().WorkingPicture.width(), 99);
  EXPECT_EQ(cursorOverPicture(), Qt::ArrowCursor);

  clickTool("SpeedButton2");
  ASSERT_EQ(cursorOverPicture(), Qt::CrossCursor);
  QTest::mouseClick(palette<QAbstractButton>("Tools.SpeedButton2"), Qt::LeftButton);  // "shrink"
  EXPECT_EQ(cursorOverPicture(), Qt::ArrowCursor);
}

TEST_F(WindowFaults, ThePaletteSurvivesTheWindowManagersClose) {
  ASSERT_TRUE(window.tools()->isVisible());
  EXPECT_FALSE(window.tools()->close());
  EXPECT_TRUE(window.tools()->isVisible());
}

// A double-click is one warp step and one history entry: one undo brings the picture back.
TEST_F(WindowFaults, ADoubleClickWarpsOnceAndRecordsOneEntry) {
  const Picture start = state().WorkingPicture;
  const QPoint p = at(150, 120);
  QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, p);
  QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, p);
  const Picture afterOne = state().WorkingPicture;
  // The second press of a double-click arrives as a double-click event.
  QMouseEvent second(QEvent::MouseButtonDblClick, p, client()->mapToGlobal(p), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(client(), &second);
  QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, p);

  EXPECT_TRUE(test::SamePicture(afterOne, state().WorkingPicture));
  EXPECT_EQ(state().PictureHistory.undoCount(), 1);
  keys(Qt::Key_Z);
  EXPECT_TRUE(test::SamePicture(start, state().WorkingPicture));
}

// A drag of about one pixel holds no picture pixel: crop and copy stay disabled.
TEST_F(WindowFaults, ATinyCropDragEnablesNeitherCropNorCopy) {
  clickTool("SpeedButton2");
  leftDrag(at(50, 50), at(51, 50));
  EXPECT_FALSE(window.toolButton("SpeedButton11")->isEnabled());
  EXPECT_FALSE(window.shortcut("Action6")->isEnabled());
  leftDrag(at(50, 50), at(60, 58));
  EXPECT_TRUE(window.toolButton("SpeedButton11")->isEnabled());
  EXPECT_TRUE(window.shortcut("Action6")->isEnabled());
}

// Below 100 % the view shows a reduced copy of the picture, kept until the picture changes: it
// must follow every edit and every undo, whatever the picture's depth.
TEST_F(WindowFaults, TheReducedViewFollowsEditsAndUndo) {
  // The part of the view within 80 pixels of `c` (inside the brush circle) shows the picture
  // reduced to the displayed size, each pixel the average of the picture pixels it covers.
  const auto showsThePicture = [&](QPoint c) {
    const QRect image = view().imageRect();
    const Picture expected = AreaResample(state().WorkingPicture, image.width(), image.height());
    const QImage shot = client()->grab().toImage();
    for (int y = c.y() - 80; y <= c.y() + 80; ++y)
      for (int x = c.x() - 80; x <= c.x() + 80; ++x) {
        if ((QPoint(x, y) - c).manhattanLength() > 110 || !image.contains(x, y)) continue;
        const TColor e = expected.pixel(x - image.left(), y - image.top());
        if (shot.pixel(x, y) != qRgb(RedOf(e), GreenOf(e), BlueOf(e))) {
          ADD_FAILURE() << "differs at " << x << "," << y;
          return false;
        }
      }
    return true;
  };
  Picture grey(400, 300, PixelFormat::Grey8());
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) grey.setPixel(x, y, (x / 7 + y / 5) % 2 ? kWhite : kBlack);
  const std::string greyFile = folder / "grey.bmp";
  formats::SaveAsBmp(grey, greyFile);

  for (const bool eightBit : {false, true}) {
    if (eightBit) {
      openDialog.answers.push_back(greyFile);
      keys(Qt::Key_O);
      ASSERT_EQ(state().WorkingPicture.bitsPerPixel(), 8);
    }
    if (!eightBit) {  // 64 %, kept for the opened picture
      clickTool("SpeedButton8");
      clickTool("SpeedButton8");
    }
    const QPoint c = at(190, 150);
    ASSERT_TRUE(showsThePicture(c));
    leftClick(c);
    ASSERT_EQ(state().PictureHistory.undoCount(), 1);
    EXPECT_TRUE(showsThePicture(c));
    keys(Qt::Key_Z);
    EXPECT_TRUE(showsThePicture(c));
  }
}

TEST_F(WindowFaults, AWheelDeltaOfZeroZoomsIn) {
  QTest::mouseMove(client(), at(40, 40));
  QWheelEvent wheel(at(40, 40), client()->mapToGlobal(at(40, 40)), QPoint(), QPoint(0, 0),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(client(), &wheel);
  EXPECT_EQ(window.zoomLabel()->text(), "125.0%");
}

TEST_F(WindowFaults, TheMainWindowsOuterSizeIsItsStartSize) {
  EXPECT_EQ(window.frameGeometry().size(), QSize(885, 611));
}

// The save dialog asks about the file that is really written: the typed name with the chosen
// entry's extension.
class SaveQuestion : public testing::Test {
 protected:
  SaveQuestion() {
    services.SaveDialog1 = &dialog;
    services.Errors = &errors;
  }
  // Answers the save dialog with `typed` and the filter entry `entry`, then records the question
  // asked, if any, and answers it with yes.
  void answer(const std::string& typed, const QString& entry) {
    QTimer::singleShot(0, [=, this] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->selectNameFilter(entry);
      d->selectFile(QString::fromStdString(typed));
      QTimer::singleShot(0, [this] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          question = box->text().toStdString();
          QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        }
      });
      QMetaObject::invokeMethod(d, "accept");
    });
  }
  TempFolder folder;
  platform::QtSaveDialog dialog{nullptr};
  FakeErrors errors;
  PlatformServices services;
  std::string question;
};

TEST_F(SaveQuestion, NamesTheFileThatWillBeReplaced) {
  const std::string jpg = folder / "photo.jpg";
  std::ofstream(jpg) << "old";
  platform::MainWindow window(&services);
  window.show();
  answer(folder / "photo.bmp", "*.jpg (*.jpg)");
  window.form().Execute(Handler::Save1Click);
  EXPECT_NE(question.find("photo.jpg"), std::string::npos) << question;
  EXPECT_EQ(question.find("photo.bmp"), std::string::npos) << question;
  EXPECT_GT(std::filesystem::file_size(jpg), 3u);  // replaced by the JPEG
  EXPECT_FALSE(std::filesystem::exists(folder / "photo.bmp"));

  // A typed name that exists but is not the one written asks nothing and leaves that file alone.
  question.clear();
  answer(jpg, "*.bmp (*.bmp)");
  const auto jpgSize = std::filesystem::file_size(jpg);
  window.form().Execute(Handler::Save1Click);
  EXPECT_EQ(question, "");
  EXPECT_TRUE(std::filesystem::exists(folder / "photo.bmp"));
  EXPECT_EQ(std::filesystem::file_size(jpg), jpgSize);
  EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
}  // namespace drollo::test
