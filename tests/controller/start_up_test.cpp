#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/settings_store.h"
#include "tests/controller/link_fixture.h"

namespace keldo::test {
namespace {

using Lines = std::vector<std::string>;

class StartUpTest : public LinkFixture {};

// A network open that fails at once in the set-up is reported to the view
// with the error's text; the serial side is set up all the same.
TEST_F(StartUpTest, ANetworkOpenThatFailsAtSetUpIsReportedToTheView) {
  const std::uint16_t taken = FreePort();
  PortListener squatter(taken);
  ASSERT_TRUE(squatter.Listening());
  LinkSettings outOfRange = ServerSettings(0);
  outOfRange.ServerPort = 70000;
  struct Case {
    LinkSettings settings;
    std::string failure;  // "" for none
  };
  const Case cases[] = {
      {ServerSettings(FreePort()), ""},
      {ServerSettings(taken), "on API 'bind'"},
      {outOfRange, "(10022), on API 'bind'"},
      {ClientSettings(0), "(10022), on API 'connect'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    Store(c.settings);
    view_.ForgetEvents();
    StartLink();
    std::vector<std::string> failures;
    for (const auto& e : view_.Events()) {
      if (e.what.rfind("network failed:", 0) == 0) {
        failures.push_back(e.what);
      }
    }
    if (c.failure.empty()) {
      EXPECT_TRUE(failures.empty());
    } else {
      ASSERT_EQ(failures.size(), 1u);
      EXPECT_NE(failures[0].find(c.failure), std::string::npos) << failures[0];
    }
    EXPECT_TRUE(view_.Logged("COM Port Open Ok."));
    Link().btnStopClick();
  }
}

TEST_F(StartUpTest, WithoutAStoredKeyReportsTheDefaultsAndStaysStopped) {
  MakeLink();
  Link().FormShow();

  EXPECT_EQ(view_.Log(), (Lines{"TCP Server Mode,Port:5001", "COM1,Speed:19200,e,8,1"}));
  EXPECT_EQ(Link().State(), LinkState::Stop);
  EXPECT_TRUE(Link().PeerConnected());
  std::vector<std::string> outputs;
  for (const auto& e : view_.Events()) {
    if (e.what.rfind("log:", 0) != 0) {
      outputs.push_back(e.what);
    }
  }
  EXPECT_EQ(outputs,
            (Lines{"clear", "clear", "autostart:0", "name:KELDO", "state:0", "cursor", "input:1"}));
  loop_.Advance(10000);
  EXPECT_FALSE(view_.Logged("COM Port Open Ok."));
  EXPECT_FALSE(view_.Logged("COM Port Open Error!"));
  EXPECT_TRUE(loop_.Sleeps().empty());
}

TEST_F(StartUpTest, AutoStartRunsAtOnceHidesAndSetsUpFiftyMillisecondsLater) {
  const std::uint16_t port = FreePort();
  LinkSettings settings = ServerSettings(port);
  settings.ServerAutoStart = 1;
  settings.ServerName = "Scale 3";
  Store(settings);
  MakeLink();
  Link().FormShow();

  EXPECT_EQ(Link().State(), LinkState::Run);
  EXPECT_EQ(view_.FirstAt("trayhide"), 0);
  EXPECT_EQ(view_.FirstAt("autostart:1"), 0);
  EXPECT_EQ(view_.FirstAt("name:Scale 3"), 0);
  EXPECT_TRUE(view_.InputEnabled());  // usable again at once; the set-up comes later

  loop_.Advance(49);
  EXPECT_FALSE(view_.Logged("COM Port Open Ok."));
  loop_.Advance(1);
  EXPECT_EQ(view_.FirstAt("log:COM Port Open Ok."), 50);
  EXPECT_EQ(loop_.Sleeps(), std::vector<std::uint32_t>{1000});
  EXPECT_EQ(loop_.Now(), 1050u);
  EXPECT_TRUE(Link().tmrPooling().Enabled());
  EXPECT_TRUE(Link().tmrCheck().Enabled());
  EXPECT_FALSE(Link().tmrConnect().Enabled());  // one-shot
  EXPECT_FALSE(Link().Halted());
  EXPECT_TRUE(Link().sockServer().Active());
}

TEST_F(StartUpTest, ClientModeReportsItsHostAndABadSpeedIndexFallsBackToTheDefaultMode) {
  for (std::int32_t comBaud : {-1, 14, 1000}) {
    LinkSettings settings = ClientSettings(6000);
    settings.ServerHost = "scale.example";
    settings.COMBaud = comBaud;
    Store(settings);
    MakeLink();
    Link().LoadSettingsAndReport();
    EXPECT_EQ(view_.Log(), (Lines{"TCP Client Mode,Port:6000", "    Host:scale.example",
                                  "COM" + std::to_string(comPort_) + ",Speed:19200,e,8,1"}))
        << comBaud;
  }
  // The port opens with that mode too: what is reported is what is used.
  Link().btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs);
  EXPECT_TRUE(view_.Logged("COM Port Open Ok."));
  EXPECT_TRUE(Link().Serial().PortOpen());
}

TEST_F(StartUpTest, APortThatDoesNotOpenIsReportedAndTheLinkStillRuns) {
  LinkSettings settings = ServerSettings(FreePort());
  settings.COMPort = 250;  // no such device
  Store(settings);
  StartLink();
  EXPECT_EQ(view_.CountLogged("COM Port Open Error!"), 1);
  EXPECT_FALSE(view_.Logged("COM Port Open Ok."));
  EXPECT_EQ(Link().State(), LinkState::Run);
  EXPECT_TRUE(Link().sockServer().Active());
  loop_.Advance(100);  // polling a closed port yields nothing
  EXPECT_TRUE(view_.Transfers().empty());
}

TEST_F(StartUpTest, StartDisablesInputForTheSetUpAndStartWhileRunningOnlyRefreshes) {
  Store(ServerSettings(FreePort()));
  MakeLink();
  Link().FormShow();
  view_.ForgetEvents();
  Link().btnPlayClick();
  EXPECT_FALSE(view_.InputEnabled());
  EXPECT_EQ(Link().State(), LinkState::Run);
  loop_.Advance(LinkController::kConnectDelayMs);
  EXPECT_TRUE(view_.InputEnabled());
  EXPECT_EQ(view_.FirstAt("input:1"), 1050);

  view_.ForgetEvents();
  Link().btnPlayClick();
  ASSERT_EQ(view_.Events().size(), 1u);
  EXPECT_EQ(view_.Events()[0].what, "state:1");
  EXPECT_FALSE(Link().tmrConnect().Enabled());
}

}  // namespace
}  // namespace keldo::test
