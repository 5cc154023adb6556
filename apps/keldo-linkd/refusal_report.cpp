#include "apps/keldo-linkd/refusal_report.h"

namespace keldo {

RefusalReport::RefusalReport(EventLoop& loop, Write write)
    : write_(std::move(write)), timer_(loop.CreateTimer()) {
  timer_->SetInterval(kIntervalMs);
  timer_->SetOnTimer([this] { Tick(); });
}

RefusalReport::~RefusalReport() = default;

void RefusalReport::Refused(const std::string& address) {
  const auto found = held_.find(address);
  if (found != held_.end()) {
    ++found->second.count;
    return;
  }
  WriteLine(address, 1);
  // A timer that starts now ticks a second from now; a running one sooner.
  const bool running = timer_->Enabled();
  held_[address] = {0, ticks_ + (running ? 2 : 1)};
  timer_->SetEnabled(true);
}

void RefusalReport::Tick() {
  ++ticks_;
  for (auto it = held_.begin(); it != held_.end();) {
    Held& held = it->second;
    if (held.dueTick > ticks_) {
      ++it;
    } else if (held.count > 0) {
      WriteLine(it->first, held.count);
      held = {0, ticks_ + 1};
      ++it;
    } else {
      it = held_.erase(it);  // quiet for a second: the next refusal shows at once
    }
  }
  if (held_.empty()) {
    timer_->SetEnabled(false);
  }
}

void RefusalReport::Flush() {
  for (auto& [address, held] : held_) {
    if (held.count > 0) {
      WriteLine(address, held.count);
      held.count = 0;
    }
  }
}

void RefusalReport::WriteLine(const std::string& address, int count) {
  std::string line = "keldo-linkd: refused " + address + ": not in ServerAllow";
  if (count > 1) {
    line += " x" + std::to_string(count);
  }
  write_(line);
}

}  // namespace keldo
