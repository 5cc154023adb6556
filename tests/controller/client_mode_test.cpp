#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/controller/link_fixture.h"

namespace keldo::test {
namespace {

const std::string kQuery("KTQ\x0FT01xyz", 10);

class ClientModeTest : public LinkFixture {
 protected:
  // Starts a client towards a listener that is already there, and takes the
  // connection.
  void StartConnected(std::int32_t serverId = 1) {
    listener_ = std::make_unique<PortListener>(port_);
    ASSERT_TRUE(listener_->Listening());
    LinkSettings settings = ClientSettings(port_);
    settings.ServerID = serverId;
    Store(settings);
    StartLink();
    ASSERT_TRUE(WaitForLog("Socket Connect."));
    ASSERT_TRUE(loop_.WaitReal([&] { return listener_->TryAccept(peer_); }));
    EXPECT_TRUE(Link().PeerConnected());
  }

  const std::uint16_t port_ = FreePort();
  std::unique_ptr<PortListener> listener_;
  Peer peer_;
};

TEST_F(ClientModeTest, ConnectsToItsHostAndCarriesBytesBothWays) {
  StartConnected();
  EXPECT_TRUE(Link().sockClient().Active());
  device_.Send("OK 12\r");
  EXPECT_EQ(ReceiveAtPeer(peer_, 6), "OK 12\r");
  ASSERT_TRUE(peer_.Send("READ\r"));
  ASSERT_TRUE(WaitForTransfer("NET:5"));
  EXPECT_EQ(device_.Receive(5, 2000), "READ\r");
}

TEST_F(ClientModeTest, AnswersTheIdentificationQueryItselfAlsoWhilePaused) {
  StartConnected(1234);
  ASSERT_TRUE(peer_.Send(kQuery));
  const std::string reply("\x0Ft011234E7\r", 11);
  EXPECT_EQ(ReceiveAtPeer(peer_, 11), reply);

  Link().btnPauseClick();
  ASSERT_TRUE(peer_.Send(kQuery));
  EXPECT_EQ(ReceiveAtPeer(peer_, 11), reply);

  loop_.Advance(20);
  EXPECT_EQ(peer_.ReadAvailable(), "");  // exactly 11 bytes each time
  EXPECT_TRUE(view_.Transfers().empty());
  EXPECT_EQ(device_.Receive(1, 100), "");
}

TEST_F(ClientModeTest, AQuerySplitOverTwoReadsGoesToTheDevice) {
  StartConnected();
  ASSERT_TRUE(peer_.Send(kQuery.substr(0, 4)));
  ASSERT_TRUE(WaitForTransfer("NET:4"));
  ASSERT_TRUE(peer_.Send(kQuery.substr(4)));
  ASSERT_TRUE(WaitForTransfer("NET:6"));
  EXPECT_EQ(device_.Receive(10, 2000), kQuery);
  loop_.Advance(20);
  EXPECT_EQ(peer_.ReadAvailable(), "");
}

TEST_F(ClientModeTest, RetriesEveryFiveSecondsAndConnectsOnceTheListenerIsThere) {
  Store(ClientSettings(port_));
  StartLink();
  ASSERT_TRUE(WaitForLog("Socket Error!"));  // refused: nothing listens yet
  EXPECT_FALSE(Link().PeerConnected());

  // The listener comes up 5 s after the start; the first check, 5 s after the
  // set-up ended, closes nothing, waits 100 ms and reaches it.
  loop_.Advance(5000 - loop_.Now());
  EXPECT_EQ(loop_.Sleeps(), std::vector<std::uint32_t>{1000});
  PortListener listener(port_);
  ASSERT_TRUE(listener.Listening());
  ASSERT_TRUE(loop_.AdvanceUntil([&] { return view_.Logged("Socket Connect."); }, 5000));
  const std::int64_t connectedAt = view_.FirstAt("log:Socket Connect.");
  EXPECT_GE(connectedAt, 6050 + 100);
  EXPECT_LT(connectedAt, 6050 + 200);
  EXPECT_EQ(view_.CountLogged("Socket Error!"), 1);
  EXPECT_EQ(loop_.Sleeps(), (std::vector<std::uint32_t>{1000, 100}));

  Peer peer;
  ASSERT_TRUE(loop_.WaitReal([&] { return listener.TryAccept(peer); }));
  device_.Send("up\r");
  EXPECT_EQ(ReceiveAtPeer(peer, 3), "up\r");
  // Connected: the next check leaves it alone.
  loop_.Advance(5000);
  EXPECT_EQ(loop_.Sleeps().size(), 2u);
  EXPECT_EQ(view_.CountLogged("Socket Connect."), 1);
}

TEST_F(ClientModeTest, AnyServerModeButOneIsAClientThatReconnects) {
  for (const std::int32_t mode : {2, -1, 256}) {
    SCOPED_TRACE(mode);
    const std::uint16_t port = FreePort();
    LinkSettings settings = ClientSettings(port);
    settings.ServerMode = mode;
    Store(settings);
    view_.ForgetEvents();
    StartLink();
    EXPECT_TRUE(view_.Logged("TCP Client Mode,Port:" + std::to_string(port)));
    ASSERT_TRUE(WaitForLog("Socket Error!"));
    PortListener listener(port);
    ASSERT_TRUE(listener.Listening());
    ASSERT_TRUE(loop_.AdvanceUntil([&] { return view_.Logged("Socket Connect."); },
                                   LinkController::kCheckIntervalMs + 500));
    Link().btnStopClick();
  }
}

TEST_F(ClientModeTest, AResetConnectionIsClosedAndReopenedByTheNextCheck) {
  StartConnected();
  peer_.Reset();
  ASSERT_TRUE(loop_.WaitReal([&] { return !Link().PeerConnected(); }))
      << ::testing::PrintToString(view_.Log());
  // Linux and Windows report a reset as an error and leave the connection
  // broken, still active, until the check closes it; Wine reports an orderly
  // close. Either way the next check brings the link back.
  const bool broken = view_.Logged("Socket Error!");
  EXPECT_EQ(Link().sockClient().Active(), broken);

  ASSERT_TRUE(loop_.AdvanceUntil([&] { return view_.CountLogged("Socket Connect.") == 2; }, 6000));
  EXPECT_EQ(view_.CountLogged("Socket Disconnect."), 1);
  if (broken) {
    EXPECT_GT(view_.FirstAt("log:Socket Disconnect."), 6000);
  }
  Peer again;
  ASSERT_TRUE(loop_.WaitReal([&] { return listener_->TryAccept(again); }));
  device_.Send("back\r");
  EXPECT_EQ(ReceiveAtPeer(again, 5), "back\r");
}

}  // namespace
}  // namespace keldo::test
