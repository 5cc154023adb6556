#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/controller/link_fixture.h"
#include "tests/support/platform_support.h"

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

// How the device's bytes arrive at the port: each chunk is sent, then the
// poll runs a few ticks.
struct DeviceStream {
  const char* name;
  std::vector<std::string> chunks;
};

const DeviceStream kStreams[] = {
    {"a line at a time", {"W0000\r", "W0001\r", "W0002\r", "W0003\r"}},
    {"lines cut anywhere", {"W00", "00\rW0", "001\r", "W0002\rW0003\r"}},
    {"all lines at once", {"W0000\rW0001\rW0002\rW0003\r"}},
};

TEST_F(ServerModeTest, EveryDeviceLineReachesThePeerOnceWholeAndInOrder) {
  Peer peer;
  Connect(peer, 0);
  for (const DeviceStream& stream : kStreams) {
    SCOPED_TRACE(stream.name);
    view_.ForgetEvents();
    std::string sent;
    for (const std::string& chunk : stream.chunks) {
      device_.Send(chunk);
      sent += chunk;
      loop_.Advance(3 * LinkController::kPollIntervalMs);
    }
    EXPECT_EQ(ReceiveAtPeer(peer, sent.size()), sent);
    loop_.Advance(50);
    EXPECT_EQ(peer.ReadAvailable(), "") << "nothing more, nothing twice";
    // "COM:" counts the line just read.
    EXPECT_EQ(view_.Transfers(), std::vector<std::string>(4, "COM:6"));
  }
}

TEST_F(ServerModeTest, AWriteFromTheNetworkStillDiscardsAPartialReply) {
  Peer peer;
  Connect(peer, 0);
  device_.Send("stale");
  ASSERT_TRUE(loop_.AdvanceUntil([&] { return Link().Serial().LineLength() == 5; }, 2000));
  ASSERT_TRUE(peer.Send("?\r"));
  ASSERT_TRUE(WaitForTransfer("NET:2"));
  EXPECT_EQ(device_.Receive(2, 2000), "?\r");
  device_.Send("12.5\r");
  EXPECT_EQ(ReceiveAtPeer(peer, 5), "12.5\r");
}

// Lines that queued up at the port while the poll was off (a pause) come out
// with the first tick after it, up to the tick's byte budget.
struct Burst {
  int lines;
  std::size_t lineSize;  // carriage return included
  std::size_t ticks;
};

const Burst kBursts[] = {
    {20, 12, 1},   // a fast device's short lines: all in one tick
    {30, 100, 2},  // 3000 bytes: more than one tick's budget
};

TEST_F(ServerModeTest, ATickForwardsTheLinesThatHaveArrivedWithinItsBudget) {
  Peer peer;
  Connect(peer, 0);
  for (const Burst& burst : kBursts) {
    SCOPED_TRACE(burst.lines);
    Link().btnPauseClick();
    loop_.Advance(20);
    std::string sent;
    for (int i = 0; i < burst.lines; ++i) {
      std::string line = std::to_string(1000 + i);
      line.resize(burst.lineSize - 1, '.');
      sent += line + "\r";
    }
    device_.Send(sent);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // into the port's queue
    view_.ForgetEvents();
    Link().btnPlayClick();
    EXPECT_EQ(ReceiveAtPeer(peer, sent.size()), sent);
    std::set<std::uint64_t> tickTimes;
    for (const auto& e : view_.Events()) {
      if (e.what.rfind("transfer:COM:", 0) == 0) {
        tickTimes.insert(e.at);
      }
    }
    EXPECT_EQ(view_.Transfers().size(), static_cast<std::size_t>(burst.lines));
    EXPECT_EQ(tickTimes.size(), burst.ticks);
  }
}

