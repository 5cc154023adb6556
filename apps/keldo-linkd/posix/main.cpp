#include <QCoreApplication>

#include <signal.h>

#include <cstdio>

#include "apps/keldo-linkd/daemon.h"
#include "engine/platform/platform_event_loop.h"

int main(int argc, char** argv) {
  // Held back, not fatal, until the loop turns them into a stop: a request
  // during start-up (a service stopped at once) still ends in order.
  sigset_t termination;
  sigemptyset(&termination);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&termination, signal);
  }
  sigprocmask(SIG_BLOCK, &termination, nullptr);

  if (const auto exitCode = keldo::CheckArguments(argc, argv, stdout, stderr)) {
    return *exitCode;
  }
  QCoreApplication application(argc, argv);
  const auto loop = keldo::CreatePlatformEventLoop();
  return keldo::RunDaemon(*loop, stdout, stderr);
}
