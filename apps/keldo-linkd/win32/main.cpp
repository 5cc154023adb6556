#include <cstdio>
#include <variant>

#include "apps/keldo-linkd/command_line.h"
#include "apps/keldo-linkd/daemon.h"
#include "apps/keldo-linkd/settings_command.h"
#include "engine/platform/platform_event_loop.h"

// A console program: Ctrl+C, Ctrl+Break and closing the console window are its
// termination requests. The loop is destroyed before main returns, which
// lets a console close that waits for it go ahead.
int main(int argc, char** argv) {
  const auto parsed = keldo::ParseCommandLine(argc, argv, stdout, stderr);
  if (const int* exitCode = std::get_if<int>(&parsed)) {
    return *exitCode;
  }
  const keldo::DaemonCommand& command = std::get<keldo::DaemonCommand>(parsed);
  if (const auto exitCode = keldo::RunSettingsCommand(command, stdout, stderr)) {
    return *exitCode;
  }
  int exitCode = 0;
  {
    const auto loop = keldo::CreatePlatformEventLoop();
    exitCode = keldo::RunLinkInTerminal(*loop, command, stdout, stderr);
  }
  return exitCode;
}
