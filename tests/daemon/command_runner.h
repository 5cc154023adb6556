#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "apps/keldo-linkd/command_line.h"
#include "apps/keldo-linkd/settings_command.h"

namespace keldo::test {

// keldo-linkd's command line as its main takes it, in this process: the
// parse, then a settings command. No exit code for a command that runs the
// link.
struct CommandOutcome {
  std::optional<int> exitCode;
  std::string out;
  std::string err;
  DaemonCommand command;
};

inline std::string ReadAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
    text.push_back(static_cast<char>(c));
  }
  std::fclose(file);
  return text;
}

inline CommandOutcome RunCommandLine(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"keldo-linkd"};
  for (const std::string& arg : args) {
    argv.push_back(arg.c_str());
  }
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  CommandOutcome outcome;
  const auto parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  if (const int* exitCode = std::get_if<int>(&parsed)) {
    outcome.exitCode = *exitCode;
  } else {
    outcome.command = std::get<DaemonCommand>(parsed);
    outcome.exitCode = RunSettingsCommand(outcome.command, out, err);
  }
  outcome.out = ReadAll(out);
  outcome.err = ReadAll(err);
  return outcome;
}

}  // namespace keldo::test
