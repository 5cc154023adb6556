#include "shell/toolkit/win32/controls.h"

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

}  // namespace
}  // namespace keldo::test
