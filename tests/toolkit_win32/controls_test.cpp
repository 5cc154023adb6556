#include "shell/toolkit/win32/controls.h"

#include <commctrl.h>

#include <chrono>
#include <string>

#include "tests/support/test_loop.h"
#include "tests/toolkit_win32/win32_fixture.h"

namespace keldo::test {
namespace {

using Win32Controls = Win32Ui;

// Every control is a child of the form's window: one in a group box is
// offset by the box, not placed at the form's origin.
TEST_F(Win32Controls, AControlInAGroupBoxIsPlacedInsideIt) {
  auto& group = form_->Create<ui::GroupBox>({8, 8, 200, 80});
  auto& client = form_->Create<ui::RadioButton>({8, 40, 180, 20}, &group);
  RECT rect{};
  ::GetWindowRect(Handle(client), &rect);
  POINT corner{rect.left, rect.top};
  ::ScreenToClient(FormHandle(), &corner);
  EXPECT_EQ(corner.x, 16);
  EXPECT_EQ(corner.y, 48);
}

// The pointer as the system moves it: input through the system's queue, so
// the window under it gets what Windows (or Wine) gives it.
void MovePointer(POINT screen) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
  input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &input, sizeof input);
}

// A disabled window gets no mouse input, yet the hint of a picture button
// shows in every state.
TEST_F(Win32Controls, TheHintOfAPictureButtonShowsEnabledOrNot) {
  for (bool enabled : {true, false}) {
    SCOPED_TRACE(enabled ? "enabled" : "disabled");
    auto form = toolkit_->CreateForm("KeldoTestForm");
    form->SetClientSize({120, 80});
    auto& button = form->Create<ui::Button>({40, 20, 33, 33});
    button.SetHint("Pause data process");
    button.SetEnabled(enabled);
    form->Show();
    HWND tooltip = dynamic_cast<ui::win32::Win32Form&>(*form).Tooltip();
    ::SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, 50);
    POINT at{16, 16};
    ::ClientToScreen(Handle(button), &at);
    MovePointer({at.x - 4, at.y - 4});
    RunFor(*loop_, std::chrono::milliseconds(50));
    MovePointer(at);
    EXPECT_TRUE(WaitUntil(
        *loop_, [&] { return ::IsWindowVisible(tooltip) != FALSE; }, std::chrono::seconds(3)));
    MovePointer({0, 0});
    RunFor(*loop_, std::chrono::milliseconds(50));
  }
}

}  // namespace
}  // namespace keldo::test
