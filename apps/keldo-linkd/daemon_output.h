#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace keldo {

// One complete line, without its line end.
using LineWriter = std::function<void(const std::string& line)>;

// Writes each line and a line end to file, flushed at once. The file stays
// the caller's.
LineWriter FileLines(std::FILE* file);

// Where keldo-linkd's lines go: its log (standard output in a terminal) and
// what needs someone's attention (standard error). A Windows service sends
// both to the Event Log.
struct DaemonOutput {
  LineWriter log;
  LineWriter alert;
};

}  // namespace keldo
