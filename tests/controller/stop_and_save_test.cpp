#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/settings_store.h"
#include "tests/controller/link_fixture.h"

namespace keldo::test {
namespace {

using Lines = std::vector<std::string>;

class StopAndSaveTest : public LinkFixture {
 protected:
  std::vector<std::string> LogEvents() const {
    std::vector<std::string> logs;
    for (const auto& e : view_.Events()) {
      if (e.what.rfind("log:", 0) == 0) {
        logs.push_back(e.what.substr(4));
      }
    }
    return logs;
  }

  void ExpectStopped() {
    EXPECT_EQ(Link().State(), LinkState::Stop);
    EXPECT_TRUE(Link().Halted());
    EXPECT_FALSE(Link().PeerConnected());
    EXPECT_FALSE(Link().sockServer().Active());
    EXPECT_FALSE(Link().sockClient().Active());
    EXPECT_FALSE(Link().Serial().PortOpen());
    EXPECT_FALSE(Link().tmrPooling().Enabled());
    EXPECT_FALSE(Link().tmrCheck().Enabled());
    EXPECT_TRUE(view_.InputEnabled());
  }
};

TEST_F(StopAndSaveTest, StopInServerModeDropsEveryPeerSilentlyAndStartListensAgain) {
  const std::uint16_t port = FreePort();
  Store(ServerSettings(port));
  StartLink();
  Peer a;
  Peer b;
  ASSERT_TRUE(a.Connect(port));
  ASSERT_TRUE(b.Connect(port));
  ASSERT_TRUE(WaitForLog("Socket Connect.", 2));

  view_.ForgetEvents();
  Link().btnStopClick();
  ExpectStopped();
  EXPECT_TRUE(LogEvents().empty());  // the server's connections go without events
  EXPECT_EQ(view_.Events().front().what, "state:0");
  EXPECT_EQ(view_.Events()[1].what, "input:0");
  EXPECT_TRUE(loop_.WaitReal([&] { return a.AtEnd() && b.AtEnd(); }));

  Link().btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs);
  EXPECT_EQ(view_.CountLogged("COM Port Open Ok."), 1);
  Peer c;
  ASSERT_TRUE(c.Connect(port));
  ASSERT_TRUE(WaitForLog("Socket Connect."));
  device_.Send("again\r");
  EXPECT_EQ(ReceiveAtPeer(c, 6), "again\r");
}

// A peer that connects and asks while the set-up after a Stop waits is heard,
// as at the first start.
TEST_F(StopAndSaveTest, AfterAStopARequestDuringTheSetUpsWaitReachesTheDevice) {
  const std::uint16_t port = FreePort();
  Store(ServerSettings(port));
  StartLink();
  Link().btnStopClick();
  Peer peer;
  loop_.OnSleep([&](std::uint32_t) {
    loop_.OnSleep(nullptr);
    ASSERT_TRUE(peer.Connect(port));
    ASSERT_TRUE(peer.Send("T\r"));
    // Handled within the wait, as they may be on any platform.
    EXPECT_TRUE(WaitForTransfer("NET:2"));
  });
  Link().btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs);
  EXPECT_EQ(device_.Receive(2, 3000), "T\r");
}

TEST_F(StopAndSaveTest, StopInClientModeLogsTheDisconnectAndStartConnectsAgain) {
  const std::uint16_t port = FreePort();
  PortListener listener(port);
  ASSERT_TRUE(listener.Listening());
  Store(ClientSettings(port));
  StartLink();
  ASSERT_TRUE(WaitForLog("Socket Connect."));
  Peer first;
  ASSERT_TRUE(loop_.WaitReal([&] { return listener.TryAccept(first); }));

  view_.ForgetEvents();
  Link().btnStopClick();
  ExpectStopped();
  EXPECT_EQ(LogEvents(), Lines{"Socket Disconnect."});
  EXPECT_TRUE(loop_.WaitReal([&] { return first.AtEnd(); }));

  Link().btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs);
  ASSERT_TRUE(WaitForLog("Socket Connect."));
  Peer second;
  ASSERT_TRUE(loop_.WaitReal([&] { return listener.TryAccept(second); }));
  ASSERT_TRUE(second.Send("hi"));
  ASSERT_TRUE(WaitForTransfer("NET:2"));
  EXPECT_EQ(device_.Receive(2, 2000), "hi");
}

