#include "shell/frmConfigU.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/settings_store.h"
#include "shell/toolkit/messages.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/support/loopback.h"
#include "tests/support/serial_comm_values.h"

namespace keldo::test {
namespace {

using ::testing::ElementsAre;
using ui::memory::ScrollAction;

// The seven fields the dialog edits, for comparing whole settings.
std::string Fields(const LinkSettings& s) {
  return "ID " + std::to_string(s.ServerID) + ", name " + s.ServerName + ", mode " +
         std::to_string(s.ServerMode) + ", host " + s.ServerHost + ", port " +
         std::to_string(s.ServerPort) + ", COM " + std::to_string(s.COMPort) + ", baud " +
         std::to_string(s.COMBaud) + ", auto " + std::to_string(s.ServerAutoStart);
}

LinkSettings Client() {
  LinkSettings s = DefaultLinkSettings();
  s.ServerMode = 0;
  s.ServerHost = "scale.local";
  s.ServerPort = 6001;
  s.ServerID = 42;
  s.ServerName = "Bench 3";
  s.COMPort = 4;
  s.COMBaud = 10;
  return s;
}

class ConfigDialogTest : public DialogFixture {};

// Each row: a change to the stored settings, what the dialog then shows, and
// the change "&Save" makes to them when nothing was touched.
TEST_F(ConfigDialogTest, ShowsTheStoredSettingsAndSavesThemAsShown) {
  using Change = std::function<void(LinkSettings&)>;
  struct Case {
    const char* name;
    Change stored;
    const char* id;
    const char* com;
    int baud;
    bool server;
    Change saved;
  };
  const Change none = [](LinkSettings&) {};
  const Case cases[] = {
      {"client", none, "0042", "COM4", 10, false, none},
      {"server: the disabled host is still saved", [](LinkSettings& s) { s.ServerMode = 1; },
       "0042", "COM4", 10, true, none},
      {"mode 2 is a client", [](LinkSettings& s) { s.ServerMode = 2; }, "0042", "COM4", 10, false,
       [](LinkSettings& s) { s.ServerMode = 0; }},
      {"ID 0", [](LinkSettings& s) { s.ServerID = 0; }, "0001", "COM4", 10, false,
       [](LinkSettings& s) { s.ServerID = 1; }},
      {"ID 7", [](LinkSettings& s) { s.ServerID = 7; }, "0007", "COM4", 10, false, none},
      {"ID 12000", [](LinkSettings& s) { s.ServerID = 12000; }, "9999", "COM4", 10, false,
       [](LinkSettings& s) { s.ServerID = 9999; }},
      {"speed 0", [](LinkSettings& s) { s.COMBaud = 0; }, "0042", "COM4", 0, false, none},
      // Out of the list: the link ran these at the default mode, which is saved.
      {"speed 14", [](LinkSettings& s) { s.COMBaud = 14; }, "0042", "COM4", -1, false,
       [](LinkSettings& s) { s.COMBaud = 5; }},
      {"speed -1", [](LinkSettings& s) { s.COMBaud = -1; }, "0042", "COM4", -1, false,
       [](LinkSettings& s) { s.COMBaud = 5; }},
      {"a port the list lacks", [](LinkSettings& s) { s.COMPort = 123; }, "0042", "COM123", 10,
       false, none},
      {"auto-start is left alone", [](LinkSettings& s) { s.ServerAutoStart = 7; }, "0042", "COM4",
       10, false, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkSettings stored = Client();
    c.stored(stored);
    Store(stored);
    const Outcome outcome = Interact([&](TfrmConfig& d) {
      EXPECT_EQ(d.edID.Text(), c.id);
      EXPECT_EQ(d.edName.Text(), "Bench 3");
      EXPECT_EQ(d.rbServer.Checked(), c.server);
      EXPECT_EQ(d.rbClient.Checked(), !c.server);
      EXPECT_EQ(d.edHost.Enabled(), !c.server);
      EXPECT_EQ(d.edHost.Text(), "scale.local");
      EXPECT_EQ(d.edPort.Text(), "6001");
      EXPECT_EQ(d.cmbCOM.Text(), c.com);
      EXPECT_EQ(d.cmbBaud.ItemIndex(), c.baud);
      ASSERT_TRUE(Toolkit().Click(d.btnSave));
    });
    EXPECT_TRUE(outcome.closedByUser);
    LinkSettings expected = stored;
    c.saved(expected);
    EXPECT_EQ(Fields(Stored()), Fields(expected));
    EXPECT_EQ(Fields(Link().Settings()), Fields(expected));
  }
}

TEST_F(ConfigDialogTest, SaveConvertsThePortTexts) {
  struct Case {
    const char* com;
    const char* port;
    std::int32_t comPort;
    std::int32_t serverPort;
  };
  const Case cases[] = {
      {"COM10", "", 10, 5001},      {"COM", "abc", 1, 5001},
      {"COM 7", "99999", 7, 99999},                           // the rest's leading space is skipped
      {"COM3x", "-1", 1, -1},       {"VCOM5", "$1F", 1, 31},  // the rest is "M5"
      {"", "12 ", 1, 5001},         {"XYZ12", "7", 12, 7},    // any three characters go
      {"COM$10", "7", 16, 7},
  };
  Store(Client());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.com) + " / " + c.port);
    Interact([&](TfrmConfig& d) {
      d.cmbCOM.SetText(c.com);
      d.edPort.SetText(c.port);
      ASSERT_TRUE(Toolkit().Click(d.btnSave));
    });
    EXPECT_EQ(Stored().COMPort, c.comPort);
    EXPECT_EQ(Stored().ServerPort, c.serverPort);
  }
}

