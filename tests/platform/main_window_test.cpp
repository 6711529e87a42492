// The main window's tool bar, menus and key short-cuts run the main window model's handlers.
#include <QAction>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>

#include "desktop_fixture.h"
#include "platform/desktop_services.h"
#include "platform/dialogs.h"
#include "platform/qt_pictures.h"
#include "support/pictures.h"

namespace drollo::test {
namespace {

using platform::Q;

class MainWindowCommands : public DesktopWindow {};

TEST_F(MainWindowCommands, ToolBarShowsTheTableInOrderWithTheZoomLabelAfterZoomIn) {
  QList<QWidget*> order;
  for (QWidget* w : window.findChild<QToolBar*>("ToolBar1")->findChildren<QWidget*>()) {
    if (qobject_cast<QToolButton*>(w) && !w->objectName().startsWith("SpeedButton")) continue;
    if (w->objectName().startsWith("SpeedButton") || w->objectName() == "Label1") order << w;
  }
  std::sort(order.begin(), order.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
  QStringList names;
  for (QWidget* w : order) names << w->objectName();
  EXPECT_EQ(names.join(' ').toStdString(),
            "SpeedButton3 SpeedButton4 SpeedButton5 SpeedButton10 SpeedButton6 SpeedButton8 "
            "SpeedButton9 Label1 SpeedButton2 SpeedButton11 SpeedButton16 SpeedButton1 "
            "SpeedButton7");
  for (const ToolButtonEntry& e : ToolBarButtons()) {
    QToolButton* b = window.toolButton(Q(e.Name));
    ASSERT_NE(b, nullptr) << e.Name;
    EXPECT_EQ(b->toolTip(), Q(e.Hint));
    EXPECT_EQ(b->isEnabled(), e.StartsEnabled) << e.Name;
    EXPECT_EQ(b->size(), QSize(25, 21));
  }
  EXPECT_EQ(window.zoomLabel()->text(), "100%");
}

TEST_F(MainWindowCommands, MenuBarHoldsEveryEntryUnderItsMenu) {
  const QList<QAction*> menus = window.menuBar()->actions();
  ASSERT_EQ(menus.size(), 3);
  EXPECT_EQ(menus[0]->text(), "文件");
  EXPECT_EQ(menus[1]->text(), "编辑");
  EXPECT_EQ(menus[2]->text(), "帮助");
  for (const MenuEntry& e : MenuEntries()) {
    QAction* a = window.menuEntry(Q(e.Name));
    ASSERT_NE(a, nullptr) << e.Name;
    EXPECT_EQ(a->text(), Q(e.Caption));
    EXPECT_EQ(a->isEnabled(), e.StartsEnabled) << e.Name;
    bool underItsMenu = false;
    for (QAction* m : menus)
      if (m->text() == Q(e.Menu)) underItsMenu = m->menu()->actions().contains(a);
    EXPECT_TRUE(underItsMenu) << e.Name;
  }
}

TEST_F(MainWindowCommands, ZoomInTwiceByButtonThenOutByCtrlMinusShows125) {
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);
  EXPECT_EQ(window.zoomLabel()->text(), "156.3%");
  keys(Qt::Key_Minus);
  EXPECT_EQ(window.zoomLabel()->text(), "125.0%");
  EXPECT_DOUBLE_EQ(state().ZoomPercent, 125.0);
  // The work area shows the picture at the new size.
  EXPECT_EQ(view().imageRect().width(), DisplayLength(state().WorkingPicture.width(), 125.0));
  // The last button pressed is shown pressed.
  EXPECT_TRUE(window.toolButton("SpeedButton9")->isChecked());
  EXPECT_FALSE(window.toolButton("SpeedButton8")->isChecked());
}

TEST_F(MainWindowCommands, CtrlZUndoesAWarpClickAndCtrlYRedoesIt) {
  const Picture before = state().WorkingPicture;
  leftClick(at(300, 220));
  EXPECT_FALSE(state().WorkingPicture.samePixels(before));
  const Picture after = state().WorkingPicture;
  EXPECT_TRUE(window.toolButton("SpeedButton5")->isEnabled());
  EXPECT_TRUE(window.menuEntry("Undo1")->isEnabled());

  keys(Qt::Key_Z);
  EXPECT_TRUE(state().WorkingPicture.samePixels(before));
  EXPECT_FALSE(window.toolButton("SpeedButton5")->isEnabled());
  EXPECT_TRUE(window.toolButton("SpeedButton10")->isEnabled());
  keys(Qt::Key_Y);
  EXPECT_TRUE(state().WorkingPicture.samePixels(after));
}

TEST_F(MainWindowCommands, CtrlCCopiesNothingUntilACropRectangleIsDrawn) {
  QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
  ASSERT_TRUE(state().CropSelectMode);
  EXPECT_FALSE(window.shortcut("Action6")->isEnabled());
  keys(Qt::Key_C);
  EXPECT_EQ(clipboard.puts, 0);

  leftDrag(at(10, 20), at(110, 70));
  EXPECT_TRUE(window.shortcut("Action6")->isEnabled());
  EXPECT_TRUE(window.toolButton("SpeedButton11")->isEnabled());
  keys(Qt::Key_C);
  ASSERT_EQ(clipboard.puts, 1);
  // Corners 10..110 and 20..70 at 100 %: columns 11..109, rows 21..69 from 1, inclusive.
  EXPECT_EQ(clipboard.content->width(), 99);
  EXPECT_EQ(clipboard.content->height(), 49);
  // Copying leaves crop mode on.
  EXPECT_TRUE(state().CropSelectMode);
}

TEST_F(MainWindowCommands, CropButtonCutsThePictureToTheRectangle) {
  QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
  leftDrag(at(10, 20), at(110, 70));
  QTest::mouseClick(window.toolButton("SpeedButton11"), Qt::LeftButton);
  EXPECT_EQ(state().WorkingPicture.width(), 99);
  EXPECT_EQ(state().WorkingPicture.height(), 49);
  EXPECT_EQ(view().imageRect().size(), QSize(99, 49));
  EXPECT_FALSE(window.toolButton("SpeedButton11")->isEnabled());
  EXPECT_FALSE(window.shortcut("Action6")->isEnabled());
}

TEST_F(MainWindowCommands, CtrlQEndsTheProgram) {
  QSignalSpy ended(&window, &platform::MainWindow::programEnded);
  leftClick(at(300, 220));  // an unsaved change does not stop it
  keys(Qt::Key_Q);
  EXPECT_EQ(ended.count(), 1);
  EXPECT_TRUE(form().Closed);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.tools()->isVisible());
}

TEST_F(MainWindowCommands, AboutAndPictureSizeWindowsOpenWithoutBlocking) {
  window.menuEntry("About1")->trigger();
  ASSERT_TRUE(window.about()->isVisible());
  EXPECT_EQ(window.about()->windowTitle(), "关于我们");
  EXPECT_EQ(window.about()->size(), QSize(438, 346));
  EXPECT_FALSE(window.about()->isModal());

  keys(Qt::Key_E);
  ASSERT_TRUE(window.imageSize()->isVisible());
  EXPECT_EQ(window.imageSize()->windowTitle(), "图片尺寸");
  EXPECT_EQ(window.imageSize()->size(), QSize(313, 195));
  EXPECT_EQ(window.imageSize()->widthField()->text().toInt(), state().WorkingPicture.width());
  EXPECT_EQ(window.imageSize()->heightField()->text().toInt(), state().WorkingPicture.height());
}

TEST_F(MainWindowCommands, PictureSizeDialogKeepsTheRatioWhileTypingAndAppliesTheSize) {
  keys(Qt::Key_E);
  ASSERT_EQ(window.imageSize()->widthField()->text(), "605");
  ASSERT_EQ(window.imageSize()->heightField()->text(), "469");
  QLineEdit* w = window.imageSize()->widthField();
  w->selectAll();
  QTest::keyClicks(w, "302");
  EXPECT_EQ(window.imageSize()->heightField()->text(), "234");  // 234.1
  // "+": 377.5 and 292.5, each to the even neighbour.
  QTest::mouseClick(window.imageSize()->findChild<QAbstractButton*>("SpeedButton2"),
                    Qt::LeftButton);
  EXPECT_EQ(window.imageSize()->widthField()->text(), "378");
  EXPECT_EQ(window.imageSize()->heightField()->text(), "292");
  QTest::mouseClick(window.imageSize()->findChild<QAbstractButton*>("Button1"), Qt::LeftButton);
  EXPECT_EQ(state().WorkingPicture.width(), 378);
  EXPECT_EQ(state().WorkingPicture.height(), 292);
  EXPECT_FALSE(window.imageSize()->isVisible());
  // Opened again, it shows the new size, though it was closed when the picture changed.
  keys(Qt::Key_E);
  ASSERT_TRUE(window.imageSize()->isVisible());
  EXPECT_EQ(window.imageSize()->widthField()->text(), "378");
  EXPECT_EQ(window.imageSize()->heightField()->text(), "292");
}

TEST_F(MainWindowCommands, PictureSizeDialogRefusesAnEmptyField) {
  keys(Qt::Key_E);
  window.imageSize()->widthField()->clear();
  QTest::keyClick(window.imageSize()->widthField(), Qt::Key_Backspace);
  QTest::mouseClick(window.imageSize()->findChild<QAbstractButton*>("Button1"), Qt::LeftButton);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, "Please input a valid integer value.");
  EXPECT_TRUE(window.imageSize()->isVisible());
  EXPECT_EQ(state().WorkingPicture.width(), 605);
}

