#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "tests/controller/link_fixture.h"

namespace keldo::test {
namespace {

class ServerModeTest : public LinkFixture {
 protected:
  void SetUp() override {
    LinkFixture::SetUp();
    port_ = FreePort();
    Store(ServerSettings(port_));
    StartLink();
    ASSERT_TRUE(view_.Logged("COM Port Open Ok."));
    ASSERT_TRUE(Link().sockServer().Active());
  }

  void Connect(Peer& peer, int connectsBefore) {
    ASSERT_TRUE(peer.Connect(port_));
    ASSERT_TRUE(WaitForLog("Socket Connect.", connectsBefore + 1));
  }

  std::uint16_t port_ = 0;
};

TEST_F(ServerModeTest, DeviceLinesGoToTheLatestPeerAndBytesFromEveryPeerGoToTheDevice) {
  Peer a;
  Peer b;
  Connect(a, 0);
  Connect(b, 1);

  device_.Send("12.5 kg\r");
  EXPECT_EQ(ReceiveAtPeer(b, 8), "12.5 kg\r");
  EXPECT_EQ(view_.Transfers().back(), "COM:8");
  EXPECT_EQ(a.ReadAvailable(), "");

  ASSERT_TRUE(a.Send("P\r"));
  ASSERT_TRUE(WaitForTransfer("NET:2"));
  EXPECT_EQ(device_.Receive(2, 2000), "P\r");
  ASSERT_TRUE(b.Send("TARE\r"));
  ASSERT_TRUE(WaitForTransfer("NET:5"));
  EXPECT_EQ(device_.Receive(5, 2000), "TARE\r");
}

TEST_F(ServerModeTest, ForwardingKeepsTheLineBufferUntilTheNetworkWrites) {
  Peer peer;
  Connect(peer, 0);
  device_.Send("A\r");
  EXPECT_EQ(ReceiveAtPeer(peer, 2), "A\r");
  device_.Send("B\r");
  EXPECT_EQ(ReceiveAtPeer(peer, 4), "A\rB\r");  // the second forward carries both lines

  ASSERT_TRUE(peer.Send("?\r"));
  ASSERT_TRUE(WaitForTransfer("NET:2"));
  EXPECT_EQ(device_.Receive(2, 2000), "?\r");
  device_.Send("C\r");
  EXPECT_EQ(ReceiveAtPeer(peer, 2), "C\r");  // a write starts a fresh line
}

TEST_F(ServerModeTest, ALineBeforeAnyPeerIsCountedButNotSent) {
  device_.Send("early\r");
  ASSERT_TRUE(PollUntilTransfers(1));
  EXPECT_EQ(view_.Transfers(), std::vector<std::string>{"COM:6"});
  // PeerConnected starts true, but there is no peer to send to.
  EXPECT_TRUE(Link().PeerConnected());
  EXPECT_FALSE(Link().ActivePeer());
}

TEST_F(ServerModeTest, WhenAnEarlierPeerLeavesForwardingStopsUntilAPeerConnects) {
  Peer a;
  Peer b;
  Connect(a, 0);
  Connect(b, 1);
  a.Close();
  ASSERT_TRUE(WaitForLog("Socket Disconnect."));
  EXPECT_FALSE(Link().PeerConnected());

  device_.Send("L1\r");
  ASSERT_TRUE(PollUntilTransfers(1));
  loop_.Advance(50);
  EXPECT_EQ(b.ReadAvailable(), "");

  Peer c;
  Connect(c, 2);
  device_.Send("L2\r");
  EXPECT_EQ(ReceiveAtPeer(c, 6), "L1\rL2\r");
  EXPECT_EQ(b.ReadAvailable(), "");
  // B still reaches the device.
  ASSERT_TRUE(b.Send("x"));
  ASSERT_TRUE(WaitForTransfer("NET:1"));
  EXPECT_EQ(device_.Receive(1, 2000), "x");
}

TEST_F(ServerModeTest, ThePeerThatLeftIsNeverUsedAgain) {
  Peer a;
  Connect(a, 0);
  a.Close();
  ASSERT_TRUE(WaitForLog("Socket Disconnect."));
  // The deferred destruction runs, and the reference goes empty.
  ASSERT_TRUE(loop_.WaitReal([&] { return !Link().ActivePeer(); }));
  device_.Send("L\r");
  ASSERT_TRUE(PollUntilTransfers(1));
}

TEST_F(ServerModeTest, PauseTakesNetworkBytesAndDropsThemAndStopsPolling) {
  Peer peer;
  Connect(peer, 0);
  Link().btnPauseClick();
  EXPECT_TRUE(Link().Halted());
  EXPECT_EQ(Link().State(), LinkState::Pause);
  loop_.Advance(20);  // the running poll tick finishes and does not re-arm
  EXPECT_FALSE(Link().tmrPooling().Enabled());

  ASSERT_TRUE(peer.Send("dropped"));
  ASSERT_TRUE(WaitForTransfer("NET:7"));
  EXPECT_EQ(device_.Receive(7, 200), "");

  device_.Send("held\r");
  loop_.Advance(200);
  EXPECT_EQ(peer.ReadAvailable(), "");
  EXPECT_EQ(view_.Transfers(), std::vector<std::string>{"NET:7"});

  Link().btnPlayClick();  // from Pause: the poll only, no new set-up
  EXPECT_EQ(loop_.Sleeps().size(), 1u);
  EXPECT_EQ(ReceiveAtPeer(peer, 5), "held\r");
  ASSERT_TRUE(peer.Send("kept"));
  ASSERT_TRUE(WaitForTransfer("NET:4"));
  EXPECT_EQ(device_.Receive(4, 2000), "kept");
}

TEST_F(ServerModeTest, TheIdentificationQueryIsPassedToTheDevice) {
  Peer peer;
  Connect(peer, 0);
  const std::string query("KTQ\x0FT01abc", 10);
  ASSERT_TRUE(peer.Send(query));
  ASSERT_TRUE(WaitForTransfer("NET:10"));
  EXPECT_EQ(device_.Receive(10, 2000), query);
  loop_.Advance(20);
  EXPECT_EQ(peer.ReadAvailable(), "");
}

TEST_F(ServerModeTest, AReadTakesAtMost1024BytesAndLeavesTheRestForTheNextRead) {
  Peer peer;
  Connect(peer, 0);
  std::string bytes(3000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>('a' + i % 26);
  }
  ASSERT_TRUE(peer.Send(bytes));
  std::string atDevice;
  ASSERT_TRUE(loop_.WaitReal([&] {
    atDevice += device_.Receive(bytes.size() - atDevice.size(), 1);
    return atDevice.size() >= bytes.size();
  }));
  EXPECT_EQ(atDevice, bytes);
  int total = 0;
  for (const std::string& t : view_.Transfers()) {
    ASSERT_EQ(t.rfind("NET:", 0), 0u);
    const int n = std::stoi(t.substr(4));
    EXPECT_LE(n, LinkController::kReceiveLimit);
    total += n;
  }
  EXPECT_EQ(total, 3000);
  EXPECT_GE(view_.Transfers().size(), 3u);
}

TEST_F(ServerModeTest, AReadEventThatDeliversNothingWritesNothingAndKeepsThePartialLine) {
  device_.Send("AB");
  ASSERT_TRUE(loop_.AdvanceUntil([&] { return Link().Serial().LineLength() == 2; }, 2000));
  // A connection with nothing to hand over: its receive takes no bytes.
  TCustomWinSocket& idle = Link().sockClient().Socket();
  Link().sockServerClientRead(nullptr, &idle);
  EXPECT_TRUE(view_.Transfers().empty());
  EXPECT_EQ(Link().Serial().LineLength(), 2);
  EXPECT_EQ(device_.Receive(1, 100), "");
}

TEST_F(ServerModeTest, APortInUseLeavesTheLinkRunningWithoutAListener) {
  const std::uint16_t taken = port_;
  Link().btnStopClick();
  PortListener squatter(taken);
  ASSERT_TRUE(squatter.Listening());
  view_.ForgetEvents();
  Link().btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs);
  std::vector<std::string> logs;
  for (const auto& e : view_.Events()) {
    if (e.what.rfind("log:", 0) == 0) {
      logs.push_back(e.what);
    }
  }
  EXPECT_EQ(logs, std::vector<std::string>{"log:COM Port Open Ok."});
  EXPECT_EQ(Link().State(), LinkState::Run);
  EXPECT_FALSE(Link().sockServer().Active());
  EXPECT_TRUE(Link().tmrPooling().Enabled());
}

}  // namespace
}  // namespace keldo::test
