#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "apps/keldo-linkd/command_line.h"
#include "apps/keldo-linkd/daemon_output.h"
#include "engine/event_loop.h"
#include "engine/link_trace.h"

namespace keldo {

struct DaemonOptions {
  std::string settingsKey;  // the controller's, kSettingsKey unless an instance's
  LinkTrace* trace = nullptr;
  // Whether the OS's termination requests (signals, console events) stop
  // the daemon. A Windows service takes its stop from the service manager,
  // and must outlive a user's log-off.
  bool consoleRequests = true;
  // Called once the link has been started (the service reports running).
  std::function<void()> onStarted;
};

// keldo-linkd on a loop the caller made: the controller's start-up, then Start
// whatever ServerAutoStart says, events until Quit() or a termination request,
// then the Stop sequence. Log and status go to output.log; error reports,
// settings that cannot be read and a serial device that goes away and comes
// back go to output.alert.
//
// A reload request (SIGHUP, the loop's HandleReloadRequest) does what the
// window's Save does: the Stop sequence, the settings read again and their
// lines, Start.
//
// Returns the exit code: 0, or 1 when the network side could not be opened
// (after the Stop sequence), at the start or at a reload.
int RunDaemon(EventLoop& loop, const DaemonOutput& output, const DaemonOptions& options);

// keldo-linkd in a terminal, as the command asks: the log on out; alerts,
// and the trace unless it has a file of its own, on err.
int RunLinkInTerminal(EventLoop& loop, const DaemonCommand& command, std::FILE* out,
                      std::FILE* err);

}  // namespace keldo
