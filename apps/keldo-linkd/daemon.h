#pragma once

#include <cstdio>
#include <optional>

#include "engine/event_loop.h"

namespace keldo {

// keldo-linkd on a loop the caller made: the controller's start-up, then Start
// whatever ServerAutoStart says, events until a termination request, then the
// Stop sequence. Log and status go to out; error reports, settings that
// cannot be read and a serial device that goes away and comes back go to err.
// Returns the exit code: 0, or 1 when the network side could not be opened
// (after the Stop sequence).
int RunDaemon(EventLoop& loop, std::FILE* out, std::FILE* err);

// Checks the command line (--help, --version): nothing to go on, else the
// exit code once the answer is written (0, or 2 for an option not understood).
std::optional<int> CheckArguments(int argc, char** argv, std::FILE* out, std::FILE* err);

}  // namespace keldo
