#include <cstdio>
#include <variant>

#include "apps/keldo-linkd/command_line.h"
#include "apps/keldo-linkd/daemon.h"
#include "apps/keldo-linkd/settings_command.h"
#include "apps/keldo-linkd/win32/service.h"
#include "engine/platform/platform_event_loop.h"

// A console program: Ctrl+C, Ctrl+Break and closing the console window are its
// termination requests. The loop is destroyed before main returns, which
// lets a console close that waits for it go ahead. Run by the service
// manager (--run-service) it is the service KELDOLink instead.
int main(int argc, char** argv) {
  const auto parsed = keldo::ParseCommandLine(argc, argv, stdout, stderr);
  if (const int* exitCode = std::get_if<int>(&parsed)) {
    return *exitCode;
  }
  const keldo::DaemonCommand& command = std::get<keldo::DaemonCommand>(parsed);
  if (const auto exitCode = keldo::RunSettingsCommand(command, stdout, stderr)) {
    return *exitCode;
  }
  switch (command.action) {
    case keldo::DaemonCommand::Action::InstallService:
      return keldo::InstallService(command, stdout, stderr);
    case keldo::DaemonCommand::Action::UninstallService:
      return keldo::UninstallService(command, stdout, stderr);
    case keldo::DaemonCommand::Action::RunService:
      return keldo::RunAsService(command, stderr);
    default:
      break;
  }
  int exitCode = 0;
  {
    const auto loop = keldo::CreatePlatformEventLoop();
    exitCode = keldo::RunLinkInTerminal(*loop, command, stdout, stderr);
  }
  return exitCode;
}
