#include "shell/frmKELDOU.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/registry.h"
#include "engine/settings_store.h"
#include "shell/art/picture.h"
#include "shell/toolkit/messages.h"
#include "tests/mainwin/window_fixture.h"
#include "tests/support/loopback.h"

namespace keldo {
namespace {

using test::WindowFixture;

class MainWindowTest : public WindowFixture {};

bool SettingsKeyExists() {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  return reg.OpenPath(kSettingsKey, false);
}

TEST_F(MainWindowTest, StateDisplayFollowsEveryCommand) {
  Store(Settings(1, test::FreePort()));
  Open();
  struct Row {
    const char* command;
    LinkState state;
    const char* panel;
    bool play, pause, stop;
    art::PictureId logo;
    art::PictureId tray;
  };
  const Row rows[] = {
      {"S&tart/Continue", LinkState::Run, "Current Run", false, true, true,
       art::PictureId::StateRun, art::PictureId::TrayRun},
      {"&Pause", LinkState::Pause, "Current Pause", true, false, true, art::PictureId::StatePause,
       art::PictureId::TrayPause},
      {"&Stop", LinkState::Stop, "Current Stop", true, false, false, art::PictureId::StateStop,
       art::PictureId::TrayStop},
      // Accepted in every state: Pause from Stop, Start from Pause.
      {"&Pause", LinkState::Pause, "Current Pause", true, false, true, art::PictureId::StatePause,
       art::PictureId::TrayPause},
      {"S&tart/Continue", LinkState::Run, "Current Run", false, true, true,
       art::PictureId::StateRun, art::PictureId::TrayRun},
      {"S&tart/Continue", LinkState::Run, "Current Run", false, true, true,
       art::PictureId::StateRun, art::PictureId::TrayRun},
  };
  for (const Row& row : rows) {
    TrayCommand(row.command);
    loop_.Advance(1200);  // any set-up is over
    SCOPED_TRACE(row.command);
    TfrmKELDO& w = Window();
    EXPECT_EQ(Link().State(), row.state);
    EXPECT_EQ(w.sbMain.PanelText(0), row.panel);
    EXPECT_EQ(w.btnPlay.Enabled(), row.play);
    EXPECT_EQ(w.btnPause.Enabled(), row.pause);
    EXPECT_EQ(w.btnStop.Enabled(), row.stop);
    EXPECT_TRUE(w.btnConfig.Enabled());
    ASSERT_NE(w.imgLogo.Picture(), nullptr);
    EXPECT_EQ(w.imgLogo.Picture()->argb, art::GetPicture(row.logo).argb);
    ASSERT_EQ(toolkit_.TrayIcons().size(), 1u);
    ASSERT_NE(toolkit_.TrayIcons()[0].hIcon, nullptr);
    EXPECT_EQ(toolkit_.TrayIcons()[0].hIcon->argb, art::GetPicture(row.tray).argb);
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(MainWindowTest, LogKeepsExactlyAHundredDisplayLinesThenEmpties) {
  Open();
  ui::Memo& log = Window().moLog;
  Window().ClearLog();
  // A line too wide for the view counts as the display lines it takes.
  Window().AppendLog(std::string(60, 'x') + " " + std::string(60, 'y') + " " +
                     std::string(30, 'z'));
  const int wrapped = log.LineCount();
  ASSERT_GE(wrapped, 2);
  while (log.LineCount() < TfrmKELDO::kLogLineLimit) {
    Window().AppendLog("Socket Connect.");
  }
  EXPECT_EQ(log.LineCount(), TfrmKELDO::kLogLineLimit);
  EXPECT_EQ(log.Lines().size(), static_cast<std::size_t>(TfrmKELDO::kLogLineLimit - wrapped + 1));
  Window().AppendLog("Socket Disconnect.");  // display line 101
  EXPECT_TRUE(log.Lines().empty());
  Window().AppendLog("Socket Connect.");
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"Socket Connect."});
  ASSERT_TRUE(toolkit_.DoubleClick(log));
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(MainWindowTest, AutoStartRunsHidesAndRewritesTheAutorunEntry) {
  LinkSettings s = Settings(1, test::FreePort(), MakeDevice());
  s.ServerAutoStart = 1;
  Store(s);
  ASSERT_FALSE(registry_.AutorunCommand().has_value());
  Open();
  TfrmKELDO& w = Window();
  EXPECT_EQ(Link().State(), LinkState::Run);
  EXPECT_TRUE(w.chkStart.Checked());
  EXPECT_TRUE(w.Form().Enabled());
  ASSERT_TRUE(registry_.AutorunCommand().has_value());
  EXPECT_NE(registry_.AutorunCommand()->find("mainwin_tests"), std::string::npos)
      << *registry_.AutorunCommand();
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"TCP Server Mode,Port:" + std::to_string(s.ServerPort),
                                      "COM" + std::to_string(s.COMPort) + ",Speed:19200,e,8,1"}));
  EXPECT_EQ(w.pnName.Caption(), "Bench 3");

  loop_.Advance(49);
  EXPECT_EQ(CountLogged("COM Port Open Ok."), 0);
  loop_.Advance(1);  // the set-up, 50 ms after the show, blocks for 1000 ms
  EXPECT_EQ(CountLogged("COM Port Open Ok."), 1);
  // The hide, due at 100 ms, came in the set-up's last event processing.
  EXPECT_TRUE(toolkit_.App().Minimized());
  EXPECT_FALSE(toolkit_.App().TaskbarEntryVisible());
  EXPECT_TRUE(w.Form().Visible());
  EXPECT_GE(loop_.Now(), 1050u);
}

