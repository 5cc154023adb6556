#include "shell/toolkit/win32/toolkit.h"

#include <vector>

#include "shell/toolkit/messages.h"
#include "tests/toolkit_win32/win32_fixture.h"

namespace keldo::test {
namespace {

using Win32App = Win32Ui;

TEST_F(Win32App, TheMainFormsMinimiseReachesTheHooksAsItCame) {
  ui::Application& app = toolkit_->App();
  form_->Show();
  EXPECT_EQ(app.MainForm(), form_.get());
  std::vector<std::uintptr_t> seen;
  const auto id = app.AddHook([&](ui::Message& message) {
    if (message.Msg == ui::kWmSysCommand) {
      seen.push_back(message.WParam);
    }
    return false;
  });

  // A code with low bits set (as a title-bar click sends) is passed on as is.
  ::SendMessageA(FormHandle(), WM_SYSCOMMAND, SC_MINIMIZE | 2, 0);
  EXPECT_EQ(seen, (std::vector<std::uintptr_t>{ui::kScMinimize | 2}));
  EXPECT_TRUE(app.Minimized()) << "the application's own handling follows the hooks";

  // A hook that handles the command stops the application's own handling.
  app.RemoveHook(id);
  app.AddHook([](ui::Message& message) { return message.Msg == ui::kWmSysCommand; });
  ::SendMessageA(dynamic_cast<ui::win32::Win32Application&>(app).Handle(), WM_SYSCOMMAND,
                 SC_RESTORE, 0);
  EXPECT_TRUE(app.Minimized());
}

TEST_F(Win32App, TaskbarEntryHidesAndComesBackWithoutTouchingTheForms) {
  ui::Application& app = toolkit_->App();
  form_->Show();
  EXPECT_TRUE(app.TaskbarEntryVisible()) << "the main form's show puts it there";
  app.ShowWindow(ui::kSwHide);
  EXPECT_FALSE(app.TaskbarEntryVisible());
  EXPECT_TRUE(::IsWindowVisible(FormHandle()));
  app.ShowWindow(ui::kSwRestore);
  EXPECT_TRUE(app.TaskbarEntryVisible());
  EXPECT_TRUE(toolkit_->TopLevelWindowExists("KeldoTestForm"));
  EXPECT_FALSE(toolkit_->TopLevelWindowExists("KeldoNoSuchForm"));
}

TEST_F(Win32App, MessageWindowsGetTheAnnouncementsAndAnswerTheSessionQuery) {
  std::vector<unsigned> seen;
  auto window = toolkit_->CreateMessageWindow([&](ui::Message& message) {
    seen.push_back(message.Msg);
    if (message.Msg == ui::kWmQueryEndSession) {
      message.Result = 1;
    }
  });
  HWND handle = reinterpret_cast<HWND>(window->Handle());
  EXPECT_EQ(::GetParent(handle), nullptr) << "top-level: broadcasts reach it";

  ::SendMessageA(handle, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(::SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), 1);
  ::SendMessageA(handle, WM_ENDSESSION, FALSE, 0);
  ::SendMessageA(handle, WM_USER + 1, 7, WM_RBUTTONUP);
  ::SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));  // the system's
  EXPECT_EQ(seen, (std::vector<unsigned>{ui::kWmTaskbarCreated, ui::kWmQueryEndSession,
                                         ui::kWmEndSession, ui::kWmUser + 1}));
}

}  // namespace
}  // namespace keldo::test
