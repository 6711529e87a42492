#include "batch_fixture.h"

// The tests' Qt application lives until the process ends; the caches of the font library that it
// holds then are not leaks of the program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

namespace drollo::batch::test {

void EnsureGuiApplication() {
  static QGuiApplication* app = [] {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "test_batch";
    static char* argv[] = {name, nullptr};
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
}

}  // namespace drollo::batch::test
