#include "tests/support/virtual_time_loop.h"

namespace keldo::test {

class VirtualTimeLoop::VirtualTimer final : public Timer {
 public:
  explicit VirtualTimer(VirtualTimeLoop& loop) : loop_(loop) {}
  ~VirtualTimer() override { loop_.Unschedule(*this); }

  void Reschedule() override {
    loop_.Unschedule(*this);
    if (Running()) {
      loop_.Schedule(*this);
    }
  }
  void Fire() const { Tick(); }

  std::uint64_t dueAt = 0;
  std::uint64_t order = 0;
  bool scheduled = false;

 private:
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
  timer.dueAt = now_ + timer.Interval();
  timer.order = order_++;
  timer.scheduled = true;
  due_.insert({timer.dueAt, timer.order, &timer});
}

void VirtualTimeLoop::Unschedule(VirtualTimer& timer) {
  if (timer.scheduled) {
    due_.erase({timer.dueAt, timer.order, &timer});
    timer.scheduled = false;
  }
}

bool VirtualTimeLoop::RunOneDue(std::uint64_t limit) {
  if (due_.empty() || due_.begin()->at > limit) {
    return false;
  }
  VirtualTimer* timer = due_.begin()->timer;
  now_ = std::max(now_, due_.begin()->at);
  // The next tick counts from this one, as a real repeating timer's does.
  timer->Reschedule();
  Guard([timer] { timer->Fire(); });
  return true;
}

void VirtualTimeLoop::ProcessEvents() {
  real_.ProcessEvents();
  const std::uint64_t now = now_;
  while (RunOneDue(now)) {
  }
}

void VirtualTimeLoop::Advance(std::uint32_t ms) {
  const std::uint64_t target = now_ + ms;
  real_.ProcessEvents();
  while (RunOneDue(target)) {
    real_.ProcessEvents();
  }
  now_ = std::max(now_, target);
  real_.ProcessEvents();
}

void VirtualTimeLoop::Run() {
  RunUntil([] { return false; });
}

bool VirtualTimeLoop::RunUntil(const std::function<bool()>& done) {
  while (!quitRequested_ && !done()) {
    ProcessEvents();
    if (quitRequested_ || done()) {
      break;
    }
    if (!due_.empty()) {
      RunOneDue(due_.begin()->at);
    } else {
      real_.Sleep(1);  // only real events can change anything now
    }
  }
  const bool quit = quitRequested_;
  quitRequested_ = false;
  return !quit;
}

}  // namespace keldo::test
