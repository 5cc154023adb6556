#include "tests/support/test_loop.h"

#include <memory>
#include <thread>

#include "engine/platform/platform_event_loop.h"
#include "tests/support/platform_support.h"

namespace keldo::test {

EventLoop& TestLoop() {
  static const bool applicationReady = (EnsureApplication(), true);
  static std::unique_ptr<EventLoop> loop = CreatePlatformEventLoop();
  (void)applicationReady;
  return *loop;
}

bool WaitUntil(EventLoop& loop, const std::function<bool()>& done,
               std::chrono::milliseconds timeout) {
  if (done()) {
    return true;
  }
  // The loop's own blocking wait; a short timer wakes it for conditions that
  // no event announces (bytes reaching a test peer) and ends it on time.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool late = false;
  auto waker = loop.CreateTimer();
  waker->SetInterval(2);
  waker->SetOnTimer([&] { late = std::chrono::steady_clock::now() >= deadline; });
  waker->SetEnabled(true);
  loop.RunUntil([&] { return late || done(); });
  return done();
}

void RunFor(EventLoop& loop, std::chrono::milliseconds time) {
  const auto deadline = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < deadline) {
    loop.ProcessEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

}  // namespace keldo::test
