// The desktop program: the main window with its work area, the tool palette and the dialogs.
// The interface speaks the user's language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): English for an
// English locale, Chinese, as the program is written, for every other one.
// `drollo [FILE]` opens FILE once the program has started, as the open command would, unless the
// work of a run that did not end normally is restored at the start;
// `--screenshot-demo DIR` only drives the program through a few states and saves pictures of the
// screen, for reviewing the look.
#include <QApplication>
#include <QStringList>

#include "image/threads.h"
#include "platform/languages.h"
#include "platform/main_window.h"
#include "platform/metafile_painter_qt.h"
#include "platform/screenshot_demo.h"

int main(int argc, char** argv) {
  drollo::ApplyThreadsFromEnvironment();  // DROLLO_THREADS limits the worker threads
  QApplication app(argc, argv);
  if (!drollo::platform::UseLanguage(drollo::LanguageFromEnvironment()))
    qWarning(
        "drollo: some of the interface's translations are missing; their texts stay as written");
  drollo::platform::PrepareApplication(app);
  drollo::platform::InstallQtMetafileReader();
  drollo::platform::MainWindow window;
  QObject::connect(&window, &drollo::platform::MainWindow::programEnded, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  window.show();
  const QStringList args = app.arguments();
  // Restored work is not replaced by the file of the command line: it is saved nowhere else.
  const bool restored = window.offerRecoveryCopy();
  if (const QString file = drollo::platform::PictureFileArgument(args);
      !file.isEmpty() && !restored)
    window.openPictureFile(file);
  const qsizetype demo = args.indexOf("--screenshot-demo");
  if (demo > 0 && demo + 1 < args.size())
    drollo::platform::RunScreenshotDemo(window, args[demo + 1]);
  return app.exec();
}