TEST_F(ServerModeTest, LinesAPeerCannotTakeYetAreKeptAndSentWhole) {
  Peer peer;
  test::SetReceiveBuffer(peer.Handle(), 4096);
  Connect(peer, 0);
  ASSERT_EQ(Link().sockServer().Socket().ActiveConnections(), 1);
  test::SetSendBuffer(Link().sockServer().Socket().Connections(0)->SocketHandle(), 4096);

  // 60 KB of lines while the peer reads nothing: far more than the socket
  // buffers hold, less than what the link keeps for a peer.
  std::string sent;
  int lines = 0;
  for (int chunk = 0; chunk < 30; ++chunk) {
    std::string bytes;
    for (int i = 0; i < 20; ++i, ++lines) {
      std::string line = "L" + std::to_string(100000 + lines);
      line.resize(99, '-');
      bytes += line + "\r";
    }
    device_.Send(bytes);
    sent += bytes;
    ASSERT_TRUE(loop_.AdvanceUntil(
        [&] { return view_.Transfers().size() == static_cast<std::size_t>(lines); }, 2000));
  }
  EXPECT_GT(Link().ActivePeer().Get()->QueuedBytes(), 0);
  const std::string got = ReceiveAtPeer(peer, sent.size());
  EXPECT_EQ(got.size(), sent.size());
  EXPECT_TRUE(got == sent) << "lines lost, cut or out of order";
  EXPECT_EQ(Link().DroppedBytes(), 0u);
}

TEST_F(ServerModeTest, ALineBeforeAnyPeerIsCountedButNotSent) {
  device_.Send("early\r");
  ASSERT_TRUE(PollUntilTransfers(1));
  EXPECT_EQ(view_.Transfers(), std::vector<std::string>{"COM:6"});
  // PeerConnected starts true, but there is no peer to send to.
  EXPECT_TRUE(Link().PeerConnected());
  EXPECT_FALSE(Link().ActivePeer());
}

// Peers A then B; one of them leaves. Lines go to B, the latest peer, for as
// long as B is there.
struct Leaving {
  const char* name;
  bool latest;  // B leaves, else A
  bool reset;
};

const Leaving kLeavings[] = {
    {"the earlier peer closes", false, false},
    {"the earlier peer resets", false, true},
    {"the latest peer closes", true, false},
};

TEST_F(ServerModeTest, OnlyTheLatestPeerLeavingStopsForwarding) {
  int connects = 0;
  for (const Leaving& leaving : kLeavings) {
    SCOPED_TRACE(leaving.name);
    Peer a;
    Peer b;
    Connect(a, connects++);
    Connect(b, connects++);
    Peer& leaver = leaving.latest ? b : a;
    const int endsBefore =
        view_.CountLogged("Socket Disconnect.") + view_.CountLogged("Socket Error!");
    if (leaving.reset) {
      leaver.Reset();
    } else {
      leaver.Close();
    }
    ASSERT_TRUE(loop_.WaitReal([&] {
      return view_.CountLogged("Socket Disconnect.") + view_.CountLogged("Socket Error!") >
             endsBefore;
    }));
    EXPECT_EQ(Link().PeerConnected(), !leaving.latest);

    device_.Send("L1\r");
    if (leaving.latest) {
      ASSERT_TRUE(loop_.AdvanceUntil(
          [&] { return !view_.Transfers().empty() && view_.Transfers().back() == "COM:3"; }, 2000));
      loop_.Advance(50);
      EXPECT_EQ(a.ReadAvailable(), "");
    } else {
      EXPECT_EQ(ReceiveAtPeer(b, 3), "L1\r");
      // The peer that stays still reaches the device.
      ASSERT_TRUE(b.Send("x"));
      ASSERT_TRUE(WaitForTransfer("NET:1"));
      EXPECT_EQ(device_.Receive(1, 2000), "x");
    }
    a.Close();
    b.Close();
    ASSERT_TRUE(
        loop_.WaitReal([&] { return Link().sockServer().Socket().ActiveConnections() == 0; }));
    view_.ForgetEvents();
    connects = 0;
  }
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

TEST_F(ServerModeTest, APortInUseIsLoggedAndTheLinkRunsWithoutAListener) {
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
  EXPECT_EQ(logs, (std::vector<std::string>{"log:Socket Error!", "log:COM Port Open Ok."}));
  EXPECT_EQ(Link().State(), LinkState::Run);
  EXPECT_FALSE(Link().sockServer().Active());
  EXPECT_TRUE(Link().tmrPooling().Enabled());
}

}  // namespace
}  // namespace keldo::test
