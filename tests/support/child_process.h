#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keldo::test {

// A program the test starts, with this process's environment, its standard
// output and error written to a file the test reads while it runs.
class ChildProcess {
 public:
  // program is a path of the build machine; under Wine it is reached through Z:.
  ChildProcess(const std::filesystem::path& program, const std::filesystem::path& outputFile,
               const std::vector<std::string>& args = {});
  // Ends a program that is still running, without grace.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const;
  // Asks the program to end as the OS's user would: SIGTERM on Linux, Ctrl+Break
  // on Windows. False where that cannot be sent.
  bool RequestTermination();
  // Asks the program to read its configuration again: SIGHUP on Linux. False
  // where there is no such request (Windows).
  bool RequestReload();
  // The exit code once the program has ended, or nothing after timeout.
  std::optional<int> Wait(std::chrono::milliseconds timeout);
  // Everything written so far.
  std::string Output() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace keldo::test
