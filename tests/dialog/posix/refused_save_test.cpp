#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "shell/toolkit/messages.h"
#include "tests/dialog/dialog_fixture.h"
#include "tests/support/temp_dir.h"

namespace keldo::test {
namespace {

class RefusedSaveTest : public DialogFixture {};

// The store cannot write (a read-only hive; on Windows, a standard user): the
// user is told so and why, and nothing typed is lost while the link goes on
// with what the store holds.
TEST_F(RefusedSaveTest, IsReportedAndTheDialogKeepsWhatTheUserEntered) {
  LinkSettings stored = DefaultLinkSettings();
  stored.ServerPort = 6100;
  Store(stored);
  TempDir scratch;
  const auto blocker = scratch.path() / "not-a-folder";
  std::ofstream(blocker) << "x";
  ::setenv("KELDO_REGISTRY_DIR", (blocker / "registry").c_str(), 1);  // the sandbox restores it

  bool stillShown = false;
  std::string portShown;
  const Outcome outcome = Interact([&](TfrmConfig& d) {
    ASSERT_TRUE(Toolkit().Type(d.edPort, "6200", true));
    ASSERT_TRUE(Toolkit().Click(d.btnSave));
    stillShown = d.Form().Visible() && d.Form().ModalResult() == ui::mrNone;
    portShown = d.edPort.Text();
    EXPECT_TRUE(dynamic_cast<ui::memory::MemoryForm&>(d.Form()).AlwaysOnTop());
  });
  EXPECT_TRUE(stillShown);
  EXPECT_EQ(portShown, "6200");
  EXPECT_FALSE(outcome.closedByUser);

  const auto& boxes = Toolkit().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, TfrmConfig::kCaption);
  EXPECT_EQ(boxes[0].text,
            "The settings were not saved: cannot open "
            "HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO for writing.\n"
            "The link now uses the stored settings shown in its log.");
  EXPECT_EQ(boxes[0].flags, ui::kMbOk | ui::kMbIconStop);
  // The reload found nothing readable either: the defaults, as the log says.
  EXPECT_EQ(Link().Settings().ServerPort, 5001);
  EXPECT_EQ(view_.Log().front(), "TCP Server Mode,Port:5001");
  EXPECT_EQ(Link().State(), LinkState::Stop);
}

}  // namespace
}  // namespace keldo::test
