// Runs the Qt layer's GoogleTest cases inside a QApplication on the offscreen platform, so
// widgets, painters and fonts work without a display.
#include <gtest/gtest.h>

#include <QApplication>

#include "recovery_child.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  // The program that recovery_test.cpp kills.
  if (qEnvironmentVariableIsSet("DROLLO_RECOVERY_CHILD"))
    return drollo::test::RunRecoveryChild(
        qEnvironmentVariable("DROLLO_RECOVERY_CHILD").toStdString());
  return RUN_ALL_TESTS();
}
