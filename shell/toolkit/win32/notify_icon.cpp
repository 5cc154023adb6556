// The notification area: shell32's icons and the hidden windows that receive
// their callbacks and the session and taskbar announcements.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>
#include <cstring>

#include "shell/toolkit/messages.h"
#include "shell/toolkit/notify_icon.h"
#include "shell/toolkit/win32/toolkit.h"

namespace keldo::ui::win32 {

namespace {

constexpr char kMessageWindowClass[] = "KeldoMessageWindow";

// A hidden top-level window, not a message-only one: only top-level windows
// receive broadcasts ("TaskbarCreated") and the session messages.
class Win32MessageWindow final : public MessageWindow {
 public:
  Win32MessageWindow(Win32Toolkit& toolkit, Handler handler)
      : toolkit_(toolkit), handler_(std::move(handler)) {
    RegisterWindowClass(toolkit_.Instance(), kMessageWindowClass, &Win32MessageWindow::WindowProc);
    window_ = CreateWindowOrThrow("a message window", 0, kMessageWindowClass, "", WS_POPUP, 0, 0, 0,
                                  0, nullptr, toolkit_.Instance(), nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }

  ~Win32MessageWindow() override {
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32MessageWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
      return ::DefWindowProcA(window, message, wParam, lParam);
    }
    Message passed{message, wParam, lParam, 0};
    if (message == self->toolkit_.TaskbarCreatedMessage()) {
      passed.Msg = kWmTaskbarCreated;
    } else if (message != WM_QUERYENDSESSION && message != WM_ENDSESSION &&
               (message < WM_USER || message >= 0x8000)) {
      // The window's own housekeeping stays the system's.
      return ::DefWindowProcA(window, message, wParam, lParam);
    }
    Handler handler = self->handler_;  // the window may go inside
    self->toolkit_.Guard([&] { handler(passed); });
    return passed.Result;
  }

  Win32Toolkit& toolkit_;
  Handler handler_;
  HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<MessageWindow> Win32Toolkit::CreateMessageWindow(MessageWindow::Handler handler) {
  return std::make_unique<Win32MessageWindow>(*this, std::move(handler));
}

bool Win32Toolkit::ShellNotifyIcon(unsigned request, const NotifyIconData& data) {
  NOTIFYICONDATAA record{};
  // The record as this build lays it out: the shell takes every size it has
  // defined, and the size tells it which fields follow.
  record.cbSize = sizeof record;
  record.hWnd = reinterpret_cast<HWND>(data.hWnd);
  record.uID = static_cast<UINT>(data.uID);
  record.uFlags = data.uFlags;
  record.uCallbackMessage = data.uCallbackMessage;
  record.hIcon = NativeIcon(data.hIcon);
  const std::size_t tip = std::min(data.szTip.size(), sizeof record.szTip - 1);
  std::memcpy(record.szTip, data.szTip.data(), tip);
  record.szTip[tip] = '\0';
  return ::Shell_NotifyIconA(request, &record) != FALSE;
}

}  // namespace keldo::ui::win32