TEST_F(StopAndSaveTest, StopThenPauseThenStartSetsTheLinkUpAsFromStop) {
  const std::uint16_t port = FreePort();
  Store(ServerSettings(port));
  StartLink();
  Link().btnStopClick();
  Link().btnPauseClick();
  Link().btnPlayClick();
  EXPECT_EQ(Link().State(), LinkState::Run);
  loop_.Advance(LinkController::kConnectDelayMs);
  EXPECT_EQ(loop_.Sleeps().size(), 2u);
  EXPECT_EQ(view_.CountLogged("COM Port Open Ok."), 2);
  EXPECT_TRUE(Link().sockServer().Active());
  EXPECT_TRUE(Link().Serial().PortOpen());
  EXPECT_TRUE(Link().tmrPooling().Enabled());
  Peer peer;
  ASSERT_TRUE(peer.Connect(port));
  ASSERT_TRUE(WaitForLog("Socket Connect."));
  device_.Send("up\r");
  EXPECT_EQ(ReceiveAtPeer(peer, 3), "up\r");
}

// Commands that come while the link set-up waits for the connection (the
// tray menu stays usable, and after an automatic start so does the window)
// are what holds afterwards.
enum class Command { Start, Pause, Stop };

struct CommandsAroundSetUp {
  const char* name;
  std::vector<Command> commands;
  bool beforeTheTick;  // within the 50 ms before the set-up, else during its wait
  LinkState end;
};

const CommandsAroundSetUp kCommandsAroundSetUp[] = {
    {"pause during the wait", {Command::Pause}, false, LinkState::Pause},
    {"pause before the set-up", {Command::Pause}, true, LinkState::Pause},
    {"stop during the wait", {Command::Stop}, false, LinkState::Stop},
    {"stop before the set-up", {Command::Stop}, true, LinkState::Stop},
    {"stop, pause and start during the wait",
     {Command::Stop, Command::Pause, Command::Start},
     false,
     LinkState::Run},
};

TEST_F(StopAndSaveTest, CommandsGivenAroundTheSetUpAreNotUndoneByIt) {
  const std::uint16_t port = FreePort();
  Store(ServerSettings(port));
  MakeLink();
  Link().FormShow();
  for (const CommandsAroundSetUp& c : kCommandsAroundSetUp) {
    SCOPED_TRACE(c.name);
    const auto give = [&] {
      for (const Command command : c.commands) {
        if (command == Command::Start) {
          Link().btnPlayClick();
        } else if (command == Command::Pause) {
          Link().btnPauseClick();
        } else {
          Link().btnStopClick();
        }
      }
    };
    Link().btnPlayClick();
    if (c.beforeTheTick) {
      loop_.Advance(10);
      give();
    } else {
      loop_.OnSleep([&](std::uint32_t) {
        loop_.OnSleep(nullptr);
        loop_.Post(give);
      });
    }
    loop_.Advance(LinkController::kConnectDelayMs);
    loop_.OnSleep(nullptr);
    loop_.Advance(6000);

    const bool open = c.end != LinkState::Stop;
    EXPECT_EQ(Link().State(), c.end);
    EXPECT_EQ(Link().Halted(), c.end != LinkState::Run);
    EXPECT_EQ(Link().tmrPooling().Enabled(), c.end == LinkState::Run);
    EXPECT_FALSE(Link().tmrConnect().Enabled());
    EXPECT_TRUE(view_.InputEnabled());
    // Paused: open and waiting; stopped: nothing open.
    EXPECT_EQ(Link().sockServer().Active(), open);
    EXPECT_EQ(Link().Serial().PortOpen(), open);
    EXPECT_EQ(Link().tmrCheck().Enabled(), open);

    if (c.end == LinkState::Pause) {
      // Nothing moves while paused; Start resumes without a new set-up.
      Peer peer;
      ASSERT_TRUE(peer.Connect(port));
      ASSERT_TRUE(WaitForLog("Socket Connect."));
      device_.Send("held\r");
      loop_.Advance(100);
      EXPECT_EQ(peer.ReadAvailable(), "");
      const std::size_t setUps = loop_.Sleeps().size();
      Link().btnPlayClick();
      EXPECT_EQ(ReceiveAtPeer(peer, 5), "held\r");
      EXPECT_EQ(loop_.Sleeps().size(), setUps);
    }
    Link().btnStopClick();
    view_.ForgetEvents();
  }
}

