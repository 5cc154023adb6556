#include "bench/serial/thread_cpu.h"

#include <windows.h>

namespace keldo::bench {

namespace {

double Milliseconds(const FILETIME& t) {
  const ULONGLONG ticks = (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<double>(ticks) / 1e4;  // 100 ns ticks
}

}  // namespace

double ThreadCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  return Milliseconds(kernel) + Milliseconds(user);
}

}  // namespace keldo::bench
