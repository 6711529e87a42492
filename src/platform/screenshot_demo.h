// A scripted tour of the program for reviewing its look: it drives the main window through a few
// states with real mouse and button events and saves a picture of the screen after each.
#pragma once

#include <QString>

namespace drollo::platform {

class MainWindow;

// Starts the tour once the event loop runs; the program ends after the last picture.
void RunScreenshotDemo(MainWindow& window, const QString& folder);

}  // namespace drollo::platform
