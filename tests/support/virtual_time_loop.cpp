#include "tests/support/virtual_time_loop.h"

#include <algorithm>
#include <thread>

namespace keldo::test {

class VirtualTimeLoop::VirtualTimer final : public Timer {
 public:
  explicit VirtualTimer(VirtualTimeLoop& loop) : loop_(loop) {}
  ~VirtualTimer() override {
    *alive = false;
    loop_.Unschedule(*this);
  }

  void RunHandler() const { Tick(); }

  std::uint64_t due = 0;
  std::uint64_t sequence = 0;
  bool ticking = false;  // its handler runs: a nested ProcessEvents skips it
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

 private:
  void Reschedule() override {
    if (Running()) {
      loop_.Schedule(*this);
    } else {
      loop_.Unschedule(*this);
    }
  }

  VirtualTimeLoop& loop_;
};

VirtualTimeLoop::VirtualTimeLoop(EventLoop& real) : real_(real) {
  real_.SetErrorReport([this](const std::exception& error) { ReportError(error); });
}

VirtualTimeLoop::~VirtualTimeLoop() {
  real_.SetErrorReport(nullptr);
}

std::unique_ptr<Timer> VirtualTimeLoop::CreateTimer() {
  return std::make_unique<VirtualTimer>(*this);
}

std::unique_ptr<NotificationWindow> VirtualTimeLoop::CreateNotificationWindow(
    NotificationSink& sink) {
  return real_.CreateNotificationWindow(sink);
}

void VirtualTimeLoop::Post(std::function<void()> task) {
  real_.Post(std::move(task));
}

void VirtualTimeLoop::Schedule(VirtualTimer& timer) {
  timer.due = now_ + timer.Interval();
  timer.sequence = nextSequence_++;
  if (std::find(timers_.begin(), timers_.end(), &timer) == timers_.end()) {
    timers_.push_back(&timer);
  }
}

void VirtualTimeLoop::Unschedule(VirtualTimer& timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), &timer), timers_.end());
}

VirtualTimeLoop::VirtualTimer* VirtualTimeLoop::NextDue(std::uint64_t limit) const {
  VirtualTimer* next = nullptr;
  for (VirtualTimer* timer : timers_) {
    if (timer->ticking || timer->due > limit) {
      continue;
    }
    if (next == nullptr || timer->due < next->due ||
        (timer->due == next->due && timer->sequence < next->sequence)) {
      next = timer;
    }
  }
  return next;
}

void VirtualTimeLoop::Fire(VirtualTimer& timer) {
  now_ = std::max(now_, timer.due);
  // The next tick of a repeating timer; one that fell behind skips the ticks
  // it missed instead of firing them in a burst.
  timer.due += timer.Interval();
  if (timer.due <= now_) {
    timer.due = now_ + timer.Interval();
  }
  timer.sequence = nextSequence_++;
  // The handler may disable, re-arm or destroy the timer.
  const std::shared_ptr<bool> alive = timer.alive;
  timer.ticking = true;
  Guard([&timer] { timer.RunHandler(); });
  if (*alive) {
    timer.ticking = false;
  }
}

void VirtualTimeLoop::FireDue() {
  while (VirtualTimer* timer = NextDue(now_)) {
    Fire(*timer);
  }
}

void VirtualTimeLoop::ProcessEvents() {
  real_.ProcessEvents();
  FireDue();
}

void VirtualTimeLoop::Sleep(std::uint32_t ms) {
  sleeps_.push_back(ms);
  now_ += ms;
  std::this_thread::sleep_for(
      std::min<std::chrono::milliseconds>(std::chrono::milliseconds(ms), kRealPauseInSleep));
  if (onSleep_) {
    const auto hook = onSleep_;  // the hook may replace itself
    hook(ms);
  }
}

void VirtualTimeLoop::Advance(std::uint64_t ms) {
  AdvanceUntil([] { return false; }, ms);
}

bool VirtualTimeLoop::AdvanceUntil(const std::function<bool()>& done, std::uint64_t limitMs) {
  const std::uint64_t end = now_ + limitMs;
  for (;;) {
    real_.ProcessEvents();
    if (done()) {
      return true;
    }
    VirtualTimer* timer = NextDue(end);
    if (timer == nullptr) {
      break;
    }
    Fire(*timer);
    if (done()) {
      return true;
    }
  }
  now_ = std::max(now_, end);
  real_.ProcessEvents();
  return done();
}

bool VirtualTimeLoop::WaitReal(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    ProcessEvents();
    if (done()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void VirtualTimeLoop::Run() {
  RunUntil([] { return false; });
}

// Without real events to wait for, the clock jumps to the next timer.
bool VirtualTimeLoop::RunUntil(const std::function<bool()>& done) {
  ++runDepth_;
  while (!quit_ && !done()) {
    real_.ProcessEvents();
    if (quit_ || done()) {
      break;
    }
    if (VirtualTimer* timer = NextDue(UINT64_MAX)) {
      Fire(*timer);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  --runDepth_;
  const bool quit = quit_;
  if (runDepth_ == 0) {
    quit_ = false;
  }
  return !quit;
}

void VirtualTimeLoop::Quit() {
  quit_ = true;
}

}  // namespace keldo::test
