#include "shell/toolkit/win32/form.h"

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

// Hidden in the tray, the main form has no place to centre a dialog over:
// one asked for then stands in the middle of the screen.
TEST_F(Win32Forms, ADialogShownWhileTheMainFormIsHiddenIsCentredOnTheScreen) {
  form_->Show();
  ::SetWindowPos(FormHandle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  toolkit_->App().Minimize();
  toolkit_->App().ShowWindow(ui::kSwHide);
  auto dialog = toolkit_->CreateForm("KeldoTestDialog");
  dialog->SetClientSize({360, 344});
  dialog->SetPosition(ui::FormPosition::MainFormCenter);
  dialog->Show();
  HWND window = dynamic_cast<ui::win32::Win32Form&>(*dialog).Handle();
  RECT rect{};
  ::GetWindowRect(window, &rect);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_NEAR((rect.left + rect.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((rect.top + rect.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

}  // namespace
}  // namespace keldo::test