// The help page is found beside the program's folder, as the build tree and an installation both
// lay it out, not at a fixed place that exists only after installing to /usr.
TEST_F(MainWindowCommands, OnlineAndHelpOpenTheProductPages) {
  keys(Qt::Key_L);
  keys(Qt::Key_F1, Qt::NoModifier);
  ASSERT_EQ(browser.opened.size(), 2u);
  EXPECT_EQ(browser.opened[0], kHomePage);
  const std::string page = platform::FindHelpPage();
  ASSERT_FALSE(page.empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(page)) << page;
  EXPECT_EQ(browser.opened[1], "file://" + page);
  EXPECT_TRUE(errors.messages.empty());
}

TEST_F(MainWindowCommands, MailButtonHandsTheMessageToTheMailProgram) {
  QTest::mouseClick(window.toolButton("SpeedButton1"), Qt::LeftButton);
  ASSERT_EQ(mail.sent.size(), 1u);
  EXPECT_EQ(mail.sent[0].Subject, "Tell you a great software--Drollo.");
  ASSERT_EQ(mail.sent[0].Attachments.size(), 1u);
}

TEST(XdgMail, CommandLineCarriesSubjectBodyAndAttachments) {
  MailMessage m;
  m.Subject = "Tell you a great software--Drollo.";
  m.NoteText = "Hello!\r\n\r\nGood luck!";
  m.Attachments = {{"/home/u/.local/share/drollo/mywork.jpg", "mywork.jpg"}};
  m.To = MailMessage::Recipient{"friend@example.org", "SMTP:friend@example.org"};
  const QStringList args = platform::XdgMailProgram::Arguments(m);
  EXPECT_EQ(args, QStringList({"--subject", "Tell you a great software--Drollo.", "--body",
                               "Hello!\r\n\r\nGood luck!", "--attach",
                               "/home/u/.local/share/drollo/mywork.jpg", "friend@example.org"}));
}

