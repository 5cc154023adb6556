#include <QCoreApplication>

#include <cstdio>

#include "apps/keldo-linkd/daemon.h"
#include "engine/platform/platform_event_loop.h"

int main(int argc, char** argv) {
  if (const auto exitCode = keldo::CheckArguments(argc, argv, stdout, stderr)) {
    return *exitCode;
  }
  QCoreApplication application(argc, argv);
  const auto loop = keldo::CreatePlatformEventLoop();
  return keldo::RunDaemon(*loop, stdout, stderr);
}
