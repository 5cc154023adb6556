#include <QCoreApplication>

#include <signal.h>

#include <cstdio>
#include <variant>

#include "apps/keldo-linkd/command_line.h"
#include "apps/keldo-linkd/daemon.h"
#include "apps/keldo-linkd/settings_command.h"
#include "engine/platform/platform_event_loop.h"

int main(int argc, char** argv) {
  // Held back, not fatal, until the loop turns them into a stop or a reload:
  // a request during start-up (a service stopped at once) still ends in order.
  sigset_t requests;
  sigemptyset(&requests);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&requests, signal);
  }
  sigprocmask(SIG_BLOCK, &requests, nullptr);

  const auto parsed = keldo::ParseCommandLine(argc, argv, stdout, stderr);
  if (const int* exitCode = std::get_if<int>(&parsed)) {
    return *exitCode;
  }
  const keldo::DaemonCommand& command = std::get<keldo::DaemonCommand>(parsed);
  if (const auto exitCode = keldo::RunSettingsCommand(command, stdout, stderr)) {
    return *exitCode;
  }
  if (command.action != keldo::DaemonCommand::Action::RunLink) {
    std::fputs(
        "keldo-linkd: the service options are for Windows; on Linux the systemd units "
        "keldo-linkd.service and keldo-linkd@NAME.service run the daemon\n",
        stderr);
    return keldo::kExitUsage;
  }
  QCoreApplication application(argc, argv);
  const auto loop = keldo::CreatePlatformEventLoop();
  return keldo::RunLinkInTerminal(*loop, command, stdout, stderr);
}
