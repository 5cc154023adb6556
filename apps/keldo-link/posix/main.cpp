// keldo-link on Linux: the desktop program on Qt 6. Qt takes its own options
// (such as -platform); of the rest it knows --version and --help, and names
// anything else, since a window program that ignores a typo confuses.
#include <QApplication>

#include <cstdio>
#include <string_view>

#include "engine/platform/platform_event_loop.h"
#include "keldo_version.h"
#include "shell/startup.h"
#include "shell/toolkit/toolkit.h"

namespace {

constexpr const char* kUsage =
    "Usage: keldo-link [--help | --version] [Qt options such as -platform NAME]\n"
    "Shows the KELDO Link window and its tray icon.\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so they work without a display.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("keldo-link %s\n", keldo::kVersion);
    return 0;
  }
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  QApplication qapp(argc, argv);  // removes the options Qt took
  if (argc > 1) {
    std::fprintf(stderr, "keldo-link: unknown option %s\n%s", argv[1], kUsage);
    return 2;
  }
  QApplication::setApplicationName("keldo-link");
  QGuiApplication::setDesktopFileName("keldo-link");
  const auto loop = keldo::CreatePlatformEventLoop();
  const auto toolkit = keldo::ui::CreatePlatformToolkit(*loop);
  // A session that ends, or a SIGTERM, closes the program as a quit does.
  loop->QuitOnTerminationRequest();
  return keldo::RunKeldoLink(*toolkit);
}
