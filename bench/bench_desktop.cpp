// The desktop program's click beside the same click in drollo-batch, in the same run.
//
// A 6000 x 4000 picture is opened in the desktop's main window on the offscreen platform and in a
// drollo-batch session, both are zoomed out the same number of times, and every iteration clicks
// the same picture point in both: in the window with real mouse events on the work area, counted
// until the work area has painted what the click did (the step, the history record and the
// repaint); in the session with its click step. Both run on one worker thread and are timed in the
// processor time of the whole process, so waiting for the window's repaint does not count, and
// neither does the idle spinning of the workers after a parallel loop, which would land in
// whichever program's time happens to run next. `ratio` is the desktop's click over drollo-batch's:
// at most 1.2 is the target, at every zoom.
//
// `bench_desktop --peak-click [FILE]` instead opens FILE in the window, zooms out ten times,
// clicks once and waits for the repaint, for the memory peaks of scripts/bench; without a file it
// only shows the window. `bench_desktop --peak-outline FILE` does the same on the outline page,
// after the outline is extracted.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/session.h"
#include "batch/steps.h"
#include "formats/picture_file.h"
#include "image/threads.h"
#include "large_picture.h"
#include "platform/main_window.h"
#include "platform/tools_window.h"
#include "platform/work_area_view.h"

namespace drollo {
namespace {

constexpr int kWidth = 6000, kHeight = 4000;

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The large picture as a file both programs open, written once per run and removed at its end.
struct PictureFolder {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("drollo-bench-desktop-" + std::to_string(getpid()));
  std::string file = (folder / "large.bmp").string();

  PictureFolder() {
    std::filesystem::create_directories(folder);
    formats::SaveAsBmp(LargePicture(kWidth, kHeight), file);
  }
  ~PictureFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

const std::string& PictureFile() {
  static const PictureFolder f;
  return f.file;
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, e);
  }
};

// The desktop program's main window with its own services but for the dialogs, which nothing
// here opens, and without recovery copies, which are written in the background and are no part
// of a click.
class Desktop {
 public:
  Desktop() : messages_(std::cerr) {
    PlatformServices s;
    s.Errors = &errors_;
    s.Messages = &messages_;
    s.DataFolder = (std::filesystem::temp_directory_path() / "drollo-bench-desktop-data").string();
    window_ = std::make_unique<platform::MainWindow>(&s);
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowExposed(window_.get())) std::cerr << "the window is not exposed\n";
    client()->installEventFilter(&counter_);
  }

  QWidget* client() { return window_->workArea()->viewport(); }
  ProgramState& state() { return window_->form().State; }
  bool brushShown() { return window_->form().Work_area.BrushShown; }
  bool failed() const { return !errors_.Errors.empty(); }

