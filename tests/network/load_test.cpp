#include "engine/socket_components.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback.h"
#include "tests/support/platform_support.h"
#include "tests/support/test_loop.h"

namespace keldo {
namespace {

// Heavy traffic and resource exhaustion: the loop must stay responsive (a
// 10 ms timer keeps ticking), nothing may leak, nothing may spin.
class LoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.SetPort(port);
    server.OnClientConnect = [this](void*, TCustomWinSocket*) { ++connects; };
    server.OnClientDisconnect = [this](void*, TCustomWinSocket*) { ++disconnects; };
    server.OnClientError = [this](void*, TCustomWinSocket*, TErrorEvent, int& code) {
      ++errors;
      code = 0;
    };
    server.OnClientRead = [this](void*, TCustomWinSocket* socket) {
      char buffer[1024];
      const int n = socket->ReceiveBytes(buffer, std::min(socket->PendingBytes(), 1024));
      if (n > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
      }
    };
    ticker->SetInterval(10);
    ticker->SetOnTimer([this] { ++ticks; });
    ticker->SetEnabled(true);
    server.SetActive(true);
  }

  bool Wait(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return test::WaitUntil(loop, done, timeout);
  }

  EventLoop& loop = test::TestLoop();
  std::uint16_t port = test::FreePort();
  TServerSocket server{loop};
  std::unique_ptr<Timer> ticker = loop.CreateTimer();
  int ticks = 0;
  int connects = 0;
  int disconnects = 0;
  int errors = 0;
  std::string received;
};

TEST_F(LoadTest, FiveHundredPeersConnectAndLeaveInABurst) {
  constexpr int kPeers = 500;
  constexpr int kWave = 25;  // stays inside the listen backlog's reach
  std::vector<std::unique_ptr<test::Peer>> peers;
  for (int i = 0; i < kPeers; ++i) {
    peers.push_back(std::make_unique<test::Peer>());
    ASSERT_TRUE(peers.back()->Connect(port));
    if (i % 5 == 4) {
      ASSERT_TRUE(Wait([&] { return connects == i + 1; }, std::chrono::seconds(5)));
    }
    if (i % kWave == kWave - 1) {
      // Half of each wave leave with an orderly close, half with a reset.
      for (int j = i - kWave + 1; j <= i; ++j) {
        if (j % 2 == 0) {
          peers[static_cast<std::size_t>(j)]->Close();
        } else {
          peers[static_cast<std::size_t>(j)]->Reset();
        }
      }
    }
  }
  ASSERT_TRUE(Wait([&] { return disconnects + errors == kPeers; }, std::chrono::seconds(10)))
      << connects << " connected, " << disconnects << " closed, " << errors << " reset";
  EXPECT_EQ(connects, kPeers);
  // Every connection is released: closed ones after their event, reset ones
  // after their error.
  EXPECT_TRUE(
      Wait([&] { return server.Socket().ActiveConnections() == 0; }, std::chrono::seconds(2)));
  EXPECT_GT(ticks, 0);
}

TEST_F(LoadTest, APeerSendingTenMegabytesIsReadCompletelyWhileTimersTick) {
  constexpr std::size_t kTotal = 10 * 1024 * 1024;
  test::Peer peer;
  ASSERT_TRUE(peer.Connect(port));
  ASSERT_TRUE(Wait([&] { return connects == 1; }, std::chrono::seconds(5)));

  std::string pattern(kTotal, '\0');
  for (std::size_t i = 0; i < kTotal; ++i) {
    pattern[i] = static_cast<char>(i * 7 + i / 1024);
  }
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    sent = peer.Send(pattern);
    peer.Close();
  });
  const int ticksBefore = ticks;
  const auto start = std::chrono::steady_clock::now();
  const bool complete = Wait([&] { return disconnects == 1; }, std::chrono::seconds(60));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  sender.join();
  ASSERT_TRUE(complete) << received.size() << " bytes so far";
  EXPECT_TRUE(sent);
  EXPECT_TRUE(received == pattern) << "bytes lost or out of order";
  // The timer ticks throughout: at least a tick for every 100 ms of flood.
  const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  EXPECT_GE(ticks - ticksBefore, static_cast<int>(elapsedMs / 100)) << elapsedMs << " ms";
}

TEST_F(LoadTest, RunningOutOfDescriptorsNeitherSpinsNorStopsTheListener) {
  // Peers connect while the process cannot accept; their sockets are made first.
  constexpr int kPeers = 3;
  std::vector<std::unique_ptr<test::Peer>> peers;
  for (int i = 0; i < kPeers; ++i) {
    peers.push_back(std::make_unique<test::Peer>());
  }
  // One connection first takes every call path once while descriptors are
  // free (the sanitizers need some to check a path the first time).
  test::Peer first;
  ASSERT_TRUE(first.Connect(port));
  ASSERT_TRUE(Wait([&] { return connects == 1; }, std::chrono::seconds(5)));
  test::RunFor(loop, std::chrono::milliseconds(20));

  std::vector<int> taken;
  if (!test::ExhaustDescriptors(taken)) {
    GTEST_SKIP() << "no descriptor limit to reach on this platform";
  }
  for (auto& peer : peers) {
    EXPECT_TRUE(peer->Connect(port));  // completes in the kernel's backlog
  }
  const double cpuBefore = test::ProcessCpuMs();
  // The loop's own wait: a notification that keeps coming back would spin it.
  Wait([] { return false; }, std::chrono::milliseconds(500));
  const double cpuUsed = test::ProcessCpuMs() - cpuBefore;
  const int ticksWhileFull = ticks;
  test::ReleaseDescriptors(taken);

  EXPECT_EQ(connects, 1);
  EXPECT_GT(ticksWhileFull, 20) << "the loop kept running";
  EXPECT_LT(cpuUsed, 200.0) << "a failing accept must not be retried in a tight loop";
  // Once descriptors are free the waiting peers are accepted.
  EXPECT_TRUE(Wait([&] { return connects == 1 + kPeers; }, std::chrono::seconds(3)));
}

}  // namespace
}  // namespace keldo
