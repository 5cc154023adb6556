#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/platform/socket_api.h"
#include "tests/daemon/daemon_fixture.h"
#include "tests/support/platform_support.h"
#include "tests/support/port_listener.h"

namespace keldo::test {
namespace {

using Clock = std::chrono::steady_clock;

// Whether the address is reached here now: only then can a socket bind to it.
bool AddressPresent(const std::string& address) {
  const net::SocketHandle s = net::CreateTcpSocket();
  const bool bound = net::Bind(s, net::InetAddr(address), 0) == 0;
  net::CloseSocket(s);
  return bound;
}

// A server that vanishes without a word: inside tests/support/netns (ctest:
// dead_peer) its address is routed into a black hole, so what the daemon
// sends goes nowhere and no reset or close reaches it, as with a crashed host
// or a broken link.
TEST_F(DaemonProcessTest, DeadPeerIsNoticedAndConnectedAgainOnceBack) {
  const char* address = std::getenv("KELDO_NETNS_ADDRESS");
  const char* control = std::getenv("KELDO_NETNS_CONTROL");
  if (address == nullptr || control == nullptr) {
    GTEST_SKIP() << "needs the network namespace of tests/support/netns (ctest: dead_peer)";
  }
  const auto serverThere = [&](bool there) {
    return RunUnixProgram("/bin/sh", std::string(control) + (there ? " return" : " vanish")) &&
           Until([&] { return AddressPresent(address) == there; });
  };
  const std::uint16_t port = FreePort();
  PortListener listener(port, address);
  Store(0, port, "KELDO", address);
  Start();
  auto peer = std::make_unique<Peer>();
  ASSERT_TRUE(Until([&] { return listener.TryAccept(*peer); })) << Output();

  for (const bool lineSent : {false, true}) {
    const char* phase = lineSent ? "a device line unacknowledged" : "idle";
    SCOPED_TRACE(phase);
    if (lineSent && RunningUnderWine()) {
      std::printf("%s: not under Wine 8, which has no TCP_MAXRT\n", phase);
      continue;
    }
    // Gone with the link's first error or close.
    const int ends = Count("Socket Error!") + Count("Socket Disconnect.");
    const int connects = Count("Socket Connect.");
    ASSERT_TRUE(serverThere(false));
    const Clock::time_point vanished = Clock::now();
    if (lineSent) {
      device_.Send("W 1.00\r");
    }
    ASSERT_TRUE(Until([&] { return Count("Socket Error!") + Count("Socket Disconnect.") > ends; },
                      std::chrono::seconds(net::kDeadPeerSeconds + 20)))
        << Output();
    const std::chrono::duration<double> noticed = Clock::now() - vanished;
    ASSERT_TRUE(serverThere(true));
    peer = std::make_unique<Peer>();
    ASSERT_TRUE(Until([&] { return listener.TryAccept(*peer); }, std::chrono::seconds(15)));
    ASSERT_TRUE(WaitForOutput("Socket Connect.", connects + 1)) << Output();
    const std::chrono::duration<double> connected = Clock::now() - vanished;
    std::printf("%s: taken for gone after %.1f s, connected again after %.1f s\n", phase,
                noticed.count(), connected.count());
    EXPECT_NEAR(noticed.count(), net::kDeadPeerSeconds, 5);
  }
  device_.Send("W 2.00\r");
  EXPECT_EQ(Read(*peer, 7), "W 2.00\r") << "the new connection carries the lines";
  StopDaemon();
}

}  // namespace
}  // namespace keldo::test
