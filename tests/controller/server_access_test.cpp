#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/controller/link_fixture.h"

namespace keldo::test {
namespace {

// Two loopback addresses stand for two machines: the link may listen on one
// only, and a peer may come from either.
constexpr const char* kHere = "127.0.0.1";
constexpr const char* kOther = "127.0.0.2";

class ServerAccessTest : public LinkFixture {
 protected:
  void StartServer(const char* bind, const char* allow) {
    view_.ForgetEvents();
    port_ = FreePort();
    Store(ServerSettings(port_));
    StoreServerAccess(bind, allow);
    StartLink();
  }

  bool WaitForRefusal(Peer& peer) {
    return loop_.WaitReal(
        [&] { return view_.FirstAt("refused:" + std::string(kOther)) >= 0 && peer.Gone(); });
  }

  std::uint16_t port_ = 0;
};

// Whatever cannot be used fails the set-up as a port in use does; the link
// never falls back to listening everywhere to everyone.
TEST_F(ServerAccessTest, TheListenAddressAndTheAllowListDecideWhoGetsIn) {
  struct Case {
    const char* bind;
    const char* allow;
    const char* line;  // after the mode line; nullptr: none, the COM line follows
    bool reachedThroughOther;
    bool acceptedFromOther;
    const char* failure = nullptr;  // the set-up fails, saying this
  };
  const Case cases[] = {
      {" , ", "\t", nullptr, true, true},  // blank: every interface, everyone
      {"127.0.0.1", "", "Bind:127.0.0.1", false, true},
      {"", "127.0.0.1/32", "Allow:127.0.0.1/32", true, false},
      {" 127.0.0.1 ", "127.0.0.2,  127.0.0.1", "Bind:127.0.0.1,Allow:127.0.0.2,127.0.0.1", false,
       true},
      {"", "10.0.0.0/8 127.0.0.0/31", "Allow:10.0.0.0/8,127.0.0.0/31", true, false},
      {"", "127.0.0.3/30", "Allow:127.0.0.3/30", true, true},  // host bits ignored: .0 to .3
      {"", "0.0.0.0/0", "Allow:0.0.0.0/0", true, true},
      {"192.0.2.1", "", "Bind:192.0.2.1", false, false, "on API 'bind'"},  // not this machine's
      {"::1", "", "Bind:::1", false, false, "'::1' is not an IPv4 address"},
      {"127.0.0.1 127.0.0.2", "", "Bind:127.0.0.1 127.0.0.2", false, false, "is not an IPv4"},
      {"", "127.0.0.1, 127.0.0.1/33", "Allow:127.0.0.1,127.0.0.1/33", false, false,
       "ServerAllow: '127.0.0.1/33' is not an IPv4 address or range"},
      {"", "127.0.0.1/8/8", "Allow:127.0.0.1/8/8", false, false, "'127.0.0.1/8/8' is not"},
      {"", "127.0.0.1/ 8", "Allow:127.0.0.1/,8", false, false, "'127.0.0.1/' is not"},
      {"", "localhost", "Allow:localhost", false, false, "'localhost' is not"},
      {"", nullptr, nullptr, false, false, "Invalid data type for 'ServerAllow'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bind) + "|" + (c.allow != nullptr ? c.allow : "(number)"));
    StartServer(c.bind, c.allow);
    ASSERT_GE(view_.Log().size(), 3u);
    EXPECT_EQ(view_.Log()[1],
              c.line != nullptr ? c.line : "COM" + std::to_string(comPort_) + ",Speed:19200,e,8,1");
    Peer through;
    Peer from;
    if (c.failure != nullptr) {
      EXPECT_FALSE(Link().sockServer().Active());
      EXPECT_TRUE(view_.Logged("Socket Error!"));
      const auto& events = view_.Events();
      EXPECT_TRUE(std::any_of(events.begin(), events.end(), [&](const RecordingView::Event& e) {
        return e.what.rfind("network failed:", 0) == 0 && e.what.find(c.failure) != e.what.npos;
      }));
      EXPECT_FALSE(through.Connect(port_));
      continue;
    }
    EXPECT_EQ(through.Connect(port_, kOther, kHere), c.reachedThroughOther);
    ASSERT_TRUE(from.Connect(port_, kHere, kOther));
    if (c.acceptedFromOther) {
      EXPECT_TRUE(WaitForLog("Socket Connect.", c.reachedThroughOther ? 2 : 1));
    } else {
      EXPECT_TRUE(WaitForRefusal(from));
    }
  }
}

TEST_F(ServerAccessTest, ARefusedPeerIsClosedOnAcceptAndNeitherCountedNorHeard) {
  StartServer("", "127.0.0.1/32");
  Peer allowed;
  ASSERT_TRUE(allowed.Connect(port_));
  Peer refused;
  ASSERT_TRUE(refused.Connect(port_, kHere, kOther));
  refused.Send("TARE\r");  // may already fail: the link closes it at once
  ASSERT_TRUE(WaitForRefusal(refused));
  device_.Send("12.5 kg\r");
  EXPECT_EQ(ReceiveAtPeer(allowed, 8), "12.5 kg\r");
  ASSERT_TRUE(allowed.Send("P\r"));
  ASSERT_TRUE(WaitForTransfer("NET:2"));
  EXPECT_EQ(device_.Receive(2, 2000), "P\r");  // nothing of the refused peer's before it
  EXPECT_EQ(Link().sockServer().Socket().ActiveConnections(), 1);
  EXPECT_EQ(view_.Transfers(), (std::vector<std::string>{"COM:8", "NET:2"}));
  EXPECT_EQ(view_.Log().size(), 5u);  // configuration, port, one "Socket Connect."
}

}  // namespace
}  // namespace keldo::test
