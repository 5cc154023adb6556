#include "engine/platform/timer_resolution.h"

// clang-format off
#include <windows.h>
#include <timeapi.h>
// clang-format on

namespace keldo::platform {
namespace {

// Windows 11 drops the resolution request of a process whose windows are all
// hidden (the window in the tray, the daemon's message-only windows) unless
// the process opts out of that throttling. Older systems lack the call or the
// flag; either way the request itself still holds there.
constexpr ULONG kPowerThrottlingCurrentVersion = 1;
constexpr ULONG kPowerThrottlingIgnoreTimerResolution = 0x4;
constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS

struct PowerThrottlingState {
  ULONG Version;
  ULONG ControlMask;
  ULONG StateMask;
};

using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

void KeepTimerResolutionWhileHidden() {
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) {
    return;
  }
  const auto set = reinterpret_cast<SetProcessInformationFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetProcessInformation")));
  if (set == nullptr) {
    return;
  }
  // Control bit set, state bit clear: always honour this process's request.
  PowerThrottlingState state{kPowerThrottlingCurrentVersion, kPowerThrottlingIgnoreTimerResolution,
                             0};
  set(::GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state);
}

int gHeld = 0;

}  // namespace

void AcquireFineTimerResolution() {
  if (gHeld++ == 0) {
    KeepTimerResolutionWhileHidden();
    ::timeBeginPeriod(1);
  }
}

void ReleaseFineTimerResolution() {
  if (gHeld > 0 && --gHeld == 0) {
    ::timeEndPeriod(1);
  }
}

}  // namespace keldo::platform
