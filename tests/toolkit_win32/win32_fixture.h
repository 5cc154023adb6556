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

// A real Win32 loop and widget set, and a hidden form to put controls on.
// Input is fed as the system would: notifications to the form, key messages
// through the loop's queue (and so through the toolkit's message filter).
class Win32Ui : public ::testing::Test {
 protected:
  Win32Ui()
      : loop_(CreatePlatformEventLoop()),
        toolkit_(std::make_unique<ui::win32::Win32Toolkit>(*loop_)),
        form_(toolkit_->CreateForm("KeldoTestForm")) {
    form_->SetClientSize({360, 344});
  }

  static HWND Handle(ui::Control& control) {
    return dynamic_cast<ui::win32::Win32Widget&>(control).Handle();
  }
  HWND FormHandle() const { return dynamic_cast<ui::win32::Win32Form&>(*form_).Handle(); }

  // A click on a button-like control, as the button class reports it to
  // its form.
  static void Click(ui::Control& control) {
    ::SendMessageA(::GetParent(Handle(control)), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Handle(control)));
  }
  static void Scroll(ui::ScrollBar& bar, WORD code) {
    ::SendMessageA(::GetParent(Handle(bar)), WM_HSCROLL, MAKEWPARAM(code, 0),
                   reinterpret_cast<LPARAM>(Handle(bar)));
  }
  // A key pressed while the focus is on control (or the form).
  void Key(ui::Control* focus, int virtualKey) {
    ::PostMessageA(focus != nullptr ? Handle(*focus) : FormHandle(), WM_KEYDOWN,
                   static_cast<WPARAM>(virtualKey), 0);
    loop_->ProcessEvents();
  }
  void Type(ui::Control& control, const std::string& text) {
    for (char c : text) {
      ::PostMessageA(Handle(control), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    loop_->ProcessEvents();
  }

  std::unique_ptr<EventLoop> loop_;
  std::unique_ptr<ui::win32::Win32Toolkit> toolkit_;
  std::unique_ptr<ui::Form> form_;
};

}  // namespace keldo::test
