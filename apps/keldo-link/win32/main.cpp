// keldo-link.exe: the desktop program, a Windows GUI-subsystem executable.
// The show command it was started with is applied by the application's Run;
// the program reads nothing else at start and always ends with exit code 0.
#include <windows.h>

#include "engine/platform/platform_event_loop.h"
#include "shell/startup.h"
#include "shell/toolkit/toolkit.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int exitCode = 0;
  {
    const auto loop = keldo::CreatePlatformEventLoop();
    const auto toolkit = keldo::ui::CreatePlatformToolkit(*loop);
    exitCode = keldo::RunKeldoLink(*toolkit);
  }
  return exitCode;
}
