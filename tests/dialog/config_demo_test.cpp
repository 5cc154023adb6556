#include "shell/demo/config_demo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/settings_store.h"
#include "shell/frmConfigU.h"
#include "shell/toolkit/memory/toolkit.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/test_loop.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo::test {
namespace {

// The real-backend checks open the dialog through the demo's --open; this is
// that path on the in-memory widget set.
TEST(ConfigDemo, OpensTheDialogOverItsWindowAndEndsWhenItCloses) {
  RegistrySandbox registry;
  VirtualTimeLoop loop(TestLoop());
  ui::memory::MemoryToolkit toolkit(loop);
  std::vector<std::string> lines;
  demo::ConfigDemo demo(toolkit, [&lines](const std::string& line) { lines.push_back(line); });
  toolkit.OnModalStart = [&](ui::Form& dialog) {
    EXPECT_EQ(dialog.Caption(), TfrmConfig::kCaption);
    EXPECT_FALSE(toolkit.Click(*demo.Form().ActiveControl()));  // behind the modal dialog
    auto* name = dynamic_cast<ui::Edit*>(dialog.ActiveControl());
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(toolkit.Type(*name, " 7"));
    ASSERT_TRUE(toolkit.PressKey(ui::kVkTab));
    ASSERT_TRUE(toolkit.PressKey(ui::kVkTab));
    ASSERT_TRUE(toolkit.PressKey(ui::kVkTab));  // to "&Save"
    ASSERT_TRUE(toolkit.PressKey(ui::kVkReturn));
  };
  demo.Show(true);
  toolkit.App().Run();

  EXPECT_TRUE(toolkit.App().Terminated());
  EXPECT_FALSE(demo.Form().Visible());
  LinkSettings stored;
  Load(stored);
  EXPECT_EQ(stored.ServerName, "KELDO 7");
  const std::vector<std::string> expected = {"window shown", "dialog opening", "log cleared",
                                             "log: TCP Server Mode,Port:5001"};
  for (const std::string& line : expected) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }
  EXPECT_EQ(lines.back(), "dialog closed 2");
}

}  // namespace
}  // namespace keldo::test
