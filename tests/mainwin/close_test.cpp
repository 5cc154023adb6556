#include "shell/frmKELDOU.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include "shell/frmConfigU.h"
#include "shell/toolkit/memory/form.h"
#include "shell/toolkit/messages.h"
#include "tests/mainwin/window_fixture.h"
#include "tests/support/loopback.h"
#include "tests/support/port_listener.h"
#include "tests/support/test_loop.h"

namespace keldo {
namespace {

using test::WindowFixture;

class CloseTest : public WindowFixture {
 protected:
  bool Ended() { return toolkit_.App().Terminated(); }
  // Runs the loop until the window has closed for good; the fake time then.
  std::uint64_t RunToEnd(std::uint64_t limitMs = 2000) {
    EXPECT_TRUE(loop_.AdvanceUntil([this] { return Ended(); }, limitMs));
    return loop_.Now();
  }
};

TEST_F(CloseTest, SecondRequestInsideTheDelayDoesNotMoveTheEnd) {
  Store(Settings(1, test::FreePort()));
  Open();
  const std::uint64_t first = loop_.Now();
  ASSERT_TRUE(toolkit_.Click(Window().btnClose));
  EXPECT_TRUE(Window().Form().Visible());  // refused, silently
  loop_.Advance(200);
  TrayCommand("&Exit");
  loop_.Advance(99);
  EXPECT_FALSE(Ended());
  EXPECT_TRUE(Window().Form().Visible());
  EXPECT_EQ(RunToEnd(), first + TfrmKELDO::kExitDelayMs);
  EXPECT_FALSE(Window().Form().Visible());
  EXPECT_TRUE(toolkit_.MessageBoxes().empty());
  EXPECT_TRUE(errors_.empty());
}

TEST_F(CloseTest, ExitWhileLinkedAsClientClosesAtOnceAndEndsLater) {
  const std::uint16_t port = test::FreePort();
  test::PortListener server(port);
  ASSERT_TRUE(server.Listening());
  Store(Settings(0, port, MakeDevice()));
  Open();
  TrayCommand("S&tart/Continue");
  test::Peer accepted;
  loop_.Advance(60);  // the set-up has started the connect
  // The connect may still wait on the loop (a lookup, its completion), so the
  // accept must not block it.
  ASSERT_TRUE(loop_.WaitReal([&] { return server.TryAccept(accepted); }))
      << ::testing::PrintToString(Log());
  loop_.Advance(1000);
  ASSERT_EQ(CountLogged("Socket Connect."), 1);
  ASSERT_TRUE(Link().Serial().PortOpen());

  const std::uint64_t exitAt = loop_.Now();
  TrayCommand("&Exit");
  EXPECT_FALSE(Link().Serial().PortOpen());
  EXPECT_FALSE(Link().sockClient().Active());
  EXPECT_EQ(CountLogged("Socket Disconnect."), 1);
  EXPECT_EQ(Link().State(), LinkState::Run);  // the display stays as it was
  EXPECT_EQ(RunToEnd(), exitAt + TfrmKELDO::kExitDelayMs);
  EXPECT_TRUE(test::WaitUntil(loop_, [&] { return accepted.AtEnd(); }));
}

// The reconnect check falls inside the last 300 ms: it must not connect
// again to a server that came back meanwhile.
TEST_F(CloseTest, NoReconnectInsideTheCloseDelay) {
  const std::uint16_t port = test::FreePort();
  Store(Settings(0, port));
  Open();
  TrayCommand("S&tart/Continue");
  loop_.Advance(1100);  // the first attempt is refused
  ASSERT_TRUE(test::WaitUntil(loop_, [this] { return CountLogged("Socket Error!") == 1; }));
  test::PortListener back(port);
  ASSERT_TRUE(back.Listening());
  // The set-up ran from 50 to 1050; the check ticks 5000 ms later.
  constexpr std::uint64_t kCheckAt = 1050 + 5000;
  ASSERT_LT(loop_.Now(), kCheckAt - 100);
  loop_.Advance(kCheckAt - 100 - loop_.Now());
  TrayCommand("&Exit");
  RunToEnd();
  test::RunFor(loop_, std::chrono::milliseconds(50));
  test::Peer nobody;
  EXPECT_FALSE(back.TryAccept(nobody));
  EXPECT_EQ(CountLogged("Socket Connect."), 0);
  EXPECT_EQ(CountLogged("Socket Error!"), 1);
}

// Start chosen and Exit right after: the set-up due 50 ms later would open
// the port and the listener inside the last 300 ms.
TEST_F(CloseTest, NothingOpensAfterTheFirstPhase) {
  const std::uint16_t port = test::FreePort();
  Store(Settings(1, port, MakeDevice()));
  Open();
  TrayCommand("S&tart/Continue");
  TrayCommand("&Exit");
  loop_.Advance(150);
  TrayCommand("S&tart/Continue");  // ignored now
  loop_.Advance(100);
  test::Peer peer;
  EXPECT_FALSE(peer.Connect(port));
  RunToEnd();
  EXPECT_EQ(CountLogged("COM Port Open Ok."), 0);
  EXPECT_EQ(CountLogged("COM Port Open Error!"), 0);
  EXPECT_FALSE(Link().Serial().PortOpen());
}

// Exit during the set-up's own event processing: the set-up goes on, but
// what it opened is closed again, and the program still ends.
TEST_F(CloseTest, ExitDuringTheSetUpLeavesNothingOpen) {
  const std::uint16_t port = test::FreePort();
  Store(Settings(1, port, MakeDevice()));
  Open();
  TrayCommand("S&tart/Continue");
  At(500, [this] { TrayCommand("&Exit"); });  // comes due inside the 1000 ms block
  RunToEnd();
  EXPECT_EQ(CountLogged("COM Port Open Ok."), 1);
  EXPECT_FALSE(Link().Serial().PortOpen());
  EXPECT_FALSE(Link().sockServer().Active());
  EXPECT_FALSE(Link().tmrPooling().Enabled());
  EXPECT_FALSE(Link().tmrCheck().Enabled());
}

TEST_F(CloseTest, ExitWhileTheDialogIsShownEndsTheProgram) {
  Store(Settings(1, test::FreePort()));
  Open();
  int dialogs = 0;
  toolkit_.OnModalStart = [&](ui::Form& form) {
    ++dialogs;
    // Were the dialog to outlive the exit, this ends the test's wait.
    At(5000, [&form] { form.SetModalResult(ui::mrCancel); });
    TrayCommand("&Exit");
  };
  const std::uint64_t start = loop_.Now();
  ASSERT_TRUE(toolkit_.Click(Window().btnConfig));  // returns when the dialog is gone
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(Ended());
  EXPECT_EQ(loop_.Now(), start + TfrmKELDO::kExitDelayMs);
  EXPECT_EQ(Window().OpenConfigDialogs(), 0);
  EXPECT_EQ(toolkit_.ModalForm(), nullptr);
  EXPECT_FALSE(toolkit_.TopLevelWindowExists(TfrmConfig::kClassName));
}

TEST_F(CloseTest, ASecondConfigOpensOverTheFirstAndEachGoesAlone) {
  Open();
  std::vector<ui::Form*> opened;
  std::vector<int> openCounts;
  toolkit_.OnModalStart = [&](ui::Form& form) {
    opened.push_back(&form);
    openCounts.push_back(Window().OpenConfigDialogs());
    if (opened.size() == 1) {
      TrayCommand("&Config");  // runs the second dialog's whole showing
      EXPECT_EQ(Window().OpenConfigDialogs(), 1);
      EXPECT_TRUE(toolkit_.TopLevelWindowExists(TfrmConfig::kClassName));
    }
    form.Close();
  };
  ASSERT_TRUE(toolkit_.Click(Window().btnConfig));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_NE(opened[0], opened[1]);
  EXPECT_EQ(openCounts, (std::vector<int>{1, 2}));
  EXPECT_EQ(Window().OpenConfigDialogs(), 0);
  EXPECT_FALSE(toolkit_.TopLevelWindowExists(TfrmConfig::kClassName));
}

// A dialog opened inside the set-up would hold the link half set up.
TEST_F(CloseTest, ConfigChosenDuringTheSetUpOpensWhenItIsOver) {
  Store(Settings(1, test::FreePort(), MakeDevice()));
  Open();
  bool pollingWhenShown = false;
  std::uint64_t shownAt = 0;
  toolkit_.OnModalStart = [&](ui::Form& form) {
    pollingWhenShown = Link().tmrPooling().Enabled();
    shownAt = loop_.Now();
    form.Close();
  };
  TrayCommand("S&tart/Continue");
  At(500, [this] { TrayCommand("&Config"); });
  loop_.Advance(1200);
  EXPECT_EQ(shownAt, 1050u);
  EXPECT_TRUE(pollingWhenShown);
  EXPECT_TRUE(Window().Form().Enabled());
  EXPECT_EQ(Window().OpenConfigDialogs(), 0);
}

// Errors that repeat while the error box is open are logged, not stacked.
TEST_F(CloseTest, ErrorsWhileTheBoxIsOpenGoToTheLog) {
  Open();
  loop_.SetErrorReport([this](const std::exception& e) { toolkit_.App().HandleException(e); });
  toolkit_.App().SetTitle("KELDO Link");
  auto failing = loop_.CreateTimer();
  failing->SetInterval(5000);
  failing->SetOnTimer([] { throw std::runtime_error("Asynchronous socket error 10061"); });
  failing->SetEnabled(true);
  int boxes = 0;
  toolkit_.OnMessageBox = [&](const ui::memory::ShownMessageBox&) {
    ++boxes;
    if (boxes == 1) {
      loop_.Advance(12000);  // two failures while the user looks at the box
    }
    return ui::kIdOk;
  };
  toolkit_.App().HandleException(std::runtime_error("Asynchronous socket error 10061"));
  EXPECT_EQ(boxes, 1);
  ASSERT_EQ(toolkit_.MessageBoxes().size(), 1u);
  EXPECT_EQ(toolkit_.MessageBoxes()[0].text, "Asynchronous socket error 10061.");
  EXPECT_EQ(toolkit_.MessageBoxes()[0].caption, "KELDO Link");
  EXPECT_EQ(toolkit_.MessageBoxes()[0].flags, ui::kMbOk | ui::kMbIconStop);
  EXPECT_EQ(CountLogged("Asynchronous socket error 10061."), 2);
  EXPECT_EQ(toolkit_.App().ErrorsNotShown(), 2);
  loop_.Advance(5000);  // with the box closed, the next failure has one again
  EXPECT_EQ(boxes, 2);
  failing.reset();
}

}  // namespace
}  // namespace keldo