TEST_F(ConfigDialogTest, SaveStoresWhatTheUserEntered) {
  Store(Client());
  const Outcome outcome = Interact([&](TfrmConfig& d) {
    Toolkit().Type(d.edName, "Line 2 scale, hall B, west wall, by the door", true);
    ASSERT_TRUE(Toolkit().Click(d.rbServer));
    EXPECT_FALSE(d.edHost.Enabled());
    ASSERT_TRUE(Toolkit().Click(d.rbClient));
    ASSERT_TRUE(Toolkit().Type(d.edHost, "10.1.2.3", true));
    ASSERT_TRUE(Toolkit().Type(d.edPort, "123456", true));
    ASSERT_TRUE(Toolkit().ChooseItem(d.cmbBaud, 3));
    ASSERT_TRUE(Toolkit().Type(d.cmbCOM, "COM12", true));
    ASSERT_TRUE(Toolkit().Scroll(d.sbID, ScrollAction::PageRight));
    ASSERT_TRUE(Toolkit().Scroll(d.sbID, ScrollAction::LineLeft));
    EXPECT_EQ(d.edID.Text(), "0051");
    EXPECT_FALSE(Toolkit().Type(d.edID, "7"));  // read-only
    ASSERT_TRUE(Toolkit().Click(d.btnSave));
  });
  EXPECT_TRUE(outcome.closedByUser);
  LinkSettings expected = Client();
  expected.ServerName = "Line 2 scale, hall B, west wall, by the ";  // 40 characters typed
  expected.ServerHost = "10.1.2.3";
  expected.ServerPort = 12345;
  expected.COMBaud = 3;
  expected.COMPort = 12;
  expected.ServerID = 51;
  EXPECT_EQ(Fields(Stored()), Fields(expected));
}

// Every way out but "&Save" stores nothing and leaves the link's settings
// and log alone; Escape does nothing at all.
TEST_F(ConfigDialogTest, OnlySaveStoresAndEnterClosesWithoutSaving) {
  struct Case {
    const char* name;
    std::function<void(TfrmConfig&)> act;
    bool closes;
    bool saves;
  };
  auto& tk = Toolkit();
  using Pick = ui::Control& (*)(TfrmConfig&);
  auto enterIn = [&tk](Pick pick) {
    return [&tk, pick](TfrmConfig& d) {
      pick(d).SetFocus();
      ASSERT_TRUE(pick(d).Focused());
      tk.PressKey(ui::kVkReturn);
    };
  };
  const Case cases[] = {
      {"Enter in the name", enterIn([](TfrmConfig& d) -> ui::Control& { return d.edName; }), true,
       false},
      {"Enter in the identifier", enterIn([](TfrmConfig& d) -> ui::Control& { return d.edID; }),
       true, false},
      {"Enter on the scroll bar", enterIn([](TfrmConfig& d) -> ui::Control& { return d.sbID; }),
       true, false},
      {"Enter on the radio button",
       enterIn([](TfrmConfig& d) -> ui::Control& { return d.rbClient; }), true, false},
      {"Enter in the host", enterIn([](TfrmConfig& d) -> ui::Control& { return d.edHost; }), true,
       false},
      {"Enter in the port", enterIn([](TfrmConfig& d) -> ui::Control& { return d.edPort; }), true,
       false},
      {"Enter in the COM port", enterIn([](TfrmConfig& d) -> ui::Control& { return d.cmbCOM; }),
       true, false},
      {"Enter in the speed", enterIn([](TfrmConfig& d) -> ui::Control& { return d.cmbBaud; }), true,
       false},
      {"Enter on Close", enterIn([](TfrmConfig& d) -> ui::Control& { return d.btnExit; }), true,
       false},
      {"Enter on Save", enterIn([](TfrmConfig& d) -> ui::Control& { return d.btnSave; }), true,
       true},
      {"Space on Save",
       [&tk](TfrmConfig& d) {
         d.btnSave.SetFocus();
         tk.PressKey(ui::kVkSpace);
       },
       true, true},
      {"a click on Close", [&tk](TfrmConfig& d) { tk.Click(d.btnExit); }, true, false},
      {"the title bar", [&tk](TfrmConfig& d) { tk.SystemCommand(d.Form(), ui::kScClose); }, true,
       false},
      {"Escape", [&tk](TfrmConfig&) { tk.PressKey(ui::kVkEscape); }, false, false},
  };
  Store(Client());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int clears = view_.Clears();
    const Outcome outcome = Interact([&](TfrmConfig& d) {
      ASSERT_TRUE(Toolkit().Type(d.edName, "Renamed", true));
      ASSERT_TRUE(Toolkit().Type(d.edPort, "7000", true));
      c.act(d);
    });
    EXPECT_EQ(outcome.closedByUser, c.closes);
    EXPECT_EQ(Stored().ServerName, c.saves ? "Renamed" : "Bench 3");
    EXPECT_EQ(Link().Settings().ServerPort, c.saves ? 7000 : 6001);
    EXPECT_EQ(view_.Clears() > clears, c.saves);
    Store(Client());
  }
}

