#pragma once

#include <cstdio>
#include <string>

#include "apps/keldo-linkd/command_line.h"

namespace keldo {

// keldo-linkd as a Windows service: KELDOLink, or KELDOLink-NAME for an
// instance, started automatically, restarted 5 s after a failure.

std::string ServiceName(const std::string& instance);

// --install-service: registers the service (with the command's instance and
// trace file) and the Event Log source "KELDO Link". Needs an administrator.
int InstallService(const DaemonCommand& command, std::FILE* out, std::FILE* err);

// --uninstall-service: stops the service if it runs, then removes it.
int UninstallService(const DaemonCommand& command, std::FILE* out, std::FILE* err);

// --run-service: hands this thread to the service manager, which runs the
// link in ServiceMain; returns the exit status once the service has stopped.
int RunAsService(const DaemonCommand& command, std::FILE* err);

}  // namespace keldo
