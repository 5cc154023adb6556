#include "shell/toolkit/win32/toolkit.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "engine/platform/win32/event_loop.h"
#include "shell/toolkit/errors.h"
#include "shell/toolkit/win32/form.h"

namespace keldo::ui::win32 {

void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, UINT style,
                         HCURSOR cursor) {
  WNDCLASSA windowClass{};
  if (::GetClassInfoA(instance, name, &windowClass) != FALSE) {
    return;
  }
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = cursor;
  windowClass.lpszClassName = name;
  if (::RegisterClassA(&windowClass) == 0) {
    throw EOutOfResources(std::string("cannot register the window class ") + name);
  }
}

HWND CreateWindowOrThrow(const char* what, DWORD exStyle, const char* windowClass,
                         const char* caption, DWORD style, int x, int y, int width, int height,
                         HWND owner, HINSTANCE instance, void* param) {
  HWND window = ::CreateWindowExA(exStyle, windowClass, caption, style, x, y, width, height, owner,
                                  nullptr, instance, param);
  if (window == nullptr) {
    throw EOutOfResources(std::string("cannot create ") + what);
  }
  return window;
}

Win32Toolkit::Win32Toolkit(EventLoop& loop) : loop_(loop), instance_(::GetModuleHandleA(nullptr)) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&controls);
  // The shell broadcasts it when its notification area starts afresh.
  taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");
  app_ = std::make_unique<Win32Application>(*this);
  // The loop may be a test's that only hands part of its work to Windows;
  // the keyboard navigation then stays off.
  win32Loop_ = dynamic_cast<Win32EventLoop*>(&loop_);
  if (win32Loop_ != nullptr) {
    win32Loop_->SetMessageFilter([this](MSG& message) { return FilterMessage(message); });
  }
}

Win32Toolkit::~Win32Toolkit() {
  if (win32Loop_ != nullptr) {
    win32Loop_->SetMessageFilter(nullptr);
  }
}

std::unique_ptr<Form> Win32Toolkit::CreateForm(const std::string& className) {
  return std::make_unique<Win32Form>(*this, className);
}

bool Win32Toolkit::TopLevelWindowExists(const std::string& className) {
  return ::FindWindowA(className.c_str(), nullptr) != nullptr;
}

Form* Win32Toolkit::ActiveForm() {
  return book_.ActiveForm();
}

Point Win32Toolkit::CursorPos() {
  POINT at{};
  ::GetCursorPos(&at);
  return {at.x, at.y};
}

bool Win32Toolkit::KeyDown(int virtualKey) {
  return ::GetKeyState(virtualKey) < 0;
}

void Win32Toolkit::ResetCursor() {
  ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
}

Win32Form* Win32Toolkit::FormOf(HWND window) const {
  if (window == nullptr) {
    return nullptr;
  }
  const HWND root = ::GetAncestor(window, GA_ROOT);
  for (Win32Form* form : Forms()) {
    if (form->Handle() == root) {
      return form;
    }
  }
  return nullptr;
}

void Win32Toolkit::FormDestroyed(Win32Form& form) {
  if (book_.Destroyed(form)) {
    book_.PassActivation(form);
  }
}

void Win32Toolkit::FormHidden(Win32Form& form) {
  book_.PassActivation(form);
}

std::vector<Win32Form*> Win32Toolkit::BlockForms(Win32Form* except) {
  std::vector<Win32Form*> blocked;
  for (Win32Form* form : Forms()) {
    if (form != except) {
      form->Block();
      blocked.push_back(form);
    }
  }
  return blocked;
}

void Win32Toolkit::UnblockForms(const std::vector<Win32Form*>& forms) {
  for (Win32Form* form : forms) {
    // A form destroyed meanwhile is no longer listed.
    if (std::find(Forms().begin(), Forms().end(), form) != Forms().end()) {
      form->Unblock();
    }
  }
}

bool Win32Toolkit::FilterMessage(MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_CHAR &&
      message.message != WM_SYSCHAR) {
    return false;
  }
  Win32Form* form = FormOf(message.hwnd);
  if (form == nullptr || !::IsWindowEnabled(form->Handle())) {
    return false;
  }
  bool used = false;
  Guard([&] { used = form->HandleKey(message); });
  return used;
}

}  // namespace keldo::ui::win32

namespace keldo::ui {

std::unique_ptr<Toolkit> CreatePlatformToolkit(EventLoop& loop) {
  return std::make_unique<win32::Win32Toolkit>(loop);
}

}  // namespace keldo::ui
