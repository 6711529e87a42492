// drollo-batch: the whole program driven from the command line, step by step, as a user would
// with the mouse and the keys. See drollo-batch --help.
#include <unistd.h>

#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "batch/batch_runner.h"
#include "image/threads.h"
#include "platform/languages.h"
#include "platform/metafile_painter_qt.h"

namespace {

// Qt's own notices go to standard error, except the one about the runtime folder, which the
// offscreen platform gives on every run without a desktop session.
void QtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  (void)context;
  if (type == QtWarningMsg && message.startsWith("QStandardPaths:")) return;
  std::cerr << message.toStdString() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  drollo::ApplyThreadsFromEnvironment();  // DROLLO_THREADS limits the worker threads
  qInstallMessageHandler(QtMessages);
  // No window is shown: the offscreen platform serves the painter and the fonts.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The steps are taken before Qt reads the command line, which may remove words it knows.
  const std::vector<std::string> args(argv + 1, argv + argc);
  QGuiApplication app(argc, argv);
  // Message boxes and errors speak the user's language, as the desktop program's do.
  drollo::platform::UseLanguage(drollo::LanguageFromEnvironment());
  drollo::platform::InstallQtMetafileReader();
  drollo::batch::BatchRunner runner(std::cout, std::cerr);
  runner.ProgressLine = isatty(STDERR_FILENO) != 0;
  return runner.Run(args);
}
