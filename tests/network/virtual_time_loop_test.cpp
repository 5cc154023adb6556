#include "tests/support/virtual_time_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "engine/socket_components.h"
#include "tests/support/loopback.h"
#include "tests/support/test_loop.h"

namespace keldo {
namespace {

class VirtualTimeLoopTest : public ::testing::Test {
 protected:
  test::VirtualTimeLoop loop{test::TestLoop()};
};

TEST_F(VirtualTimeLoopTest, TimersTickInVirtualTimeOnly) {
  auto poll = loop.CreateTimer();
  auto once = loop.CreateTimer();
  std::string order;
  int polls = 0;
  poll->SetInterval(5);
  poll->SetOnTimer([&] {
    // A self-re-arming tick: disabled at the start, enabled at the end.
    poll->SetEnabled(false);
    ++polls;
    poll->SetEnabled(true);
  });
  once->SetInterval(50);
  once->SetOnTimer([&] {
    once->SetEnabled(false);
    order += "once@" + std::to_string(loop.Now());
  });
  poll->SetEnabled(true);
  once->SetEnabled(true);

  const auto start = std::chrono::steady_clock::now();
  loop.Advance(100);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(polls, 20);
  EXPECT_EQ(order, "once@50");
  EXPECT_EQ(loop.Now(), 100u);
}

TEST_F(VirtualTimeLoopTest, SleepMovesTheClockWithoutRunningTicks) {
  auto timer = loop.CreateTimer();
  int ticks = 0;
  timer->SetInterval(10);
  timer->SetOnTimer([&] { ++ticks; });
  timer->SetEnabled(true);
  loop.Sleep(1000);
  EXPECT_EQ(ticks, 0);
  loop.ProcessEvents();  // the overdue tick runs once, not a hundred times
  EXPECT_EQ(ticks, 1);
  timer->SetEnabled(false);
  loop.Advance(100);
  EXPECT_EQ(ticks, 1);
}

TEST_F(VirtualTimeLoopTest, RealSocketsAndErrorsComeThrough) {
  std::string reported;
  loop.SetErrorReport([&](const std::exception& e) { reported = e.what(); });
  TServerSocket server(loop);
  const std::uint16_t port = test::FreePort();
  server.SetPort(port);
  std::string received;
  server.OnClientRead = [&](void*, TCustomWinSocket* socket) {
    char buffer[64];
    const int n = socket->ReceiveBytes(buffer, sizeof buffer);
    received.append(buffer, static_cast<std::size_t>(std::max(n, 0)));
    throw std::runtime_error("from a read handler");
  };
  server.SetActive(true);
  test::Peer peer;
  ASSERT_TRUE(peer.Connect(port));
  ASSERT_TRUE(peer.Send("over loopback"));
  EXPECT_TRUE(test::WaitUntil(loop, [&] { return !reported.empty(); }));
  EXPECT_EQ(received, "over loopback");
  EXPECT_EQ(reported, "from a read handler");
}

}  // namespace
}  // namespace keldo
