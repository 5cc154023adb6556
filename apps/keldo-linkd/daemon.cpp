#include "apps/keldo-linkd/daemon.h"

#include <exception>
#include <string>
#include <string_view>

#include "apps/keldo-linkd/refusal_report.h"
#include "apps/keldo-linkd/serial_watch.h"
#include "apps/keldo-linkd/terminal_view.h"
#include "engine/allow_list.h"
#include "engine/link_controller.h"
#include "engine/settings_store.h"
#include "keldo_version.h"

namespace keldo {
namespace {

constexpr const char* kUsage =
    "Usage: keldo-linkd [--help | --version]\n"
    "Links the serial port to TCP with the settings in the registry (on Linux the\n"
    "hive files in $KELDO_REGISTRY_DIR) until SIGINT or SIGTERM (Ctrl+C).\n";

constexpr int kExitUsage = 2;

// The exit status when the link cannot work at all: a service manager's
// restart policy (systemd's Restart=on-failure) acts on it.
constexpr int kExitNetworkFailed = 1;

void WriteError(std::FILE* err, const std::string& text) {
  const std::string line = EscapeControls(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), err);
  std::fflush(err);
}

std::string NetworkFailure(const LinkSettings& settings, const std::string& reason) {
  if (settings.ServerMode == 1) {
    const std::string bind = JoinAddressList(settings.ServerBind, ' ');
    return "keldo-linkd: cannot listen on TCP port " + std::to_string(settings.ServerPort) +
           (bind.empty() ? "" : " at " + bind) + ": " + reason;
  }
  return "keldo-linkd: cannot connect to " + settings.ServerHost + ":" +
         std::to_string(settings.ServerPort) + ": " + reason;
}

}  // namespace

std::optional<int> CheckArguments(int argc, char** argv, std::FILE* out, std::FILE* err) {
  if (argc <= 1) {
    return std::nullopt;
  }
  const std::string_view option = argv[1];
  if (argc == 2 && (option == "--help" || option == "-h")) {
    std::fputs(kUsage, out);
    return 0;
  }
  if (argc == 2 && option == "--version") {
    std::fprintf(out, "keldo-linkd %s\n", kVersion);
    return 0;
  }
  // Name what was not understood: a typo must not pass for a usage request.
  const bool known = option == "--help" || option == "-h" || option == "--version";
  WriteError(err, known ? "keldo-linkd: " + std::string(option) + " takes nothing after it"
                        : "keldo-linkd: unknown option " + std::string(option));
  std::fputs(kUsage, err);
  return kExitUsage;
}

int RunDaemon(EventLoop& loop, std::FILE* out, std::FILE* err) {
  // First: a termination request from here on ends the daemon in order.
  loop.QuitOnTerminationRequest();
  loop.SetErrorReport([err](const std::exception& error) {
    WriteError(err, std::string("Error: ") + error.what());
  });
  int exitCode = 0;
  TerminalView view(loop, out);
  LinkController controller(loop, view);
  view.SetOnNetworkOpenFailed([&](const std::string& reason) {
    WriteError(err, NetworkFailure(controller.Settings(), reason));
    exitCode = kExitNetworkFailed;
    loop.Quit();
  });
  RefusalReport refusals(loop, [err](const std::string& line) { WriteError(err, line); });
  view.SetOnPeerRefused([&refusals](const std::string& address) { refusals.Refused(address); });
  // Load gives the defaults both for settings that do not exist and for
  // settings it cannot read; only the second is worth a word.
  if (const std::string why = DescribeUnreadableSettings(); !why.empty()) {
    WriteError(err, "keldo-linkd: cannot read the settings, " + why + "; using the defaults");
  }
  const SerialWatch watch(loop, controller, [err](const std::string& message) {
    WriteError(err, "keldo-linkd: " + message);
  });
  loop.Guard([&controller] {
    controller.FormShow();
    controller.btnPlayClick();
  });
  loop.Run();
  loop.Guard([&controller] { controller.btnStopClick(); });
  view.Flush();
  refusals.Flush();
  return exitCode;
}

}  // namespace keldo