  void open(const std::string& file) {
    window_->openPictureFile(QString::fromStdString(file));
    paint();
  }
  void zoomOut(int times) {
    for (int i = 0; i < times; ++i)
      QTest::mouseClick(window_->toolButton("SpeedButton8"), Qt::LeftButton);
    paint();
  }
  // The pointer moved to (X, Y) of the shown picture, as before a click there: the brush circle
  // shows around it. It comes from a pixel away, for a move to where the pointer already is (as
  // after the other zoom's benchmark) delivers nothing.
  void point(int X, int Y) {
    QTest::mouseMove(client(), window_->workArea()->viewportPoint(X + 1, Y + 1));
    QTest::mouseMove(client(), window_->workArea()->viewportPoint(X, Y));
    paint();
  }
  // A left click at (X, Y) of the shown picture, until the work area has painted it.
  void click(int X, int Y) {
    const QPoint at = window_->workArea()->viewportPoint(X, Y);
    const int before = counter_.paints;
    QTest::mousePress(client(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(client(), Qt::LeftButton, Qt::NoModifier, at);
    waitForPaint(before);
  }
  // The palette turned to a page with a click on its tab, and one of its buttons pressed.
  void turnTo(int page) {
    QTabBar* bar = window_->tools()->notebook()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
    paint();
  }
  void press(const char* button) {
    QTest::mouseClick(window_->tools()->findChild<QAbstractButton*>(button), Qt::LeftButton);
    paint();
  }
  // Lets the window paint what is pending.
  void paint() {
    client()->update();
    waitForPaint(counter_.paints);
  }

 private:
  // Sleeps until events come, so the wait itself costs no processor time; a timer wakes it now
  // and then to give up after a few seconds. A paint already made (the work area paints a click
  // at the end of the release) needs no wait and no timer.
  void waitForPaint(int before) {
    if (counter_.paints != before) return;
    QElapsedTimer waited;
    waited.start();
    QTimer wake;
    wake.start(100);
    while (counter_.paints == before && waited.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  batch::StepErrors errors_;
  batch::StreamMessages messages_;
  PaintCounter counter_;
  std::unique_ptr<platform::MainWindow> window_;
};

class Batch {
 public:
  Batch() : session_(std::cerr) {}
  ProgramState& state() { return session_.Form().State; }

  // The steps of a drollo-batch command line, read once.
  static std::vector<batch::Step> Steps(const std::vector<std::string>& words) {
    std::string error;
    std::optional<batch::CommandLine> line = batch::ParseCommandLine(words, error);
    if (!line) std::cerr << error << "\n";
    return line ? line->Steps : std::vector<batch::Step>{};
  }
  bool run(const std::vector<batch::Step>& steps) {
    std::string error;
    for (const batch::Step& step : steps)
      if (!session_.Run(step, error)) {
        std::cerr << error << "\n";
        return false;
      }
    return !steps.empty();
  }

 private:
  batch::Session session_;
};

// Argument: zoom-outs after opening (10: 10.7 %, where the default brush covers 934 picture
// pixels; 0: 100 %).
void Click(benchmark::State& bench) {
  const int zoomOuts = static_cast<int>(bench.range(0));
  Desktop desktop;
  desktop.open(PictureFile());
  desktop.zoomOut(zoomOuts);
  Batch batch;
  std::vector<std::string> setup{"open", PictureFile()};
  for (int i = 0; i < zoomOuts; ++i) setup.insert(setup.end(), {"wheel", "up"});
  if (!batch.run(Batch::Steps(setup)) || desktop.failed()) {
    bench.SkipWithError("opening the picture failed");
    return;
  }
  if (desktop.state().ZoomPercent != batch.state().ZoomPercent) {
    bench.SkipWithError("the two programs show the picture at different zooms");
    return;
  }
  // A point of the shown picture inside the work area's client area at every zoom.
  const int X = 300, Y = 200;
  const std::vector<batch::Step> click =
      Batch::Steps({"click", std::to_string(X) + "," + std::to_string(Y)});
  // Once untimed, and checked: both programs made the same step on the same picture.
  desktop.point(X, Y);
  desktop.click(X, Y);
  batch.run(click);
  if (!desktop.brushShown()) {
    bench.SkipWithError("the brush circle is not shown around the pointer");
    return;
  }
  if (!desktop.state().WorkingPicture.samePixels(batch.state().WorkingPicture)) {
    bench.SkipWithError("the click made different pictures in the two programs");
    return;
  }

  const int threads = WorkerThreads();
  SetWorkerThreads(1);
  double desktopTotal = 0, batchTotal = 0;
  for (auto _ : bench) {
    const double t0 = ProcessSeconds();
    desktop.click(X, Y);
    const double t1 = ProcessSeconds();
    batch.run(click);
    const double t2 = ProcessSeconds();
    desktopTotal += t1 - t0;
    batchTotal += t2 - t1;
    bench.SetIterationTime(t1 - t0);
  }
  SetWorkerThreads(threads);
  const double n = static_cast<double>(bench.iterations());
  bench.counters["zoom_percent"] = desktop.state().ZoomPercent;
  bench.counters["desktop_ms"] = 1e3 * desktopTotal / n;
  bench.counters["batch_ms"] = 1e3 * batchTotal / n;
  bench.counters["ratio"] = desktopTotal / batchTotal;
}

// A click at 100 % costs a few tenths of a millisecond: many more of them make a steady figure.
// The figure of one run moves with what else the machine does (a tenth either way on a small
// virtual machine): each is run five times, with both windows made afresh, and scripts/bench gives
// the median and the range.
BENCHMARK(Click)
    ->ArgName("zoom_outs")
    ->Arg(10)
    ->UseManualTime()
    ->Iterations(12)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Click)
    ->ArgName("zoom_outs")
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(2000)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond);

// The same on the outline page: the outline extracted from the opened photograph, and a click
// with the line tool on the layer shown over the picture.
int PeakOutline(const char* file) {
  Desktop desktop;
  desktop.open(file);
  desktop.zoomOut(10);
  desktop.turnTo(3);
  desktop.press("Tools.SpeedButton10");
  desktop.click(300, 200);
  return desktop.failed() ? 1 : 0;
}

int PeakClick(const char* file) {
  Desktop desktop;
  if (file) {
    desktop.open(file);
    desktop.zoomOut(10);
    desktop.click(300, 200);
  }
  return desktop.failed() ? 1 : 0;
}

}  // namespace
}  // namespace drollo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc >= 3 && std::string_view(argv[1]) == "--peak-outline")
    return drollo::PeakOutline(argv[2]);
  if (argc >= 2 && std::string_view(argv[1]) == "--peak-click")
    return drollo::PeakClick(argc >= 3 ? argv[2] : nullptr);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
