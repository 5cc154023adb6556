#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/registry.h"
#include "tests/controller/link_fixture.h"

namespace keldo::test {
namespace {

// Two loopback addresses stand for two machines: the link may listen on one
// only, and a peer may come from either.
constexpr const char* kHere = "127.0.0.1";
constexpr const char* kOther = "127.0.0.2";

class ServerAccessTest : public LinkFixture {
 protected:
  // ServerBind and ServerAllow as a hand-edited key holds them, beside the
  // values the dialog saves.
  void StartServer(const std::string& bind, const std::string& allow, bool allowAsText = true) {
    view_.ForgetEvents();
    port_ = FreePort();
    Store(ServerSettings(port_));
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    ASSERT_TRUE(reg.OpenPath(kSettingsKey, false));
    reg.WriteText("ServerBind", bind);
    if (allowAsText) {
      reg.WriteText("ServerAllow", allow);
    } else {
      reg.WriteInt("ServerAllow", 0x0100007F);
    }
    reg.ClosePath();
    StartLink();
  }

  bool WaitForRefusal(const std::string& address, Peer& peer) {
    return loop_.WaitReal([&] { return view_.FirstAt("refused:" + address) >= 0 && peer.Gone(); });
  }

  std::uint16_t port_ = 0;
};

TEST_F(ServerAccessTest, TheListenAddressAndTheAllowListDecideWhoGetsIn) {
  struct Case {
    const char* bind;
    const char* allow;
    const char* line;  // after the mode line, or nullptr for none
    bool reachedThroughOther;
    bool acceptedFromOther;
  };
  const Case cases[] = {
      {" , ", "\t", nullptr, true, true},  // blank: every interface, everyone
      {"127.0.0.1", "", "Bind:127.0.0.1", false, true},
      {"", "127.0.0.1/32", "Allow:127.0.0.1/32", true, false},
      {" 127.0.0.1 ", "127.0.0.2,  127.0.0.1", "Bind:127.0.0.1,Allow:127.0.0.2,127.0.0.1", false,
       true},
      {"", "10.0.0.0/8 127.0.0.0/31", "Allow:10.0.0.0/8,127.0.0.0/31", true, false},
      {"", "127.0.0.3/30", "Allow:127.0.0.3/30", true, true},  // host bits ignored: .0 to .3
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bind) + "|" + c.allow);
    StartServer(c.bind, c.allow);
    ASSERT_TRUE(Link().sockServer().Active());
    ASSERT_GE(view_.Log().size(), 3u);
    EXPECT_EQ(view_.Log()[1],
              c.line != nullptr ? c.line : "COM" + std::to_string(comPort_) + ",Speed:19200,e,8,1");

    Peer through;
    EXPECT_EQ(through.Connect(port_, kOther, kHere), c.reachedThroughOther);
    Peer from;
    ASSERT_TRUE(from.Connect(port_, kHere, kOther));
    if (c.acceptedFromOther) {
      EXPECT_TRUE(WaitForLog("Socket Connect.", c.reachedThroughOther ? 2 : 1));
    } else {
      EXPECT_TRUE(WaitForRefusal(kOther, from));
    }
  }
}

TEST_F(ServerAccessTest, ARefusedPeerIsClosedOnAcceptAndNeitherCountedNorHeard) {
  StartServer("", "127.0.0.1/32");
  Peer allowed;
  ASSERT_TRUE(allowed.Connect(port_));
  ASSERT_TRUE(WaitForLog("Socket Connect."));

  Peer refused;
  ASSERT_TRUE(refused.Connect(port_, kHere, kOther));
  refused.Send("TARE\r");  // may already fail: the link closes it at once
  ASSERT_TRUE(WaitForRefusal(kOther, refused));

  EXPECT_EQ(Link().sockServer().Socket().ActiveConnections(), 1);
  device_.Send("12.5 kg\r");
  EXPECT_EQ(ReceiveAtPeer(allowed, 8), "12.5 kg\r");
  ASSERT_TRUE(allowed.Send("P\r"));
  ASSERT_TRUE(WaitForTransfer("NET:2"));
  EXPECT_EQ(device_.Receive(2, 2000), "P\r");  // nothing of the refused peer's before it
  EXPECT_EQ(view_.Transfers().size(), 2u);      // COM:8, NET:2
  EXPECT_EQ(view_.CountLogged("Socket Connect."), 1);
  EXPECT_FALSE(view_.Logged("Socket Disconnect."));
  EXPECT_FALSE(view_.Logged("Socket Error!"));
}

// Whatever cannot be used fails the set-up as a port in use does; the link
// never falls back to listening everywhere to everyone.
TEST_F(ServerAccessTest, AnUnusableBindOrAllowFailsTheSetUp) {
  struct Case {
    const char* bind;
    const char* allow;
    bool allowAsText;
    const char* why;
  };
  const Case cases[] = {
      {"192.0.2.1", "", true, "on API 'bind'"},  // not an address of this machine
      {"::1", "", true, "'::1' is not an IPv4 address"},
      {"127.0.0.1 127.0.0.2", "", true, "'127.0.0.1 127.0.0.2' is not an IPv4 address"},
      {"", "127.0.0.1, 10.0.0.300", true, "ServerAllow: '10.0.0.300' is not"},
      {"", "127.0.0.1/33", true, "ServerAllow: '127.0.0.1/33' is not"},
      {"", "", false, "Invalid data type for 'ServerAllow'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bind) + "|" + c.allow);
    StartServer(c.bind, c.allow, c.allowAsText);
    EXPECT_FALSE(Link().sockServer().Active());
    EXPECT_TRUE(view_.Logged("Socket Error!"));
    bool said = false;
    for (const RecordingView::Event& e : view_.Events()) {
      said = said ||
             (e.what.rfind("network failed:", 0) == 0 && e.what.find(c.why) != std::string::npos);
    }
    EXPECT_TRUE(said);
    Peer peer;
    EXPECT_FALSE(peer.Connect(port_));
  }
}

TEST_F(ServerAccessTest, ClientModeIgnoresBoth) {
  const std::uint16_t port = FreePort();
  PortListener listener(port);
  ASSERT_TRUE(listener.Listening());
  Store(ClientSettings(port));
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  ASSERT_TRUE(reg.OpenPath(kSettingsKey, false));
  reg.WriteText("ServerBind", "::1");
  reg.WriteText("ServerAllow", "nobody");
  reg.ClosePath();
  StartLink();
  EXPECT_EQ(view_.Log()[1], "    Host:127.0.0.1");
  Peer peer;
  EXPECT_TRUE(loop_.WaitReal([&] { return listener.TryAccept(peer); }));
  EXPECT_TRUE(WaitForLog("Socket Connect."));
}

}  // namespace
}  // namespace keldo::test
