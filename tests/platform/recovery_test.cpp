// Recovery copies on the desktop: a real program killed with SIGKILL after edits, and the next
// start's question, answered with the keyboard and the mouse as a user answers it.
//
// The killed program is this test program started again with DROLLO_RECOVERY_CHILD naming a file
// to create once it is ready (see main.cpp): it builds the desktop's main window with the
// desktop's own services, so its recovery copies go to XDG_STATE_HOME as the program's do.
#include "recovery_child.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/recovery.h"
#include "desktop_fixture.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "support/pictures.h"

extern char** environ;

namespace drollo::test {

namespace fs = std::filesystem;

int RunRecoveryChild(const std::string& ready) {
  platform::MainWindow window;  // the desktop's services: the store in $XDG_STATE_HOME
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 2;
  window.openPictureFile(qEnvironmentVariable("DROLLO_RECOVERY_PICTURE"));
  TForm1& f = window.form();
  if (f.State.WorkingPicture.empty()) return 3;
  // A click with the expand tool, a zoom step, and the outline extracted on the outline page.
  platform::WorkAreaView& view = *window.workArea();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.viewportPoint(60, 50));
  QTest::mouseClick(window.toolButton("SpeedButton9"), Qt::LeftButton);
  QTabBar* bar = window.tools()->notebook()->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(3).center());
  QTest::mouseClick(window.tools()->findChild<QAbstractButton*>("Tools.SpeedButton10"),
                    Qt::LeftButton);
  // The last edits wait for the interval: the copy is complete once a tick after it is written.
  RecoveryStore* store = f.Services.Recovery;
  if (!store) return 4;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  for (;;) {
    QTest::qWait(200);
    store->Flush();
    const std::string text = [&] {
      std::ifstream in(store->Folder() + "/recovery.txt");
      return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    if (text.find("page 3") != std::string::npos && text.find("zoom 125") != std::string::npos)
      break;
    if (std::chrono::steady_clock::now() > deadline) return 5;
  }
  formats::SaveAsBmp(f.State.WorkingPicture, ready + ".picture.bmp");
  formats::SaveAsBmp(f.State.OutlineBitmap, ready + ".layer.bmp");
  std::ofstream(ready) << "ready";
  for (;;) QTest::qWait(1000);  // until killed
}

namespace {

// Answers the next question box as soon as it shows: `answer` gets the box.
void AnswerQuestion(std::function<void(QMessageBox&)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box->objectName() != "QuestionBox") return;
    timer->stop();
    timer->deleteLater();
    answer(*box);
  });
  timer->start(20);
}

QAbstractButton* ButtonNamed(QMessageBox& box, const char* text) {
  for (QAbstractButton* b : box.buttons())
    if (b->text() == QString::fromUtf8(text)) return b;
  return nullptr;
}

Picture ReadBmp(const std::string& path) {
  return formats::DecodeBmp(formats::ReadWholeFile(path));
}

// The desktop started again with the fake services and a store on `root`; its question box is
// the desktop's own.
class Restart : public testing::Test {
 protected:
  PlatformServices Services() {
    PlatformServices s;
    s.Errors = &errors;
    s.Messages = &messages;
    s.Recovery = store.get();
    return s;
  }
  std::vector<std::string> RunFolders() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root)) names.push_back(e.path().filename());
    return names;
  }

  TempFolder folder;
  std::string root = folder / "state/drollo/recovery";
  FakeErrors errors;
  FakeMessages messages;
  std::unique_ptr<RecoveryStore> store;
};

TEST_F(Restart, AfterSigkillTheQuestionRestoresTheSamePictureAndLayer) {
  const std::string picture = folder / "photo.bmp", ready = folder / "ready";
  formats::SaveAsBmp(PatternPicture(200, 150, 7), picture);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.push_back("XDG_STATE_HOME=" + folder / "state");
  env.push_back("DROLLO_RECOVERY_CHILD=" + ready);
  env.push_back("DROLLO_RECOVERY_PICTURE=" + picture);
  env.push_back("QT_QPA_PLATFORM=offscreen");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = fs::read_symlink("/proc/self/exe");
  char* argv[] = {self.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(150);
  int status = 0;
  while (!fs::exists(ready)) {
    ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0)
        << "the program ended by itself, status " << status;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      FAIL() << "the program wrote no recovery copy";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  ASSERT_EQ(RunFolders().size(), 1u) << testing::PrintToString(RunFolders());  // the killed run's

  store = std::make_unique<RecoveryStore>(root);
  PlatformServices services = Services();
  platform::MainWindow window(&services);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QString text;
  AnswerQuestion([&](QMessageBox& box) {
    text = box.text();
    EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()),
              ButtonNamed(box, recovery_text::kRestore));
    QTest::keyClick(&box, Qt::Key_Escape);  // answers nothing: the box stays
    EXPECT_TRUE(box.isVisible());
    QTest::keyClick(&box, Qt::Key_Return);
  });
  EXPECT_TRUE(window.offerRecoveryCopy());
  EXPECT_TRUE(text.contains("photo.bmp"));
  TForm1& f = window.form();
  EXPECT_FALSE(f.State.WorkingPicture.samePixels(PatternPicture(200, 150, 7)));  // edited
  EXPECT_TRUE(SamePicture(ReadBmp(ready + ".picture.bmp"), f.State.WorkingPicture));
  EXPECT_TRUE(SamePicture(ReadBmp(ready + ".layer.bmp"), f.State.OutlineBitmap));
  EXPECT_EQ(f.State.PageIndex, 3);
  EXPECT_EQ(window.tools()->notebook()->currentIndex(), 3);
  EXPECT_EQ(window.zoomLabel()->text(), "125.0%");
  EXPECT_TRUE(errors.messages.empty());

  // A normal end leaves no copy.
  window.close();
  EXPECT_TRUE(RunFolders().empty());
}

TEST_F(Restart, DiscardingWithTheMouseDeletesTheCopy) {
  {
    RecoveryStore dead(root);
    const Picture p = PatternPicture(30, 20);
    TBitmap32 layer(30, 20);
    dead.Write(PictureSnapshot::Capture(p, nullptr), PictureSnapshot::Capture(layer, nullptr), {});
    ASSERT_TRUE(dead.Flush());
  }
  store = std::make_unique<RecoveryStore>(root);
  PlatformServices services = Services();
  platform::MainWindow window(&services);
  window.show();
  AnswerQuestion([](QMessageBox& box) {
    QTest::mouseClick(ButtonNamed(box, recovery_text::kDiscard), Qt::LeftButton);
  });
  EXPECT_FALSE(window.offerRecoveryCopy());
  EXPECT_EQ(RunFolders(), std::vector<std::string>{fs::path(store->Folder()).filename()});
  EXPECT_EQ(window.form().State.WorkingPicture.width(), 605);  // the start picture
}

}  // namespace
}  // namespace drollo::test