TEST_F(ConfigDialogTest, TabVisitsTheControlsInOrderAndOnlyTheTickedRadioButton) {
  for (bool server : {false, true}) {
    SCOPED_TRACE(server ? "server" : "client");
    LinkSettings s = Client();
    s.ServerMode = server ? 1 : 0;
    Store(s);
    Interact([&](TfrmConfig& d) {
      std::vector<ui::Control*> expected = {&d.edName, &d.edID, &d.btnExit, &d.btnSave, &d.sbID};
      if (server) {
        expected.push_back(&d.rbServer);  // the host field is disabled
      } else {
        expected.insert(expected.end(), {&d.rbClient, &d.edHost});
      }
      expected.insert(expected.end(), {&d.edPort, &d.cmbCOM, &d.cmbBaud});
      std::vector<ui::Control*> seen{d.Form().ActiveControl()};
      while (seen.size() <= expected.size()) {
        ASSERT_TRUE(Toolkit().PressKey(ui::kVkTab));
        if (d.Form().ActiveControl() == seen.front()) {
          break;
        }
        seen.push_back(d.Form().ActiveControl());
      }
      EXPECT_EQ(seen, expected);

      // The arrow keys move between the radio buttons and tick them.
      (server ? d.rbServer : d.rbClient).SetFocus();
      ASSERT_TRUE(Toolkit().PressKey(server ? ui::kVkDown : ui::kVkUp));
      EXPECT_EQ(d.rbServer.Checked(), !server);
      EXPECT_EQ(d.edHost.Enabled(), server);
    });
  }
}

TEST_F(ConfigDialogTest, ListsThePortsUpToAValueThatIsNotText) {
  const SerialCommValues values({{"/dev/kt-a", std::string(" \tCOM5\r\n")},
                                 {"/dev/kt-b", std::string("COM12")},
                                 {"/dev/kt-c", std::int32_t{9}},
                                 {"/dev/kt-d", std::string("COM9")}});
  ASSERT_TRUE(values.Written());
  Store(Client());  // COM4, which the list lacks
  Interact([&](TfrmConfig& d) {
    ASSERT_EQ(d.cmbCOM.ItemCount(), 2);
    EXPECT_EQ(d.cmbCOM.Item(0), "COM5");
    EXPECT_EQ(d.cmbCOM.Item(1), "COM12");
    EXPECT_EQ(d.cmbCOM.Text(), "COM4");
    ASSERT_TRUE(Toolkit().ChooseItem(d.cmbCOM, 1));
    ASSERT_TRUE(Toolkit().Click(d.btnSave));
  });
  EXPECT_EQ(Stored().COMPort, 12);
}

TEST_F(ConfigDialogTest, SavingWhileRunningStopsTheLinkAndReportsTheNewSettings) {
  LinkSettings s = Client();
  s.ServerMode = 1;
  s.ServerPort = FreePort();
  s.COMPort = 250;  // no such port: the link runs without it
  Store(s);
  Link().btnPlayClick();
  loop_.Advance(LinkController::kConnectDelayMs + LinkController::kSetUpWaitMs + 20);
  ASSERT_EQ(Link().State(), LinkState::Run);
  ASSERT_TRUE(Link().sockServer().Active());

  const Outcome outcome = Interact([&](TfrmConfig& d) {
    ASSERT_TRUE(Toolkit().Click(d.rbClient));
    ASSERT_TRUE(Toolkit().Type(d.edHost, "127.0.0.1", true));
    ASSERT_TRUE(Toolkit().ChooseItem(d.cmbBaud, 2));
    ASSERT_TRUE(Toolkit().Click(d.btnSave));
  });
  EXPECT_TRUE(outcome.closedByUser);
  EXPECT_EQ(outcome.error, "");
  EXPECT_EQ(Link().State(), LinkState::Stop);
  EXPECT_FALSE(Link().sockServer().Active());
  EXPECT_THAT(view_.Log(), ElementsAre("TCP Client Mode,Port:" + std::to_string(s.ServerPort),
                                       "    Host:127.0.0.1", "COM250,Speed:9600,n,8,1"));
  loop_.Advance(LinkController::kCheckIntervalMs * 2);
  EXPECT_EQ(Link().State(), LinkState::Stop);  // and it stays stopped
  EXPECT_FALSE(Link().sockClient().Active());
}

}  // namespace
}  // namespace keldo::test
