#include <cstdio>

#include "apps/keldo-linkd/daemon.h"
#include "engine/platform/platform_event_loop.h"

// A console program: Ctrl+C, Ctrl+Break and closing the console window are its
// termination requests. The loop is destroyed before main returns, which
// lets a console close that waits for it go ahead.
int main(int argc, char** argv) {
  if (const auto exitCode = keldo::CheckArguments(argc, argv, stdout, stderr)) {
    return *exitCode;
  }
  int exitCode = 0;
  {
    const auto loop = keldo::CreatePlatformEventLoop();
    exitCode = keldo::RunDaemon(*loop, stdout, stderr);
  }
  return exitCode;
}
