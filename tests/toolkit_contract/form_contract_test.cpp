#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/toolkit/messages.h"
#include "tests/toolkit_contract/contract.h"

namespace keldo::test {
namespace {

TEST_F(ContractTest, TabFollowsTheChainAndSkipsWhatCannotTakeTheFocus) {
  auto& form = NewForm();
  auto& first = form.Create<ui::Button>({8, 8, 33, 33});
  auto& disabled = form.Create<ui::Edit>({8, 48, 80, 24});
  auto& hidden = form.Create<ui::Button>({8, 80, 33, 33});
  auto& group = form.Create<ui::GroupBox>({100, 8, 200, 80});
  auto& server = form.Create<ui::RadioButton>({8, 20, 150, 17}, &group);
  auto& client = form.Create<ui::RadioButton>({8, 44, 150, 17}, &group);
  auto& check = form.Create<ui::CheckBox>({100, 100, 150, 25});
  auto& label = form.Create<ui::Label>({100, 130, 150, 25});
  disabled.SetEnabled(false);
  hidden.SetVisible(false);
  form.SetTabOrder({&first, &disabled, &hidden, &client, &server, &label, &check});
  user_.ShowActive(form);
  EXPECT_EQ(form.ActiveControl(), &first);

  // No button of the group ticked: the first of it along the chain.
  user_.Key(ui::kVkTab);
  EXPECT_EQ(form.ActiveControl(), &client);
  server.SetChecked(true);
  user_.Key(ui::kVkTab);
  EXPECT_EQ(form.ActiveControl(), &server) << "the ticked one now";
  user_.Key(ui::kVkTab);
  EXPECT_EQ(form.ActiveControl(), &check);
  user_.Key(ui::kVkTab);
  EXPECT_EQ(form.ActiveControl(), &first) << "round to the start";
  user_.Key(ui::kVkTab, true);
  EXPECT_EQ(form.ActiveControl(), &check);
  user_.Key(ui::kVkTab, true);
  EXPECT_EQ(form.ActiveControl(), &server);

  // A control that leaves the screen gives the focus on along the chain.
  check.SetFocus();
  check.SetVisible(false);
  EXPECT_EQ(form.ActiveControl(), &first);
}

TEST_F(ContractTest, EnterPressesTheFocusedButtonElseTheDefaultOne) {
  auto& form = NewForm();
  auto& play = form.Create<ui::Button>({8, 8, 33, 33});
  auto& close = form.Create<ui::Button>({48, 8, 33, 33});
  auto& edit = form.Create<ui::Edit>({8, 48, 80, 24});
  auto& check = form.Create<ui::CheckBox>({100, 48, 150, 25});
  auto& memo = form.Create<ui::Memo>({8, 80, 200, 80});
  play.SetDefault(true);
  std::vector<std::string> pressed;
  play.OnClick = [&](void*) { pressed.push_back("play"); };
  close.OnClick = [&](void*) { pressed.push_back("close"); };
  form.SetTabOrder({&play, &close, &edit, &check, &memo});
  user_.ShowActive(form);

  close.SetFocus();
  user_.Key(ui::kVkReturn);
  edit.SetFocus();
  user_.Key(ui::kVkReturn);
  check.SetFocus();
  user_.Key(ui::kVkReturn);
  user_.Key(ui::kVkEscape);  // no form has a cancel button
  memo.SetFocus();
  user_.Key(ui::kVkReturn);  // the memo keeps it
  play.SetEnabled(false);
  edit.SetFocus();
  user_.Key(ui::kVkReturn);  // the default button is disabled: nothing
  EXPECT_EQ(pressed, (std::vector<std::string>{"close", "play", "play"}));
  EXPECT_FALSE(check.Checked());

  close.SetDefault(true);
  EXPECT_FALSE(play.Default()) << "one default button per form";
  user_.Key(ui::kVkReturn);
  EXPECT_EQ(pressed.back(), "close");
}

// Alt+key wherever the focus is; the key alone where it is not typing. They
// reach buttons, check boxes and radio buttons alike.
TEST_F(ContractTest, AccessKeysPressTickAndToggleTheirControls) {
  auto& form = NewForm();
  auto& save = form.Create<ui::Button>({8, 8, 169, 33});
  auto& exit = form.Create<ui::Button>({184, 8, 169, 33});
  auto& check = form.Create<ui::CheckBox>({8, 48, 150, 25});
  auto& radio = form.Create<ui::RadioButton>({184, 48, 150, 20});
  auto& id = form.Create<ui::Edit>({8, 80, 49, 24});
  auto& bar = form.Create<ui::ScrollBar>({64, 80, 161, 25});
  save.SetCaption("&Save");
  exit.SetCaption("&Close");
  check.SetCaption("&Tick");
  radio.SetCaption("&Radio");
  id.SetReadOnly(true);
  std::vector<std::string> pressed;
  save.OnClick = [&](void*) { pressed.push_back("save"); };
  exit.OnClick = [&](void*) { pressed.push_back("close"); };
  form.SetTabOrder({&id, &exit, &save, &check, &radio, &bar});
  user_.ShowActive(form);

  bar.SetFocus();
  user_.Letter('s', false);
  EXPECT_EQ(form.ActiveControl(), &save);
  user_.Letter('C', false);
  user_.Letter('t', false);
  user_.Letter('r', false);
  user_.Letter('x', false);  // no control's key
  EXPECT_TRUE(check.Checked());
  EXPECT_TRUE(radio.Checked());
  id.SetFocus();
  user_.Letter('s', false);  // a text field, even a read-only one, keeps its keys
  EXPECT_EQ(pressed, (std::vector<std::string>{"save", "close"}));
  user_.Letter('t', true);
  EXPECT_FALSE(check.Checked());
  EXPECT_EQ(form.ActiveControl(), &check);
  id.SetFocus();
  user_.Letter('S', true);
  EXPECT_EQ(pressed.back(), "save");
}

TEST_F(ContractTest, AFormWithoutInputIgnoresMouseAndKeyboard) {
  auto& form = NewForm();
  auto& button = form.Create<ui::Button>({8, 8, 33, 33});
  button.SetDefault(true);
  int clicks = 0;
  button.OnClick = [&](void*) { ++clicks; };
  form.SetTabOrder({&button});
  user_.ShowActive(form);

  form.SetEnabled(false);
  user_.Click(button);
  user_.Key(ui::kVkReturn);
  auto [dialog, save] = NewDialog();
  EXPECT_EQ(ShowModalWith(dialog, [&] { dialog.Close(); }), ui::mrCancel);
  user_.Click(button);  // the modal showing leaves the form's own flag
  EXPECT_EQ(clicks, 0);
  form.SetEnabled(true);
  user_.Click(button);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ContractTest, ModalShowingBlocksTheOtherFormsAndEndsWithItsResult) {
  auto& main = NewForm("TfrmContractMain");
  auto& button = main.Create<ui::Button>({8, 8, 33, 33});
  int clicks = 0;
  button.OnClick = [&](void*) { ++clicks; };
  user_.ShowActive(main);
  auto [dialog, save] = NewDialog();
  int shows = 0;
  dialog.OnShow = [&](void*) { ++shows; };

  const auto clickBoth = [&] {
    user_.Click(button);  // behind the dialog
    user_.Click(save);
  };
  EXPECT_EQ(ShowModalWith(dialog, clickBoth), ui::mrOk);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_FALSE(user_.OnScreen(dialog));
  user_.Click(button);
  EXPECT_EQ(clicks, 1) << "the main form takes input again";

  // A refused close keeps it; an accepted one ends it with mrCancel.
  bool allow = false;
  dialog.OnCloseQuery = [&](void*, bool& canClose) { canClose = allow; };
  const auto closeTwice = [&] {
    dialog.Close();
    EXPECT_EQ(dialog.ModalResult(), ui::mrNone);
    allow = true;
    dialog.Close();
  };
  EXPECT_EQ(ShowModalWith(dialog, closeTwice), ui::mrCancel);
  EXPECT_EQ(shows, 2);
  EXPECT_FALSE(toolkit_.App().Terminated());
}

TEST_F(ContractTest, ClosingTheMainFormEndsTheApplicationsLoop) {
  auto& main = NewForm("TfrmContractMain");
  EXPECT_EQ(toolkit_.App().MainForm(), &main);
  int queries = 0;
  main.OnCloseQuery = [&](void*, bool& canClose) { canClose = ++queries > 1; };
  main.Show();
  toolkit_.Loop().Post([&] {
    main.Close();
    EXPECT_TRUE(main.Visible());
    main.Close();
  });
  toolkit_.App().Run();
  EXPECT_EQ(queries, 2);
  EXPECT_FALSE(main.Visible());
  EXPECT_TRUE(toolkit_.App().Terminated());
}

TEST_F(ContractTest, AnErrorInTheShowHandlerIsReportedAndTheShowingGoesOn) {
  auto& main = NewForm();
  main.OnShow = [](void*) { throw std::runtime_error("Load failed"); };
  main.Show();
  EXPECT_TRUE(main.Visible());
  EXPECT_TRUE(user_.OnScreen(main));
  EXPECT_EQ(Errors(), std::vector<std::string>{"Load failed"});
}

// Hidden in the tray, the application still shows a dialog the user asks for
// from the tray's menu; the main form stays where it is.
TEST_F(ContractTest, AFormShownWhileTheApplicationIsMinimisedComesOnTheScreen) {
  ui::Application& app = toolkit_.App();
  auto& main = NewForm("TfrmContractMain");
  int shows = 0;
  main.OnShow = [&](void*) { ++shows; };
  user_.ShowActive(main);
  app.Minimize();
  app.ShowWindow(ui::kSwHide);
  EXPECT_TRUE(app.Minimized());
  EXPECT_FALSE(app.TaskbarEntryVisible());
  EXPECT_TRUE(main.Visible());
  EXPECT_FALSE(user_.OnScreen(main));

  auto [dialog, save] = NewDialog();
  dialog.SetAlwaysOnTop(true);
  const auto clickSave = [&] {
    user_.Click(save);
    if (dialog.ModalResult() == ui::mrNone) {
      dialog.SetModalResult(ui::mrCancel);  // out of the user's reach
    }
  };
  EXPECT_EQ(ShowModalWith(dialog, clickSave), ui::mrOk);
  EXPECT_FALSE(user_.OnScreen(main));
  EXPECT_TRUE(app.Minimized());

  app.Restore();
  app.ShowWindow(ui::kSwRestore);
  EXPECT_TRUE(user_.OnScreen(main));
  EXPECT_TRUE(app.TaskbarEntryVisible());
  EXPECT_EQ(shows, 1) << "restoring is no new show";
}

TEST_F(ContractTest, TheMainFormsMinimiseButtonReachesTheApplicationsHooks) {
  ui::Application& app = toolkit_.App();
  auto& main = NewForm("TfrmContractMain");
  main.SetBorderIcons({true, true});
  user_.ShowActive(main);
  std::vector<std::uintptr_t> commands;
  app.AddHook([&](ui::Message& message) {
    if (message.Msg == ui::kWmSysCommand) {
      commands.push_back(message.WParam & 0xFFF0);
    }
    return false;
  });
  user_.MinimizeButton(main);
  EXPECT_EQ(commands, std::vector<std::uintptr_t>{ui::kScMinimize});
  EXPECT_TRUE(app.Minimized()) << "the application's own handling follows the hooks";
  EXPECT_FALSE(user_.OnScreen(main));
}

TEST_F(ContractTest, ATopLevelWindowIsFoundByItsClassWhileItsFormExists) {
  // Unique on the desktop: other test runs may look for their own at the same time.
  const std::string name =
      "TfrmContractLookup" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  EXPECT_FALSE(toolkit_.TopLevelWindowExists(name));
  NewForm(name);
  EXPECT_TRUE(toolkit_.TopLevelWindowExists(name)) << "hidden, and found";
  forms_.clear();
  EXPECT_FALSE(toolkit_.TopLevelWindowExists(name));
  EXPECT_EQ(toolkit_.App().MainForm(), nullptr);
}

}  // namespace
}  // namespace keldo::test