TEST_F(MainWindowTest, HideComesAHundredMillisecondsAfterTheShow) {
  LinkSettings s = Settings(1, test::FreePort());
  s.ServerAutoStart = 1;
  Store(s);
  Open();
  // Keep the set-up from blocking the clock past the hide.
  Link().tmrConnect().SetEnabled(false);
  loop_.Advance(99);
  EXPECT_FALSE(toolkit_.App().Minimized());
  loop_.Advance(1);
  EXPECT_TRUE(toolkit_.App().Minimized());
}

TEST_F(MainWindowTest, AnUnchangedBoxTouchesNeitherTheAutorunEntryNorTheSettings) {
  Open();  // no settings key: the defaults, ServerAutoStart 0
  EXPECT_FALSE(Window().chkStart.Checked());
  EXPECT_FALSE(SettingsKeyExists());
  EXPECT_FALSE(registry_.AutorunCommand().has_value());

  // A box ticked by the user writes both; the link is not started.
  ASSERT_TRUE(toolkit_.Click(Window().chkStart));
  EXPECT_TRUE(registry_.AutorunCommand().has_value());
  LinkSettings stored;
  Load(stored);
  EXPECT_EQ(stored.ServerAutoStart, 1);
  EXPECT_EQ(stored.ServerMode, 1);  // a fresh key still means server mode
  EXPECT_EQ(Link().State(), LinkState::Stop);

  // Reloading with the box as it is changes nothing; clearing removes both.
  Link().LoadSettingsAndReport();
  EXPECT_TRUE(registry_.AutorunCommand().has_value());
  ASSERT_TRUE(toolkit_.Click(Window().chkStart));
  EXPECT_FALSE(registry_.AutorunCommand().has_value());
  Load(stored);
  EXPECT_EQ(stored.ServerAutoStart, 0);
}

// A standard user ticks the box: the per-user entry may be written, the
// machine-wide setting may not. The box shows what is stored, the entry goes
// with it, and the user is told why.
TEST_F(MainWindowTest, ARefusedAutoStartIsReportedAndTheBoxShowsWhatIsStored) {
  Open();
  ASSERT_TRUE(registry_.RefuseSettingsWrites());
  ASSERT_TRUE(toolkit_.Click(Window().chkStart));
  EXPECT_FALSE(Window().chkStart.Checked());
  EXPECT_FALSE(registry_.AutorunCommand().has_value());
  EXPECT_EQ(Link().Settings().ServerAutoStart, 0);
  const auto& boxes = toolkit_.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, TfrmKELDO::kCaption);
  EXPECT_EQ(boxes[0].text,
            "The settings were not saved: cannot open "
            "HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO for writing.");
  EXPECT_EQ(boxes[0].flags, ui::kMbOk | ui::kMbIconStop);
}

TEST_F(MainWindowTest, TickingTheBoxWhileRunningLeavesTheLinkAlone) {
  Store(Settings(1, test::FreePort()));
  Open();
  TrayCommand("S&tart/Continue");
  loop_.Advance(1100);
  ASSERT_EQ(Link().State(), LinkState::Run);
  ASSERT_TRUE(toolkit_.Click(Window().chkStart));
  loop_.Advance(100);
  EXPECT_EQ(Link().State(), LinkState::Run);
  EXPECT_EQ(Window().sbMain.PanelText(0), "Current Run");
}

TEST_F(MainWindowTest, EnterOnTheCheckBoxStartsTheLink) {
  Store(Settings(1, test::FreePort()));
  Open();
  Window().chkStart.SetFocus();
  ASSERT_TRUE(Window().chkStart.Focused());
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkReturn));
  EXPECT_EQ(Link().State(), LinkState::Run);
  EXPECT_FALSE(Window().chkStart.Checked());
  EXPECT_FALSE(Window().Form().Enabled());  // until the set-up is over
  loop_.Advance(1050);
  EXPECT_TRUE(Window().Form().Enabled());
  EXPECT_EQ(CountLogged("COM Port Open Error!"), 1);
}

TEST_F(MainWindowTest, MinimiseAndRestoreFromTheTrayKeepTheLog) {
  Store(Settings(1, test::FreePort()));
  Open();
  Window().AppendLog("Socket Connect.");
  const std::vector<std::string> before = Log();
  ASSERT_TRUE(toolkit_.SystemCommand(Window().Form(), ui::kScMinimize));
  EXPECT_TRUE(toolkit_.App().Minimized());
  EXPECT_FALSE(toolkit_.App().TaskbarEntryVisible());
  ASSERT_TRUE(toolkit_.DoubleClickTrayIcon());
  EXPECT_FALSE(toolkit_.App().Minimized());
  EXPECT_TRUE(toolkit_.App().TaskbarEntryVisible());
  EXPECT_EQ(Log(), before);

  ASSERT_TRUE(toolkit_.SystemCommand(Window().Form(), ui::kScMinimize));
  TrayCommand("&Restore");
  EXPECT_FALSE(toolkit_.App().Minimized());
  EXPECT_EQ(Log(), before);
  EXPECT_EQ(Link().State(), LinkState::Stop);
}

TEST_F(MainWindowTest, TheMenuOffersNineItemsAndTheWindowNoClose) {
  Open();
  ASSERT_EQ(Window().mnuMain->Count(), 9);
  std::string captions;
  for (int i = 0; i < Window().mnuMain->Count(); ++i) {
    const ui::MenuItem& item = Window().mnuMain->Item(i);
    captions += item.IsSeparator() ? std::string("-") : item.Caption();
    captions += '|';
  }
  EXPECT_EQ(captions, "&Stop|&Pause|S&tart/Continue|-|&Config|-|&Exit|-|&Restore|");
  EXPECT_FALSE(toolkit_.SystemCommand(Window().Form(), ui::kScClose));
  EXPECT_TRUE(Window().Form().Visible());
}

}  // namespace
}  // namespace keldo
