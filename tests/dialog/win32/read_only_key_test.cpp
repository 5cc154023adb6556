#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/platform/serial_port.h"
#include "engine/registry.h"
#include "engine/serial_port_list.h"
#include "engine/settings_store.h"
#include "shell/toolkit/messages.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/support/serial_comm_values.h"
#include "tests/support/win32/read_only_key.h"

namespace keldo::test {
namespace {

bool FullAccessRefused(const char* path) {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  return !reg.OpenPath(path, false);
}

class ReadOnlyKeyTest : public DialogFixture {};

TEST_F(ReadOnlyKeyTest, AStandardUserStillGetsThePortList) {
  const SerialCommValues values({{"/dev/kt-a", std::string("COM5")}});
  ASSERT_TRUE(values.Written());
  const ReadOnlyKey readOnly(kSerialCommKey + 1);
  ASSERT_TRUE(readOnly.Applied());
  ASSERT_TRUE(FullAccessRefused(kSerialCommKey));
  const std::vector<std::string> ports = ListSerialPorts();
  ASSERT_FALSE(ports.empty());
  EXPECT_EQ(ports.front(), "COM5");
}

// A standard user's save is refused: said so plainly, the dialog keeps what
// was typed, and the link goes on with the stored settings it reloaded.
TEST_F(ReadOnlyKeyTest, ARefusedSaveIsReported) {
  LinkSettings stored = DefaultLinkSettings();
  stored.ServerPort = 6100;
  Store(stored);
  const ReadOnlyKey readOnly(kSettingsKey + 1);
  ASSERT_TRUE(readOnly.Applied());

  bool stillShown = false;
  const Outcome outcome = Interact([&](TfrmConfig& d) {
    ASSERT_TRUE(Toolkit().Type(d.edPort, "6200", true));
    ASSERT_TRUE(Toolkit().Click(d.btnSave));
    stillShown = d.Form().Visible() && d.edPort.Text() == "6200";
  });
  EXPECT_TRUE(stillShown);
  EXPECT_FALSE(outcome.closedByUser);
  const auto& boxes = Toolkit().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The settings were not saved: cannot open "
            "HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO for writing.\n"
            "The link now uses the stored settings shown in its log.");
  EXPECT_EQ(boxes[0].flags, ui::kMbOk | ui::kMbIconStop);
  EXPECT_EQ(Link().Settings().ServerPort, 6100);
  EXPECT_EQ(view_.Log().front(), "TCP Server Mode,Port:6100");
  // keldo-linkd --set adds the system's reason, naming the key.
  const std::string why = DescribeUnwritableSettings();
  EXPECT_EQ(why.rfind("HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO: ", 0), 0u) << why;
  EXPECT_GT(why.size(), 40u) << why;
}

}  // namespace
}  // namespace keldo::test
