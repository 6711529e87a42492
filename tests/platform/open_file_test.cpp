// Opening from outside the program: the file named on the command line, files dropped from a file
// manager on the main window or the work area, and the menu entry that lets file managers offer
// the program for every type it reads.
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <fstream>
#include <sstream>

#include "desktop_fixture.h"
#include "formats/file_types.h"
#include "formats/picture_file.h"
#include "platform/qt_pictures.h"
#include "support/pictures.h"

namespace drollo::test {
namespace {

using platform::Q;

class OpenFromOutside : public DesktopWindow {
 protected:
  // A file dragged over `target` and dropped at its middle, as a file manager delivers it.
  void drop(QWidget* target, const std::string& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    const QPointF middle = QPointF(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted()) << "the drag is refused";
    QDropEvent dropped(middle, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    EXPECT_TRUE(dropped.isAccepted());
    QApplication::processEvents();  // the file opens once the drop has ended
  }
  // The file as the desktop shows it: the work area's picture at the current zoom.
  QSize shownSize() const { return window.workArea()->imageRect().size(); }
};

TEST_F(OpenFromOutside, TheCommandLinesFileIsOpenedAfterTheStart) {
  EXPECT_EQ(platform::PictureFileArgument({"drollo"}), "");
  EXPECT_EQ(platform::PictureFileArgument({"drollo", "--screenshot-demo", "shots"}), "");
  EXPECT_EQ(platform::PictureFileArgument({"drollo", "--screenshot-demo", "shots", "a.heic"}),
            "a.heic");
  EXPECT_EQ(platform::PictureFileArgument({"drollo", "--", "-odd name.png"}), "-odd name.png");

  const Picture photo = PatternPicture(64, 48);
  formats::SavePicture(photo, folder / "photo.png", formats::FileType::Png);
  window.openPictureFile(platform::PictureFileArgument({"drollo", Q(folder / "photo.png")}));
  EXPECT_TRUE(errors.messages.empty());
  EXPECT_TRUE(SamePicture(photo, state().WorkingPicture));
  EXPECT_TRUE(SamePicture(photo, state().OpenedPicture.copy()));
  EXPECT_EQ(shownSize(), QSize(64, 48));
}

TEST_F(OpenFromOutside, AFileDroppedOnTheWorkAreaOrTheWindowIsOpened) {
  const Picture first = PatternPicture(64, 48, 1), second = PatternPicture(30, 20, 2);
  formats::SaveAsBmp(first, folder / "first.bmp");
  formats::SavePicture(second, folder / "second.png", formats::FileType::Png);
  drop(client(), folder / "first.bmp");
  EXPECT_TRUE(SamePicture(first, state().WorkingPicture));
  EXPECT_EQ(shownSize(), QSize(64, 48));
  drop(&window, folder / "second.png");
  EXPECT_TRUE(SamePicture(second, state().WorkingPicture));
  EXPECT_EQ(shownSize(), QSize(30, 20));
  EXPECT_TRUE(errors.messages.empty());
}

// Neither route loses the picture to a file that cannot be opened: the message names the file, and
// the picture, the layer and the undo step stay, on screen too.
TEST_F(OpenFromOutside, AFileThatCannotBeOpenedIsReportedAndChangesNothing) {
  std::ofstream(folder / "notes.txt") << "some notes";
  leftClick(at(300, 230));  // a bulge: one step to undo
  ASSERT_EQ(state().PictureHistory.undoCount(), 1);
  const Picture picture = state().WorkingPicture, opened = state().OpenedPicture.copy();
  const QSize shown = shownSize();

  drop(client(), folder / "notes.txt");
  window.openPictureFile(Q(folder / "gone.jpg"));
  ASSERT_EQ(errors.messages.size(), 2u);
  EXPECT_NE(errors.messages[0].find(folder / "notes.txt"), std::string::npos) << errors.messages[0];
  EXPECT_NE(errors.messages[1].find(folder / "gone.jpg"), std::string::npos) << errors.messages[1];
  EXPECT_TRUE(SamePicture(picture, state().WorkingPicture));
  EXPECT_TRUE(SamePicture(opened, state().OpenedPicture.copy()));
  EXPECT_EQ(state().PictureHistory.undoCount(), 1);
  EXPECT_TRUE(window.toolButton("SpeedButton5")->isEnabled());
  EXPECT_EQ(shownSize(), shown);
}

TEST(DesktopEntry, OpensAFileOfEveryTypeTheProgramReads) {
  std::ifstream in(DROLLO_DESKTOP_ENTRY);
  ASSERT_TRUE(in) << DROLLO_DESKTOP_ENTRY;
  std::string line, exec, mimeTypes;
  while (std::getline(in, line)) {
    if (line.starts_with("Exec=")) exec = line.substr(5);
    if (line.starts_with("MimeType=")) mimeTypes = line.substr(9);
  }
  EXPECT_EQ(exec, "drollo %f");
  EXPECT_EQ(mimeTypes, formats::DesktopMimeTypes());
}

}  // namespace
}  // namespace drollo::test
