#include "shell/toolkit/memory/form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/toolkit/messages.h"
#include "tests/toolkit/toolkit_fixture.h"

namespace keldo {
namespace {

using test::ToolkitFixture;

// A dialog laid out like the configuration dialog: text fields, a radio
// group in a group box, a default button that is not the first.
class DialogKeysTest : public ToolkitFixture {
 protected:
  DialogKeysTest()
      : main_(toolkit_.CreateForm("TfrmMain")),
        dialog_(toolkit_.CreateForm("TfrmDialog")),
        edName(dialog_->Create<ui::Edit>({136, 40, 217, 24})),
        edID(dialog_->Create<ui::Edit>({136, 8, 49, 24})),
        btnExit(dialog_->Create<ui::Button>({184, 305, 169, 33})),
        btnSave(dialog_->Create<ui::Button>({8, 305, 169, 33})),
        sbID(dialog_->Create<ui::ScrollBar>({192, 8, 161, 25})),
        gbTCP(dialog_->Create<ui::GroupBox>({8, 72, 345, 137})),
        rbServer(dialog_->Create<ui::RadioButton>({15, 24, 322, 17}, &gbTCP)),
        rbClient(dialog_->Create<ui::RadioButton>({15, 47, 322, 17}, &gbTCP)),
        edHost(dialog_->Create<ui::Edit>({128, 73, 209, 24}, &gbTCP)),
        moLog(dialog_->Create<ui::Memo>({4, 220, 306, 60})) {
    edID.SetReadOnly(true);
    btnExit.SetCaption("&Close");
    btnExit.SetDefault(true);
    btnSave.SetCaption("&Save");
    btnExit.OnClick = [this](void*) { pressed_.push_back("exit"); };
    btnSave.OnClick = [this](void*) { pressed_.push_back("save"); };
    rbServer.OnClick = [this](void*) {
      pressed_.push_back("server");
      edHost.SetEnabled(false);
    };
    rbClient.OnClick = [this](void*) {
      pressed_.push_back("client");
      edHost.SetEnabled(true);
    };
    dialog_->SetTabOrder(
        {&edName, &edID, &btnExit, &btnSave, &sbID, &rbClient, &rbServer, &edHost, &moLog});
  }

  // Tab from the first control until it comes round; the controls passed.
  std::vector<ui::Control*> TabRound() {
    std::vector<ui::Control*> seen{dialog_->ActiveControl()};
    for (int i = 0; i < 20; ++i) {
      EXPECT_TRUE(toolkit_.PressKey(ui::kVkTab));
      if (dialog_->ActiveControl() == seen.front()) {
        break;
      }
      seen.push_back(dialog_->ActiveControl());
    }
    return seen;
  }

  std::unique_ptr<ui::Form> main_;
  std::unique_ptr<ui::Form> dialog_;
  ui::Edit& edName;
  ui::Edit& edID;
  ui::Button& btnExit;
  ui::Button& btnSave;
  ui::ScrollBar& sbID;
  ui::GroupBox& gbTCP;
  ui::RadioButton& rbServer;
  ui::RadioButton& rbClient;
  ui::Edit& edHost;
  ui::Memo& moLog;
  std::vector<std::string> pressed_;
};

TEST_F(DialogKeysTest, TabStopsAtTheTickedRadioButtonAndSkipsDisabledControls) {
  rbServer.SetChecked(true);  // disables the host field
  dialog_->Show();
  EXPECT_EQ(dialog_->ActiveControl(), &edName);
  EXPECT_EQ(TabRound(), (std::vector<ui::Control*>{&edName, &edID, &btnExit, &btnSave, &sbID,
                                                   &rbServer, &moLog}));
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkTab, true));  // Shift+Tab goes back round
  EXPECT_EQ(dialog_->ActiveControl(), &moLog);

  // No radio button ticked: the group's first in the chain is the stop.
  rbServer.SetChecked(false);
  edHost.SetEnabled(true);
  rbServer.SetFocus();
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkTab));
  EXPECT_EQ(dialog_->ActiveControl(), &edHost);
  rbClient.SetFocus();
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkTab, true));
  EXPECT_EQ(dialog_->ActiveControl(), &sbID);
}

TEST_F(DialogKeysTest, RadioButtonsTickOneAtATime) {
  rbServer.SetChecked(true);
  rbServer.SetChecked(true);  // already ticked: no event
  dialog_->Show();
  EXPECT_TRUE(toolkit_.Click(rbClient));
  EXPECT_TRUE(toolkit_.Click(rbClient));
  EXPECT_EQ(pressed_, (std::vector<std::string>{"server", "client"}));
  EXPECT_FALSE(rbServer.Checked());

  // The arrows move through the group and tick as they go.
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkDown));
  EXPECT_TRUE(rbServer.Checked());
  EXPECT_FALSE(rbClient.Checked());
  EXPECT_EQ(dialog_->ActiveControl(), &rbServer);
  EXPECT_FALSE(edHost.Enabled());

  // A radio button of another parent is another group.
  auto& other = dialog_->Create<ui::RadioButton>({8, 220, 100, 17});
  other.SetChecked(true);
  EXPECT_TRUE(rbServer.Checked());
}

