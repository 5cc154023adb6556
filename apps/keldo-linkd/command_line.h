#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace keldo {

// Exit statuses: done, failed (a write refused, the network side not
// opened), and a command line not understood.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What keldo-linkd's command line asks for.
struct DaemonCommand {
  enum class Action {
    RunLink,
    Show,
    Set,
    ListPorts,
    InstallService,
    UninstallService,
    RunService,  // started by the Windows service manager
  };
  Action action = Action::RunLink;
  std::string instance;  // empty: the window's settings key
  // --trace: empty for standard error, else the file.
  std::optional<std::string> trace;
  std::vector<std::string> assignments;  // --set's Name=value words
};

// Answers --help and --version on out (exit 0), and names what it does not
// understand on err with the usage (exit 2): then the exit code. Otherwise
// the command, whose values are not checked yet.
std::variant<int, DaemonCommand> ParseCommandLine(int argc, const char* const* argv, std::FILE* out,
                                                  std::FILE* err);

}  // namespace keldo
