#include "shell/toolkit/win32/form.h"

#include <vector>

#include "shell/toolkit/messages.h"
#include "tests/toolkit_win32/win32_fixture.h"

namespace keldo::test {
namespace {

using Win32Forms = Win32Ui;

TEST_F(Win32Forms, ClientSizeIsTheOneAskedForWhateverTheFrame) {
  form_->SetClientSize({317, 313});
  EXPECT_EQ(form_->ClientSize(), (ui::Size{317, 313}));
  form_->SetBorderIcons({true, false});
  EXPECT_EQ(form_->ClientSize(), (ui::Size{317, 313}));
  RECT client{};
  ::GetClientRect(FormHandle(), &client);
  EXPECT_EQ(client.right, 317);
  EXPECT_EQ(client.bottom, 313);
}

TEST_F(Win32Forms, WithoutItsCloseCommandTheWindowMenuCannotClose) {
  form_->Show();
  int queries = 0;
  form_->OnCloseQuery = [&](void*, bool&) { ++queries; };
  form_->RemoveCloseCommand();
  HMENU menu = ::GetSystemMenu(FormHandle(), FALSE);
  EXPECT_EQ(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(::GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  ::SendMessageA(FormHandle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(queries, 0);
  // A close request of the platform's own still reaches the form.
  ::SendMessageA(FormHandle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(queries, 1);
}

// The main window's chain: buttons, a check box, a memo, a button last.
class Win32Keyboard : public Win32Ui {
 protected:
  Win32Keyboard()
      : play_(form_->Create<ui::Button>({152, 40, 33, 33})),
        pause_(form_->Create<ui::Button>({152, 80, 33, 33})),
        check_(form_->Create<ui::CheckBox>({8, 256, 225, 25})),
        memo_(form_->Create<ui::Memo>({4, 160, 306, 89})),
        close_(form_->Create<ui::Button>({276, 252, 33, 33})) {
    play_.SetDefault(true);
    play_.OnClick = [this](void*) { pressed_.push_back("play"); };
    pause_.OnClick = [this](void*) { pressed_.push_back("pause"); };
    close_.OnClick = [this](void*) { pressed_.push_back("close"); };
    form_->SetTabOrder({&play_, &pause_, &check_, &memo_, &close_});
    form_->Show();
  }

  ui::Button& play_;
  ui::Button& pause_;
  ui::CheckBox& check_;
  ui::Memo& memo_;
  ui::Button& close_;
  std::vector<std::string> pressed_;
};

TEST_F(Win32Keyboard, TabFollowsTheChainAndSkipsWhatCannotTakeTheFocus) {
  EXPECT_EQ(form_->ActiveControl(), &play_);
  pause_.SetEnabled(false);
  Key(&play_, VK_TAB);
  EXPECT_EQ(form_->ActiveControl(), &check_);
  Key(&check_, VK_TAB);
  EXPECT_EQ(form_->ActiveControl(), &memo_) << "the memo does not keep Tab";
  memo_.SetVisible(false);
  EXPECT_EQ(form_->ActiveControl(), &close_) << "a hidden control gives the focus on";
  Key(&close_, VK_TAB);
  EXPECT_EQ(form_->ActiveControl(), &play_) << "round to the start";
}

TEST_F(Win32Keyboard, EnterPressesTheFocusedButtonElseTheDefaultOne) {
  check_.SetFocus();
  Key(&check_, VK_RETURN);
  close_.SetFocus();
  Key(&close_, VK_RETURN);
  memo_.SetFocus();
  Key(&memo_, VK_RETURN);  // the memo keeps Enter
  check_.SetFocus();
  play_.SetEnabled(false);
  Key(&check_, VK_RETURN);  // a disabled default button: nothing
  EXPECT_EQ(pressed_, (std::vector<std::string>{"play", "close"}));

  pause_.SetDefault(true);
  EXPECT_FALSE(play_.Default()) << "one default button per form";
  Key(&check_, VK_RETURN);
  EXPECT_EQ(pressed_.back(), "pause");
}

TEST_F(Win32Forms, ArrowKeysTickTheNextRadioButtonAndTabStopsAtTheTickedOne) {
  auto& name = form_->Create<ui::Edit>({8, 8, 100, 24});
  auto& group = form_->Create<ui::GroupBox>({8, 72, 345, 137});
  auto& client = form_->Create<ui::RadioButton>({15, 47, 322, 17}, &group);
  auto& server = form_->Create<ui::RadioButton>({15, 24, 322, 17}, &group);
  auto& host = form_->Create<ui::Edit>({128, 73, 209, 24}, &group);
  int serverClicks = 0;
  server.OnClick = [&](void*) { ++serverClicks; };
  server.SetChecked(true);
  form_->SetTabOrder({&name, &client, &server, &host});
  form_->Show();

  Key(&name, VK_TAB);
  EXPECT_EQ(form_->ActiveControl(), &server) << "the ticked button, not the first";
  Key(&server, VK_UP);
  EXPECT_EQ(form_->ActiveControl(), &client);
  EXPECT_TRUE(client.Checked());
  EXPECT_FALSE(server.Checked());
  Key(&client, VK_DOWN);
  EXPECT_TRUE(server.Checked());
  EXPECT_EQ(serverClicks, 2);
  Key(&server, VK_TAB);
  EXPECT_EQ(form_->ActiveControl(), &host);
}

TEST_F(Win32Forms, ModalShowingBlocksTheOtherFormsAndEndsWithItsResult) {
  form_->Show();
  auto dialog = toolkit_->CreateForm("KeldoTestDialog");
  auto& save = dialog->Create<ui::Button>({8, 8, 80, 30});
  save.OnClick = [&](void*) { dialog->SetModalResult(ui::mrOk); };
  bool blockedInside = false;
  int shows = 0;
  dialog->OnShow = [&](void*) { ++shows; };
  loop_->Post([&] {
    blockedInside = !::IsWindowEnabled(FormHandle());
    Click(save);
  });
  EXPECT_EQ(dialog->ShowModal(), ui::mrOk);
  EXPECT_TRUE(blockedInside);
  EXPECT_TRUE(::IsWindowEnabled(FormHandle()));
  EXPECT_FALSE(dialog->Visible());

  // Closing ends it with mrCancel; the form's own disabled flag survives.
  form_->SetEnabled(false);
  loop_->Post([&] { dialog->Close(); });
  EXPECT_EQ(dialog->ShowModal(), ui::mrCancel);
  EXPECT_FALSE(::IsWindowEnabled(FormHandle()));
  EXPECT_EQ(shows, 2);
}

}  // namespace
}  // namespace keldo::test
