#include "shell/toolkit/memory/form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/toolkit/messages.h"
#include "tests/toolkit/toolkit_fixture.h"

namespace keldo {
namespace {

using test::ToolkitFixture;

// A main form and a dialog with a save and a close button, driven by the
// memory backend's own hands (modal starts, title-bar commands). The rules
// the backends share are the contract suite's.
class DialogKeysTest : public ToolkitFixture {
 protected:
  DialogKeysTest()
      : main_(toolkit_.CreateForm("TfrmMain")),
        dialog_(toolkit_.CreateForm("TfrmDialog")),
        btnExit(dialog_->Create<ui::Button>({184, 305, 169, 33})),
        btnSave(dialog_->Create<ui::Button>({8, 305, 169, 33})) {
    btnExit.SetDefault(true);
    dialog_->SetTabOrder({&btnExit, &btnSave});
  }

  std::unique_ptr<ui::Form> main_;
  std::unique_ptr<ui::Form> dialog_;
  ui::Button& btnExit;
  ui::Button& btnSave;
};

// The blocking and the result are the contract suite's; here, the nested
// loop runs the virtual time on.
TEST_F(DialogKeysTest, ModalShowingNestsTheLoop) {
  main_->Show();
  btnSave.OnClick = [this](void*) { dialog_->SetModalResult(ui::mrOk); };

  // A timer started before the dialog ticks while it is shown.
  auto timer = loop_.CreateTimer();
  timer->SetInterval(300);
  bool ticked = false;
  timer->SetOnTimer([&] {
    timer->SetEnabled(false);
    ticked = true;
    EXPECT_TRUE(toolkit_.Click(btnSave));
  });
  timer->SetEnabled(true);
  EXPECT_EQ(dialog_->ShowModal(), ui::mrOk);
  EXPECT_TRUE(ticked);

  // Shown again, and closed by the title bar from inside the nested loop.
  int shows = 0;
  dialog_->OnShow = [&](void*) { ++shows; };
  toolkit_.OnModalStart = [this](ui::Form& form) {
    EXPECT_EQ(&form, dialog_.get());
    EXPECT_EQ(toolkit_.ActiveForm(), dialog_.get());
    EXPECT_TRUE(toolkit_.SystemCommand(form, ui::kScClose));
  };
  EXPECT_EQ(dialog_->ShowModal(), ui::mrCancel);
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(toolkit_.ActiveForm(), main_.get());
  EXPECT_FALSE(toolkit_.App().Terminated());
}

TEST_F(DialogKeysTest, ModalShowingsNestAndEachEndsItsOwn) {
  main_->Show();
  auto second = toolkit_.CreateForm("TfrmDialog");
  std::vector<int> results;
  toolkit_.OnModalStart = [&](ui::Form& form) {
    if (&form == dialog_.get()) {
      // A second dialog over the first, as the tray menu can open one.
      results.push_back(second->ShowModal());
      EXPECT_TRUE(dialog_->Visible());
      dialog_->SetModalResult(ui::mrOk);
    } else {
      EXPECT_FALSE(toolkit_.Click(btnSave));  // the first dialog is blocked now
      form.Close();
    }
  };
  results.push_back(dialog_->ShowModal());
  EXPECT_EQ(results, (std::vector<int>{ui::mrCancel, ui::mrOk}));

  // A quit of the loop ends the modal showing too.
  toolkit_.OnModalStart = [this](ui::Form&) { loop_.Quit(); };
  EXPECT_EQ(dialog_->ShowModal(), ui::mrCancel);
}

TEST_F(DialogKeysTest, WithoutItsCloseCommandTheTitleBarCannotClose) {
  int queries = 0;
  main_->OnCloseQuery = [&](void*, bool&) { ++queries; };
  main_->Show();
  main_->RemoveCloseCommand();
  EXPECT_FALSE(toolkit_.SystemCommand(*main_, ui::kScClose));
  EXPECT_EQ(queries, 0);
  EXPECT_TRUE(main_->Visible());
}

TEST_F(DialogKeysTest, SingleInstanceLookupSeesOtherPrograms) {
  EXPECT_FALSE(toolkit_.TopLevelWindowExists("TfrmKELDO"));
  toolkit_.AddForeignWindow("TfrmKELDO");
  EXPECT_TRUE(toolkit_.TopLevelWindowExists("TfrmKELDO"));
}

}  // namespace
}  // namespace keldo
