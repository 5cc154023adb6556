#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>

#include "engine/event_loop.h"

namespace keldo::test {

// An event loop whose clock only moves when told to (Advance) or when a
// handler sleeps. Timers and Sleep are virtual; socket notifications, lookups
// and posted tasks come from the real loop underneath, so loopback sockets
// and pseudo-terminals keep working. Errors from either end in this loop's
// error report.
class VirtualTimeLoop final : public EventLoop {
 public:
  explicit VirtualTimeLoop(EventLoop& real);
  ~VirtualTimeLoop() override;

  // Virtual milliseconds since the loop was made.
  std::uint64_t Now() const { return now_; }
  // Moves the clock forward, running every timer tick that falls due on the
  // way, in order, with the real loop's pending events handled between.
  void Advance(std::uint32_t ms);

  std::unique_ptr<Timer> CreateTimer() override;
  std::unique_ptr<NotificationWindow> CreateNotificationWindow(NotificationSink& sink) override;
  void Post(std::function<void()> task) override;
  // Real events, then the ticks that are due at the current virtual time.
  void ProcessEvents() override;
  // The clock moves on; nothing runs meanwhile (as a real blocking wait).
  void Sleep(std::uint32_t ms) override { now_ += ms; }
  // Handles real events and due ticks; when nothing is left to do, the
  // clock jumps to the next tick.
  void Run() override;
  bool RunUntil(const std::function<bool()>& done) override;
  void Quit() override { quitRequested_ = true; }
  void QuitOnTerminationRequest() override {}

 private:
  class VirtualTimer;
  struct Due {
    std::uint64_t at;
    std::uint64_t order;
    VirtualTimer* timer;
    bool operator<(const Due& other) const {
      return at != other.at ? at < other.at : order < other.order;
    }
  };

  void Schedule(VirtualTimer& timer);
  void Unschedule(VirtualTimer& timer);
  // Runs the earliest tick due at or before limit; false if there is none.
  bool RunOneDue(std::uint64_t limit);

  EventLoop& real_;
  std::uint64_t now_ = 0;
  std::uint64_t order_ = 0;
  std::set<Due> due_;
  bool quitRequested_ = false;
};

}  // namespace keldo::test
