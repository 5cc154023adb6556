#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/platform/platform_event_loop.h"
#include "shell/toolkit/win32/controls.h"
#include "shell/toolkit/win32/form.h"
#include "shell/toolkit/win32/toolkit.h"

namespace keldo::test {

inline HWND Handle(ui::Control& control) {
  return dynamic_cast<ui::win32::Win32Widget&>(control).Handle();
}

inline HWND Handle(ui::Form& form) {
  return dynamic_cast<ui::win32::Win32Form&>(form).Handle();
}

// A real Win32 loop and widget set, and a hidden form to put controls on.
class Win32Ui : public ::testing::Test {
 protected:
  Win32Ui()
      : loop_(CreatePlatformEventLoop()),
        toolkit_(std::make_unique<ui::win32::Win32Toolkit>(*loop_)),
        form_(toolkit_->CreateForm("KeldoTestForm")) {
    form_->SetClientSize({360, 344});
  }

  HWND FormHandle() const { return Handle(*form_); }

  std::unique_ptr<EventLoop> loop_;
  std::unique_ptr<ui::win32::Win32Toolkit> toolkit_;
  std::unique_ptr<ui::Form> form_;
};

}  // namespace keldo::test
