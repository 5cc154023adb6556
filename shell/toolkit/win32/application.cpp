#include <algorithm>

#include "shell/toolkit/messages.h"
#include "shell/toolkit/system_command.h"
#include "shell/toolkit/win32/form.h"
#include "shell/toolkit/win32/toolkit.h"

namespace keldo::ui::win32 {

namespace {

constexpr char kApplicationClass[] = "KeldoApplication";

}  // namespace

Win32Application::Win32Application(Win32Toolkit& toolkit) : toolkit_(toolkit) {
  RegisterWindowClass(toolkit_.Instance(), kApplicationClass, &Win32Application::WindowProc);
  // A caption and a minimise box, so the taskbar shows an entry for it; no
  // size, so nothing of it is seen but that entry.
  const int left = ::GetSystemMetrics(SM_CXSCREEN) / 2;
  const int top = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  window_ =
      CreateWindowOrThrow("the application window", 0, kApplicationClass, "",
                          WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                          left, top, 0, 0, nullptr, toolkit_.Instance(), this);
}

Win32Application::~Win32Application() {
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

void Win32Application::SetTitle(const std::string& title) {
  ::SetWindowTextA(window_, title.c_str());
}

std::string Win32Application::Title() const {
  char text[512] = {};
  ::GetWindowTextA(window_, text, sizeof text);
  return text;
}

void Win32Application::SetIcon(const art::Picture& picture) {
  OwnedIcon icon = CreateIconFromPicture(picture);
  icon_ = MakeIcon(picture);
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
  iconHandle_ = std::move(icon);
}

Form* Win32Application::MainForm() const {
  return toolkit_.MainForm();
}

void Win32Application::MainFormShown() {
  if (!::IsWindowVisible(window_) && !minimized_) {
    ::ShowWindow(window_, SW_SHOWNA);
  }
}

void Win32Application::Minimize() {
  if (minimized_) {
    return;
  }
  minimized_ = true;
  // The forms leave the screen with the application and keep their Visible.
  for (Win32Form* form : toolkit_.Forms()) {
    form->ScreenHide();
  }
  ::ShowWindow(window_, SW_MINIMIZE);
}

void Win32Application::Restore() {
  if (!minimized_) {
    return;
  }
  minimized_ = false;
  if (::IsIconic(window_)) {
    ::ShowWindow(window_, SW_RESTORE);
  }
  for (Win32Form* form : toolkit_.Forms()) {
    form->ScreenShow();
  }
  Win32Form* top = toolkit_.ModalForm();
  if (top == nullptr) {
    top = dynamic_cast<Win32Form*>(MainForm());
  }
  if (top != nullptr && top->Visible()) {
    ::SetForegroundWindow(top->Handle());
  }
}

void Win32Application::ShowWindow(int command) {
  ::ShowWindow(window_, command);
}

bool Win32Application::TaskbarEntryVisible() const {
  return ::IsWindowVisible(window_) != FALSE;
}

void Win32Application::SetForeground() {
  ::SetForegroundWindow(window_);
  // The application's window hands the activation on to the form in front.
  Win32Form* top = toolkit_.ModalForm();
  if (top == nullptr) {
    top = dynamic_cast<Win32Form*>(MainForm());
  }
  if (top != nullptr && top->Visible() && !minimized_) {
    ::SetForegroundWindow(top->Handle());
  }
}

int Win32Application::ShowMessageBox(const std::string& text, const std::string& caption,
                                     unsigned flags) {
  // Like a modal form: the forms take no input while the box is up.
  const std::vector<Win32Form*> blocked = toolkit_.BlockForms(nullptr);
  const int answer = ::MessageBoxA(window_, text.c_str(), caption.c_str(), flags);
  toolkit_.UnblockForms(blocked);
  return answer;
}

void Win32Application::Run() {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  if ((startup.dwFlags & STARTF_USESHOWWINDOW) != 0) {
    auto* main = dynamic_cast<Win32Form*>(MainForm());
    if (startup.wShowWindow == SW_SHOWMAXIMIZED && main != nullptr && main->Visible()) {
      ::ShowWindow(main->Handle(), SW_SHOWMAXIMIZED);
    } else if (startup.wShowWindow == SW_SHOWMINNOACTIVE) {
      Minimize();
    }
  }
  toolkit_.Loop().RunUntil([this] { return Terminated(); });
}

LRESULT CALLBACK Win32Application::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* app = reinterpret_cast<Win32Application*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (app == nullptr || app->window_ == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return app->Handle(message, wParam, lParam);
}

LRESULT Win32Application::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  Message hooked{message, wParam, lParam, 0};
  bool handled = false;
  toolkit_.Guard([&] { handled = CallHooks(hooked); });
  if (handled) {
    return hooked.Result;
  }
  switch (message) {
    case WM_SYSCOMMAND: {
      const WPARAM command = wParam & 0xFFF0;
      if (command == SC_MINIMIZE || command == SC_RESTORE || command == SC_CLOSE) {
        toolkit_.Guard([&] { PerformSystemCommand(*this, command); });
        return 0;
      }
      break;
    }
    case WM_SETFOCUS: {
      // The taskbar entry was activated: the form in front takes the focus.
      Win32Form* top = toolkit_.ModalForm();
      if (top == nullptr) {
        top = dynamic_cast<Win32Form*>(MainForm());
      }
      if (top != nullptr && top->Visible() && !minimized_ && ::IsWindowEnabled(top->Handle())) {
        ::SetFocus(top->Handle());
      }
      return 0;
    }
    case WM_CLOSE:
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace keldo::ui::win32
