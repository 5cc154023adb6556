#include "apps/keldo-linkd/daemon.h"

#include <cstring>
#include <exception>

#include "apps/keldo-linkd/terminal_view.h"
#include "engine/link_controller.h"

namespace keldo {
namespace {

constexpr const char* kUsage =
    "Usage: keldo-linkd\n"
    "Links the serial port to TCP with the settings in the registry (on Linux the\n"
    "hive files in $KELDO_REGISTRY_DIR) until SIGINT or SIGTERM (Ctrl+C).\n";

}  // namespace

std::optional<int> CheckArguments(int argc, char** argv, std::FILE* out, std::FILE* err) {
  if (argc <= 1) {
    return std::nullopt;
  }
  const bool help =
      argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
  std::fputs(kUsage, help ? out : err);
  return help ? 0 : 2;
}

int RunDaemon(EventLoop& loop, std::FILE* out, std::FILE* err) {
  loop.SetErrorReport([err](const std::exception& error) {
    std::fprintf(err, "Error: %s\n", error.what());
    std::fflush(err);
  });
  TerminalView view(loop, out);
  LinkController controller(loop, view);
  loop.QuitOnTerminationRequest();
  loop.Guard([&controller] {
    controller.FormShow();
    controller.btnPlayClick();
  });
  loop.Run();
  loop.Guard([&controller] { controller.btnStopClick(); });
  view.Flush();
  return 0;
}

}  // namespace keldo
