#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/event_loop.h"

namespace keldo {

// keldo-linkd's lines for the peers that ServerAllow keeps out, rate-limited
// so that a scan cannot flood a journal: per address, the first refusal after
// a quiet second is written at once ("keldo-linkd: refused 10.0.0.9: not in
// ServerAllow"); later ones are counted and written at most once a second,
// with how many the line stands for (" x17"). Addresses quiet for a second
// are forgotten, so the memory held is bounded by the refusals of the last
// two seconds.
class RefusalReport {
 public:
  static constexpr std::uint32_t kIntervalMs = 1000;

  using Write = std::function<void(const std::string& line)>;

  RefusalReport(EventLoop& loop, Write write);
  ~RefusalReport();
  RefusalReport(const RefusalReport&) = delete;
  RefusalReport& operator=(const RefusalReport&) = delete;

  void Refused(const std::string& address);
  // Writes the refusals counted and not yet written (at exit).
  void Flush();

 private:
  struct Held {
    int count = 0;              // refusals since the address's last line
    std::uint64_t dueTick = 0;  // the first tick a second or more after that line
  };

  void Tick();
  void WriteLine(const std::string& address, int count);

  Write write_;
  std::unique_ptr<Timer> timer_;
  std::uint64_t ticks_ = 0;
  std::map<std::string, Held> held_;
};

}  // namespace keldo
