// keldo-link on Linux: the desktop program on Qt 6. It takes no arguments
// of its own (Qt's, such as -platform, are left to Qt) and always ends with
// exit code 0.
#include <QApplication>

#include "engine/platform/platform_event_loop.h"
#include "shell/startup.h"
#include "shell/toolkit/toolkit.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName("keldo-link");
  QGuiApplication::setDesktopFileName("keldo-link");
  const auto loop = keldo::CreatePlatformEventLoop();
  const auto toolkit = keldo::ui::CreatePlatformToolkit(*loop);
  // A session that ends, or a SIGTERM, closes the program as a quit does.
  loop->QuitOnTerminationRequest();
  return keldo::RunKeldoLink(*toolkit);
}
