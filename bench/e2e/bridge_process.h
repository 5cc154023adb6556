#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace keldo::bench {

// One bridge under test, started as a child process.
class BridgeProcess {
 public:
  BridgeProcess(std::string name, std::vector<std::string> argv, std::vector<std::string> env,
                std::string logPath);
  ~BridgeProcess();
  BridgeProcess(const BridgeProcess&) = delete;
  BridgeProcess& operator=(const BridgeProcess&) = delete;

  const std::string& Name() const { return name_; }
  bool Running();
  void Stop();

  // User plus system CPU time in seconds, and resident memory in KiB, from /proc.
  double CpuSeconds() const;
  long ResidentKiB() const;
  long PeakResidentKiB() const;

 private:
  long StatusField(const char* field) const;

  std::string name_;
  pid_t pid_ = -1;
};

}  // namespace keldo::bench
