#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/event_loop.h"

namespace keldo::test {

// An event loop whose timers and Sleep run on a fake clock, while notification
// windows, posted tasks and the real part of ProcessEvents go to a real
// platform loop: loopback sockets and pseudo-terminals keep working, and five
// seconds of link time pass in milliseconds.
//
// Time moves only through Sleep and the Advance calls. A timer fires at its
// due time on the fake clock; ticks that a Sleep overran come at the next
// ProcessEvents, each at most once, as on a real loop.
class VirtualTimeLoop final : public EventLoop {
 public:
  // real stays owned by the caller and must outlive this loop. Its error
  // report is pointed at this loop's while this loop lives.
  explicit VirtualTimeLoop(EventLoop& real);
  ~VirtualTimeLoop() override;

  std::unique_ptr<Timer> CreateTimer() override;
  std::unique_ptr<NotificationWindow> CreateNotificationWindow(NotificationSink& sink) override;
  void Post(std::function<void()> task) override;
  // The real loop's pending events, then every timer that is due now.
  void ProcessEvents() override;
  // Moves the clock. Nothing is handled meanwhile, but the thread pauses for
  // a moment of real time so other processes (a socat relay, a peer) can move.
  void Sleep(std::uint32_t ms) override;
  void Run() override;
  bool RunUntil(const std::function<bool()>& done) override;
  void Quit() override;
  // Termination requests stay with the real loop's owner.
  void QuitOnTerminationRequest() override {}

  // Milliseconds on the fake clock since this loop was made.
  std::uint64_t Now() const { return now_; }

  // Lets ms of fake time pass: each timer fires at its own time, with the real
  // loop's pending events handled before every tick and at the end.
  void Advance(std::uint64_t ms);
  // As Advance, stopping as soon as done() holds; false if limitMs passed first.
  bool AdvanceUntil(const std::function<bool()>& done, std::uint64_t limitMs);
  // Handles real events (and timers that are due) without moving the clock,
  // until done() holds or the real timeout passes.
  bool WaitReal(const std::function<bool()>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Every Sleep so far, in order.
  const std::vector<std::uint32_t>& Sleeps() const { return sleeps_; }
  // Runs at the end of every Sleep: what it posts arrives as if it had come
  // during the wait.
  void OnSleep(std::function<void(std::uint32_t ms)> hook) { onSleep_ = std::move(hook); }

  // How long Sleep pauses in real time at most.
  static constexpr std::chrono::milliseconds kRealPauseInSleep{2};

  class VirtualTimer;

 private:
  friend class VirtualTimer;

  void Schedule(VirtualTimer& timer);
  void Unschedule(VirtualTimer& timer);
  // The enabled timer due first (ties: the one armed first), if due by limit.
  VirtualTimer* NextDue(std::uint64_t limit) const;
  void Fire(VirtualTimer& timer);
  void FireDue();

  EventLoop& real_;
  std::uint64_t now_ = 0;
  std::uint64_t nextSequence_ = 0;
  std::vector<VirtualTimer*> timers_;
  std::vector<std::uint32_t> sleeps_;
  std::function<void(std::uint32_t)> onSleep_;
  bool quit_ = false;
  int runDepth_ = 0;
};

}  // namespace keldo::test