TEST_F(DialogKeysTest, EnterPressesTheFocusedButtonOrElseTheDefaultOne) {
  dialog_->Show();
  struct Case {
    ui::Control* focus;
    bool used;
    const char* pressed;
  };
  const Case cases[] = {
      {&edName, true, "exit"}, {&edID, true, "exit"},   {&btnSave, true, "save"},
      {&sbID, true, "exit"},   {&moLog, true, nullptr},  // the memo keeps Enter
  };
  for (const Case& c : cases) {
    pressed_.clear();
    c.focus->SetFocus();
    ASSERT_EQ(dialog_->ActiveControl(), c.focus);
    EXPECT_EQ(toolkit_.PressKey(ui::kVkReturn), c.used);
    EXPECT_EQ(pressed_,
              c.pressed ? std::vector<std::string>{c.pressed} : std::vector<std::string>{});
  }

  // A disabled default button: Enter does nothing.
  pressed_.clear();
  btnExit.SetEnabled(false);
  edName.SetFocus();
  EXPECT_FALSE(toolkit_.PressKey(ui::kVkReturn));
  EXPECT_FALSE(toolkit_.PressKey(ui::kVkEscape));
  EXPECT_TRUE(pressed_.empty());

  // Alt+S presses "&Save" wherever the focus is; no control marks Alt+Q.
  pressed_.clear();
  edName.SetFocus();
  EXPECT_TRUE(toolkit_.PressAccessKey('S'));
  EXPECT_EQ(dialog_->ActiveControl(), &btnSave);
  EXPECT_FALSE(toolkit_.PressAccessKey('q'));
  EXPECT_EQ(pressed_, std::vector<std::string>{"save"});
  pressed_.clear();

  // Only one default button per form.
  btnSave.SetDefault(true);
  EXPECT_FALSE(btnExit.Default());
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkReturn));
  EXPECT_EQ(pressed_, std::vector<std::string>{"save"});
}

TEST_F(DialogKeysTest, DisabledFormAndFocusLeavingAHiddenControl) {
  dialog_->Show();
  btnSave.SetFocus();
  btnSave.SetVisible(false);  // the focus moves on
  EXPECT_EQ(dialog_->ActiveControl(), &sbID);

  dialog_->SetEnabled(false);
  EXPECT_FALSE(toolkit_.Click(btnExit));
  EXPECT_FALSE(toolkit_.PressKey(ui::kVkReturn));
  EXPECT_TRUE(pressed_.empty());
  dialog_->SetEnabled(true);
  EXPECT_TRUE(toolkit_.Click(btnExit));
}

TEST_F(DialogKeysTest, ModalShowingNestsTheLoopAndBlocksOtherForms) {
  main_->Show();
  auto& mainButton = main_->Create<ui::Button>({0, 0, 33, 33});
  int mainClicks = 0;
  mainButton.OnClick = [&](void*) { ++mainClicks; };
  btnExit.OnClick = [this](void*) { dialog_->Close(); };
  btnSave.OnClick = [this](void*) { dialog_->SetModalResult(ui::mrOk); };

  // A timer started before the dialog ticks while it is shown.
  auto timer = loop_.CreateTimer();
  timer->SetInterval(300);
  bool ticked = false;
  timer->SetOnTimer([&] {
    timer->SetEnabled(false);
    ticked = true;
    EXPECT_FALSE(toolkit_.Click(mainButton));  // behind the modal dialog
    EXPECT_TRUE(toolkit_.Click(btnSave));
  });
  timer->SetEnabled(true);
  EXPECT_EQ(dialog_->ShowModal(), ui::mrOk);
  EXPECT_TRUE(ticked);
  EXPECT_FALSE(dialog_->Visible());
  EXPECT_TRUE(toolkit_.Click(mainButton));  // takes input again
  EXPECT_EQ(mainClicks, 1);

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

TEST_F(DialogKeysTest, RefusedCloseKeepsTheMainFormAndAcceptedOneEndsTheApplication) {
  EXPECT_EQ(toolkit_.App().MainForm(), main_.get());
  bool allow = false;
  int queries = 0;
  main_->OnCloseQuery = [&](void*, bool& canClose) {
    ++queries;
    canClose = allow;
  };
  main_->Show();
  main_->RemoveCloseCommand();
  EXPECT_FALSE(toolkit_.SystemCommand(*main_, ui::kScClose));  // no close command
  main_->Close();
  EXPECT_TRUE(main_->Visible());
  EXPECT_FALSE(toolkit_.App().Terminated());
  allow = true;
  main_->Close();
  EXPECT_EQ(queries, 2);
  EXPECT_FALSE(main_->Visible());
  EXPECT_TRUE(toolkit_.App().Terminated());
}

TEST_F(DialogKeysTest, ErrorInTheShowHandlerIsReportedAndTheShowingGoesOn) {
  main_->OnShow = [](void*) { throw std::runtime_error("Load failed"); };
  main_->Show();
  EXPECT_TRUE(main_->Visible());
  EXPECT_EQ(errors_, std::vector<std::string>{"Load failed"});
}

TEST_F(DialogKeysTest, SingleInstanceLookupSeesHiddenFormsAndOtherPrograms) {
  EXPECT_TRUE(toolkit_.TopLevelWindowExists("TfrmMain"));  // hidden, still found
  EXPECT_FALSE(toolkit_.TopLevelWindowExists("TfrmKELDO"));
  toolkit_.AddForeignWindow("TfrmKELDO");
  EXPECT_TRUE(toolkit_.TopLevelWindowExists("TfrmKELDO"));
  main_.reset();
  EXPECT_FALSE(toolkit_.TopLevelWindowExists("TfrmMain"));
  EXPECT_EQ(toolkit_.App().MainForm(), nullptr);
}

}  // namespace
}  // namespace keldo
