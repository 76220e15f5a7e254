// Window tests run real Qt windows without a display.
#include <gtest/gtest.h>
#include <QApplication>

#include "platform/ui/window_on_screen.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // As the program does: every window opens whole on the screen.
  tessaly::FitEveryWindowOnScreen();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
