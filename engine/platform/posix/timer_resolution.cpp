#include "engine/platform/timer_resolution.h"

namespace keldo::platform {

// Linux timers and poll timeouts already have sub-millisecond resolution, and
// Qt runs intervals of 20 ms and less as precise timers: nothing to ask for.
void AcquireFineTimerResolution() {}
void ReleaseFineTimerResolution() {}

}  // namespace keldo::platform
