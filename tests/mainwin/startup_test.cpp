#include "shell/startup.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "shell/toolkit/errors.h"
#include "shell/toolkit/messages.h"
#include "tests/mainwin/window_fixture.h"
#include "tests/support/loopback.h"

namespace keldo {
namespace {

using test::WindowFixture;

class StartUpTest : public WindowFixture {};

TEST_F(StartUpTest, ASecondCopyShowsProgramRunAndLeavesTheFirstAlone) {
  toolkit_.AddForeignWindow("TfrmKELDO");  // hidden in the tray or not, any program
  EXPECT_EQ(RunKeldoLink(toolkit_), 0);
  ASSERT_EQ(toolkit_.MessageBoxes().size(), 1u);
  const ui::memory::ShownMessageBox& box = toolkit_.MessageBoxes()[0];
  EXPECT_EQ(box.text, "Program Run!");
  EXPECT_EQ(box.caption, "System Message");
  EXPECT_EQ(box.flags, ui::kMbOk);
  EXPECT_EQ(toolkit_.App().Title(), "");
  EXPECT_EQ(toolkit_.App().MainForm(), nullptr);
  EXPECT_TRUE(toolkit_.TrayIcons().empty());
}

TEST_F(StartUpTest, RunsUntilExitAndEndsWithZero) {
  Store(Settings(1, test::FreePort()));
  bool registeredWhileRunning = false;
  At(1000, [&] {
    registeredWhileRunning = toolkit_.TopLevelWindowExists("TfrmKELDO") && frmKELDO != nullptr;
    EXPECT_EQ(toolkit_.TrayIcons().size(), 1u);
    TrayCommand("&Exit");
  });
  EXPECT_EQ(RunKeldoLink(toolkit_), 0);
  EXPECT_EQ(loop_.Now(), 1000u + TfrmKELDO::kExitDelayMs);
  EXPECT_TRUE(registeredWhileRunning);
  EXPECT_EQ(toolkit_.App().Title(), "KELDO Link");
  EXPECT_EQ(frmKELDO, nullptr);
  EXPECT_TRUE(toolkit_.TrayIcons().empty());  // the icon went with the window
  EXPECT_FALSE(toolkit_.TopLevelWindowExists("TfrmKELDO"));
  EXPECT_TRUE(toolkit_.MessageBoxes().empty());
}

// With auto-start the link's start-up has run before the loop starts.
TEST_F(StartUpTest, AutoStartHasRunWhenTheLoopBegins) {
  LinkSettings s = Settings(1, test::FreePort());
  s.ServerAutoStart = 1;
  Store(s);
  LinkState stateAtFirstTick = LinkState::Stop;
  At(1, [&] {
    stateAtFirstTick = frmKELDO->Controller().State();
    TrayCommand("&Exit");
  });
  EXPECT_EQ(RunKeldoLink(toolkit_), 0);
  EXPECT_EQ(stateAtFirstTick, LinkState::Run);
}

TEST_F(StartUpTest, AnErrorInAHandlerIsShownAndTheProgramGoesOn) {
  Store(Settings(1, test::FreePort()));
  At(10, [] { throw std::runtime_error("Cannot open COM3"); });
  At(20, [] { throw ui::EAbort(); });
  At(30, [this] { TrayCommand("&Exit"); });
  EXPECT_EQ(RunKeldoLink(toolkit_), 0);
  ASSERT_EQ(toolkit_.MessageBoxes().size(), 1u);
  EXPECT_EQ(toolkit_.MessageBoxes()[0].text, "Cannot open COM3.");
  EXPECT_EQ(toolkit_.MessageBoxes()[0].caption, "KELDO Link");
  EXPECT_EQ(toolkit_.MessageBoxes()[0].flags, ui::kMbOk | ui::kMbIconStop);
  EXPECT_EQ(loop_.Now(), 30u + TfrmKELDO::kExitDelayMs);
}

}  // namespace
}  // namespace keldo
