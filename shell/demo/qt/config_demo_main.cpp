#include <QApplication>

#include "engine/platform/platform_event_loop.h"
#include "shell/demo/config_demo.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const auto loop = keldo::CreatePlatformEventLoop();
  const auto toolkit = keldo::ui::CreatePlatformToolkit(*loop);
  return keldo::demo::RunConfigDemo(*toolkit, argc, argv);
}
