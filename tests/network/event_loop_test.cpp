#include "engine/event_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/platform_support.h"
#include "tests/support/test_loop.h"

namespace keldo {
namespace {

using ::testing::ElementsAre;

class EventLoopTest : public ::testing::Test {
 protected:
  void TearDown() override { loop.SetErrorReport(nullptr); }

  EventLoop& loop = test::TestLoop();
};

TEST_F(EventLoopTest, EnablingAnEnabledTimerDoesNotRestartIt) {
  auto timer = loop.CreateTimer();
  EXPECT_FALSE(timer->Enabled());
  int ticks = 0;
  timer->SetOnTimer([&] { ++ticks; });
  timer->SetInterval(60);
  timer->SetEnabled(true);
  // Re-enabling every few ms would keep a restarting timer from ever ticking.
  const bool ticked = test::WaitUntil(
      loop,
      [&] {
        timer->SetEnabled(true);
        return ticks > 0;
      },
      std::chrono::seconds(2));
  EXPECT_TRUE(ticked);
}

TEST_F(EventLoopTest, DisablingCancelsATickThatIsAlreadyDue) {
  auto timer = loop.CreateTimer();
  int ticks = 0;
  timer->SetOnTimer([&] { ++ticks; });
  timer->SetInterval(20);
  timer->SetEnabled(true);
  loop.Sleep(60);  // the tick is due but not handled
  timer->SetEnabled(false);
  test::RunFor(loop, std::chrono::milliseconds(60));
  EXPECT_EQ(ticks, 0);

  // Enabled again it starts a full interval afresh and repeats.
  timer->SetEnabled(true);
  EXPECT_TRUE(test::WaitUntil(
      loop, [&] { return ticks >= 2; }, std::chrono::seconds(2)));
}

TEST_F(EventLoopTest, ATickHandlerMayDisableOrDestroyItsTimer) {
  auto once = loop.CreateTimer();
  int onceTicks = 0;
  once->SetInterval(10);
  once->SetOnTimer([&] {
    once->SetEnabled(false);  // the one-shot pattern
    ++onceTicks;
  });
  once->SetEnabled(true);

  auto doomed = loop.CreateTimer();
  doomed->SetInterval(10);
  doomed->SetOnTimer([&] { doomed.reset(); });
  doomed->SetEnabled(true);

  test::RunFor(loop, std::chrono::milliseconds(120));
  EXPECT_EQ(onceTicks, 1);
  EXPECT_EQ(doomed, nullptr);
}

TEST_F(EventLoopTest, ATimerNeverTicksBeforeItsIntervalHasPassed) {
  using Clock = std::chrono::steady_clock;
  // Intervals of a few hundred ms started at scattered moments: a loop that
  // moves ticks to shared boundaries to save wake-ups fires some of them early.
  std::vector<std::unique_ptr<Timer>> timers;
  std::vector<Clock::time_point> started;
  std::vector<double> lateMs;
  for (int i = 0; i < 8; ++i) {
    timers.push_back(loop.CreateTimer());
    Timer& timer = *timers.back();
    const std::uint32_t interval = 210 + 23 * static_cast<std::uint32_t>(i);
    timer.SetInterval(interval);
    timer.SetOnTimer([&, i, interval] {
      timers[static_cast<std::size_t>(i)]->SetEnabled(false);
      const std::chrono::duration<double, std::milli> waited =
          Clock::now() - started[static_cast<std::size_t>(i)];
      lateMs.push_back(waited.count() - interval);
    });
    started.push_back(Clock::now());
    timer.SetEnabled(true);
    loop.Sleep(3 + static_cast<std::uint32_t>(i) * 7 % 11);
  }
  ASSERT_TRUE(test::WaitUntil(loop, [&] { return lateMs.size() == timers.size(); }));
  for (const double late : lateMs) {
    EXPECT_GE(late, -0.5);
  }
}

// The serial poll's pattern: disabled at the start of its tick, enabled again
// at the end, so each interval counts from the end of the last tick.
TEST_F(EventLoopTest, AFiveMillisecondTimerTicksSoonerThanTenMilliseconds) {
  using Clock = std::chrono::steady_clock;
  auto timer = loop.CreateTimer();
  timer->SetInterval(5);
  std::vector<double> gapsMs;
  Clock::time_point last{};
  timer->SetOnTimer([&] {
    timer->SetEnabled(false);
    const Clock::time_point now = Clock::now();
    if (last != Clock::time_point{}) {
      gapsMs.push_back(std::chrono::duration<double, std::milli>(now - last).count());
    }
    last = now;
    timer->SetEnabled(true);
  });
  timer->SetEnabled(true);
  ASSERT_TRUE(test::WaitUntil(loop, [&] { return gapsMs.size() >= 41; }));
  std::sort(gapsMs.begin(), gapsMs.end());
  EXPECT_GE(gapsMs.front(), 4.5);
  // Windows' SetTimer never comes sooner than 10 ms. A busy machine delays
  // some ticks, so the quicker quarter is what is judged.
  EXPECT_LT(gapsMs[gapsMs.size() / 4], 8.0);
}

TEST_F(EventLoopTest, PostedTasksRunInOrderAndMayProcessEventsInside) {
  std::vector<std::string> order;
  loop.Post([&] {
    order.push_back("first");
    loop.Post([&] { order.push_back("nested"); });
    loop.ProcessEvents();  // from inside a handler, as the controller does
    order.push_back("first done");
  });
  loop.Post([&] { order.push_back("second"); });
  EXPECT_TRUE(test::WaitUntil(loop, [&] { return order.size() == 4; }));
  EXPECT_THAT(order, ElementsAre("first", "second", "nested", "first done"));
}

TEST_F(EventLoopTest, AHandlerThatThrowsReachesTheErrorReportAndTheLoopGoesOn) {
  std::vector<std::string> reported;
  loop.SetErrorReport([&](const std::exception& e) { reported.push_back(e.what()); });
  auto timer = loop.CreateTimer();
  int ticks = 0;
  timer->SetInterval(10);
  timer->SetOnTimer([&] {
    if (++ticks == 1) {
      throw std::runtime_error("tick failed");
    }
  });
  timer->SetEnabled(true);
  loop.Post([] { throw 42; });
  EXPECT_TRUE(test::WaitUntil(loop, [&] { return ticks >= 3; }));
  EXPECT_THAT(reported, ElementsAre("Unknown error", "tick failed"));
}

TEST_F(EventLoopTest, QuitEndsRunAndRunUntilStopsWhenDone) {
  int steps = 0;
  std::function<void()> step = [&] {
    if (++steps < 5) {
      loop.Post(step);
    }
  };
  loop.Post(step);
  EXPECT_TRUE(loop.RunUntil([&] { return steps == 5; }));

  loop.Post([&] { loop.Quit(); });
  loop.Run();  // returns: the test would hang otherwise

  // Quit inside a nested level ends the outer level too.
  bool innerEnded = false;
  loop.Post([&] {
    EXPECT_FALSE(loop.RunUntil([] { return false; }));
    innerEnded = true;
  });
  loop.Post([&] { loop.Quit(); });
  loop.Run();
  EXPECT_TRUE(innerEnded);

  // A quit asked before Run makes it return at once.
  loop.Quit();
  loop.Run();
}

TEST_F(EventLoopTest, ATerminationRequestEndsRun) {
  if (!test::RaiseTerminationRequestSupported()) {
    GTEST_SKIP() << "no way to raise a console control event here";
  }
  loop.QuitOnTerminationRequest();
  loop.Post([] { test::RaiseTerminationRequest(); });
  loop.Run();
  SUCCEED();
}

}  // namespace
}  // namespace keldo
