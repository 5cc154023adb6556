#include "shell/toolkit/win32/toolkit.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/platform/win32/event_loop.h"
#include "shell/toolkit/win32/form.h"

namespace keldo::ui::win32 {

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
  return activeForm_;
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
  for (Win32Form* form : forms_) {
    if (form->Handle() == root) {
      return form;
    }
  }
  return nullptr;
}

void Win32Toolkit::FormCreated(Win32Form& form) {
  forms_.push_back(&form);
  if (mainForm_ == nullptr) {
    mainForm_ = &form;
  }
}

void Win32Toolkit::FormDestroyed(Win32Form& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
  modal_.erase(std::remove(modal_.begin(), modal_.end(), &form), modal_.end());
  if (mainForm_ == &form) {
    mainForm_ = nullptr;
  }
  if (activeForm_ == &form) {
    FormHidden(form);
  }
}

void Win32Toolkit::FormActivated(Win32Form& form) {
  activeForm_ = &form;
}

void Win32Toolkit::FormHidden(Win32Form& form) {
  if (activeForm_ != nullptr && activeForm_ != &form) {
    return;
  }
  // The focus goes to the topmost modal form, else to the last visible one.
  activeForm_ = nullptr;
  if (Win32Form* modal = ModalForm(); modal != nullptr && modal != &form && modal->Visible()) {
    activeForm_ = modal;
    return;
  }
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
    if (*it != &form && (*it)->Visible()) {
      activeForm_ = *it;
      return;
    }
  }
}

void Win32Toolkit::ModalEnds(Win32Form& form) {
  modal_.erase(std::remove(modal_.begin(), modal_.end(), &form), modal_.end());
}

std::vector<Win32Form*> Win32Toolkit::BlockForms(Win32Form* except) {
  std::vector<Win32Form*> blocked;
  for (Win32Form* form : forms_) {
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
    if (std::find(forms_.begin(), forms_.end(), form) != forms_.end()) {
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
