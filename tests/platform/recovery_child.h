// The desktop program as recovery_test.cpp's SIGKILL test runs it in a child process.
#pragma once

#include <string>

namespace drollo::test {

// Builds the main window with the desktop's own services, opens $DROLLO_RECOVERY_PICTURE, edits
// it, waits until the recovery copy holds every edit, saves the picture and the layer beside
// `ready` and creates `ready`; then waits to be killed. Returns only on failure.
int RunRecoveryChild(const std::string& ready);

}  // namespace drollo::test