// A Stop, or the first phase of the window's close, that lands in the
// reconnect check's wait ends the check: no connect starts behind it.
TEST_F(StopAndSaveTest, AStopOrExitDuringTheReconnectWaitIsNotFollowedByAConnect) {
  for (const bool exit : {false, true}) {
    SCOPED_TRACE(exit ? "exit" : "stop");
    const std::uint16_t port = FreePort();
    Store(ClientSettings(port));
    StartLink();
    ASSERT_TRUE(WaitForLog("Socket Error!"));  // nothing listens yet
    PortListener listener(port);
    ASSERT_TRUE(listener.Listening());
    const std::size_t sleepsBefore = loop_.Sleeps().size();
    loop_.OnSleep([&](std::uint32_t ms) {
      if (ms == LinkController::kReconnectPauseMs) {
        loop_.Post([&] { exit ? Link().CloseForExit() : Link().btnStopClick(); });
      }
    });
    loop_.Advance(LinkController::kCheckIntervalMs);
    loop_.OnSleep(nullptr);
    const std::vector<std::uint32_t> sleeps(loop_.Sleeps().begin() + sleepsBefore,
                                            loop_.Sleeps().end());
    EXPECT_EQ(sleeps, std::vector<std::uint32_t>{LinkController::kReconnectPauseMs});
    EXPECT_FALSE(Link().sockClient().Active());
    EXPECT_EQ(Link().State(), exit ? LinkState::Run : LinkState::Stop);
    EXPECT_FALSE(Link().tmrCheck().Enabled());
    loop_.Advance(LinkController::kCheckIntervalMs);
    EXPECT_FALSE(loop_.WaitReal([&] { return view_.Logged("Socket Connect."); },
                                std::chrono::milliseconds(300)));
    Peer nobody;
    EXPECT_FALSE(listener.TryAccept(nobody));
    Link().btnStopClick();
    view_.ForgetEvents();
  }
}

// The same close inside the set-up's wait: the set-up arms neither the poll
// nor the reconnect check, so nothing connects after the exit.
TEST_F(StopAndSaveTest, AnExitDuringTheSetUpWaitLeavesNothingToReopenTheLink) {
  const std::uint16_t port = FreePort();
  Store(ClientSettings(port));
  loop_.OnSleep([&](std::uint32_t ms) {
    if (ms == LinkController::kSetUpWaitMs) {
      loop_.Post([&] { Link().CloseForExit(); });
    }
  });
  StartLink();
  loop_.OnSleep(nullptr);
  EXPECT_FALSE(Link().Serial().PortOpen());
  EXPECT_FALSE(Link().sockClient().Active());
  EXPECT_FALSE(Link().tmrPooling().Enabled());
  EXPECT_FALSE(Link().tmrCheck().Enabled());

  PortListener listener(port);
  ASSERT_TRUE(listener.Listening());
  loop_.Advance(2 * LinkController::kCheckIntervalMs);
  EXPECT_EQ(loop_.Sleeps(), std::vector<std::uint32_t>{1000});
  Peer nobody;
  EXPECT_FALSE(listener.TryAccept(nobody));
}

TEST_F(StopAndSaveTest, SaveWhileRunningStoresReportsAndLeavesTheLinkStopped) {
  const std::uint16_t oldPort = FreePort();
  Store(ServerSettings(oldPort));
  StartLink();
  Peer peer;
  ASSERT_TRUE(peer.Connect(oldPort));
  ASSERT_TRUE(WaitForLog("Socket Connect."));

  const std::uint16_t newPort = FreePort();
  Link().Settings().ServerPort = newPort;
  Link().Settings().ServerName = "Line 2";
  Link().Settings().COMBaud = 10;
  view_.ForgetEvents();
  const StoreResult stored = Link().SaveSettingsAndRestart();
  EXPECT_TRUE(stored.written) << stored.failure;
  EXPECT_EQ(view_.Log(), (Lines{"TCP Server Mode,Port:" + std::to_string(newPort),
                                "COM" + std::to_string(comPort_) + ",Speed:115200,n,8,1"}));
  EXPECT_EQ(view_.Events().front().what, "clear");
  EXPECT_GE(view_.FirstAt("name:Line 2"), 0);
  ExpectStopped();
  EXPECT_TRUE(loop_.WaitReal([&] { return peer.AtEnd(); }));

  LinkSettings reloaded;
  Load(reloaded);
  EXPECT_EQ(reloaded.ServerPort, newPort);
  EXPECT_EQ(reloaded.ServerName, "Line 2");

  // Stopped until the user starts it again, then on the new port.
  loop_.Advance(6000);
  EXPECT_FALSE(Link().sockServer().Active());
  Link().btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs);
  Peer onNewPort;
  ASSERT_TRUE(onNewPort.Connect(newPort));
  ASSERT_TRUE(WaitForLog("Socket Connect."));
}

}  // namespace
}  // namespace keldo::test