TEST(NameFilters, PairsOfTextAndPatternBecomeQtFilters) {
  EXPECT_EQ(platform::NameFilters("*.jpg|*.jpg|*.bmp|*.bmp|All files|*.*"),
            QStringList({"*.jpg (*.jpg)", "*.bmp (*.bmp)", "All files (*)"}));
}

TEST(PictureConversion, AQImageAndBackKeepsEveryPixel) {
  const Picture p = PatternPicture(7, 5);
  EXPECT_TRUE(SamePicture(p, platform::FromQImage(platform::ToQImage(p))));
  // A picture of another depth is shown through its 24-bit form.
  Picture grey(7, 5, PixelFormat::Grey8());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) grey.mutableRow(y)[x] = static_cast<std::uint8_t>(30 * x + y);
  EXPECT_TRUE(SamePicture(ToBgr24(grey), platform::FromQImage(platform::ToQImage(grey))));
}

}  // namespace
}  // namespace drollo::test

namespace drollo::test {
namespace {

TEST(ProgramFont, SongFaceAt12PixelsStandsForTheProgramsFont) {
  platform::PrepareApplication(*qApp);
  const QFontInfo info(QApplication::font());
  EXPECT_EQ(info.family(), "Noto Serif CJK SC");
  EXPECT_EQ(info.pixelSize(), 12);
}

}  // namespace
}  // namespace drollo::test
