#pragma once

namespace keldo::platform {

// Asks the OS to run timers and timeouts at 1 ms granularity while held: the
// serial poll (5 ms) and its read timeout (1 ms) stretch to the OS's default
// tick otherwise (about 15.6 ms on Windows). Requests nest; each Acquire needs
// one Release. Best effort: a refusal leaves the default granularity.
void AcquireFineTimerResolution();
void ReleaseFineTimerResolution();

}  // namespace keldo::platform
