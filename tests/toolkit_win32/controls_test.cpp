#include "shell/toolkit/win32/controls.h"

#include <string>

#include "shell/toolkit/messages.h"
#include "tests/toolkit_win32/win32_fixture.h"

namespace keldo::test {
namespace {

using Win32Controls = Win32Ui;

TEST_F(Win32Controls, CheckBoxRunsItsClickOnEveryChangeAndOnlyThen) {
  auto& box = form_->Create<ui::CheckBox>({8, 8, 200, 25});
  int clicks = 0;
  box.OnClick = [&](void*) { ++clicks; };

  box.SetChecked(false);  // the state it has
  EXPECT_EQ(clicks, 0);
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(::SendMessageA(Handle(box), BM_GETCHECK, 0, 0), BST_CHECKED);

  Click(box);  // the user's click toggles it back
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(::SendMessageA(Handle(box), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(clicks, 2);
}

TEST_F(Win32Controls, RadioButtonsAreGroupedByTheirGroupBox) {
  auto& group = form_->Create<ui::GroupBox>({8, 8, 200, 80});
  auto& server = form_->Create<ui::RadioButton>({8, 16, 180, 20}, &group);
  auto& client = form_->Create<ui::RadioButton>({8, 40, 180, 20}, &group);
  auto& outside = form_->Create<ui::RadioButton>({8, 100, 180, 20});
  int serverClicks = 0;
  int clientClicks = 0;
  server.OnClick = [&](void*) { ++serverClicks; };
  client.OnClick = [&](void*) { ++clientClicks; };

  outside.SetChecked(true);
  server.SetChecked(true);
  EXPECT_TRUE(outside.Checked()) << "another parent is another group";
  Click(client);
  EXPECT_TRUE(client.Checked());
  EXPECT_FALSE(server.Checked());
  EXPECT_EQ(::SendMessageA(Handle(server), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Click(client);  // the ticked one: nothing
  EXPECT_EQ(serverClicks, 1);
  EXPECT_EQ(clientClicks, 1);

  // Placed inside the group box, not at the form's origin.
  RECT rect{};
  ::GetWindowRect(Handle(client), &rect);
  POINT corner{rect.left, rect.top};
  ::ScreenToClient(FormHandle(), &corner);
  EXPECT_EQ(corner.x, 16);
  EXPECT_EQ(corner.y, 48);
}

TEST_F(Win32Controls, ScrollBarStaysInItsRangeAndReportsEachMove) {
  auto& bar = form_->Create<ui::ScrollBar>({8, 8, 160, 25});
  bar.SetRange(1, 9999);
  bar.SetSmallChange(1);
  bar.SetLargeChange(10);
  int changes = 0;
  bar.OnChange = [&](void*) { ++changes; };

  EXPECT_EQ(bar.Position(), 1) << "clamped into the new range";
  Scroll(bar, SB_PAGERIGHT);
  EXPECT_EQ(bar.Position(), 11);
  Scroll(bar, SB_LINELEFT);
  EXPECT_EQ(bar.Position(), 10);
  Scroll(bar, SB_RIGHT);
  EXPECT_EQ(bar.Position(), 9999);
  Scroll(bar, SB_PAGERIGHT);  // already at the end: no change
  EXPECT_EQ(bar.Position(), 9999);
  EXPECT_EQ(::GetScrollPos(Handle(bar), SB_CTL), 9999);
  bar.SetPosition(12000);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 1);
  EXPECT_EQ(changes, 4);
}

TEST_F(Win32Controls, EditLimitsTypingButNotTheProgram) {
  auto& edit = form_->Create<ui::Edit>({8, 8, 100, 24});
  edit.SetMaxLength(4);
  edit.SetText("123456");
  EXPECT_EQ(edit.Text(), "123456");

  edit.SetText("");
  Type(edit, "abcdef");
  EXPECT_EQ(edit.Text(), "abcd");

  edit.SetReadOnly(true);
  edit.SetText("");
  Type(edit, "xy");
  EXPECT_EQ(edit.Text(), "");
}

TEST_F(Win32Controls, ComboBoxChoosesExactTextsAndKeepsTypedText) {
  auto& speed = form_->Create<ui::ComboBox>({8, 8, 200, 24});
  speed.SetStyle(ui::ComboStyle::DropDownList);
  for (const char* item : {"9600,n,8,1", "19200,e,8,1"}) {
    speed.AddItem(item);
  }
  speed.SetText("19200,E,8,1");
  EXPECT_EQ(speed.ItemIndex(), -1) << "the native search ignores case; the widget set does not";
  speed.SetText("19200,e,8,1");
  EXPECT_EQ(speed.ItemIndex(), 1);
  EXPECT_EQ(::SendMessageA(Handle(speed), CB_GETCURSEL, 0, 0), 1);
  speed.SetItemIndex(7);
  EXPECT_EQ(speed.ItemIndex(), -1);
  EXPECT_EQ(speed.Text(), "");

  auto& port = form_->Create<ui::ComboBox>({8, 40, 100, 24});
  port.AddItem("COM1");
  port.AddItem("COM3");
  port.SetItemIndex(1);
  EXPECT_EQ(port.Text(), "COM3");
  port.SetText("COM12");
  EXPECT_EQ(port.ItemIndex(), 1);
  port.ClearItems();
  EXPECT_EQ(port.Text(), "COM12") << "the editable field keeps its text";
  EXPECT_EQ(port.ItemIndex(), -1);

  // A style change makes a new native box with the same items and choice.
  speed.SetItemIndex(0);
  speed.SetStyle(ui::ComboStyle::DropDown);
  EXPECT_EQ(::SendMessageA(Handle(speed), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(speed.Text(), "9600,n,8,1");
}

TEST_F(Win32Controls, MemoCountsDisplayLinesAsTheControlWrapsThem) {
  form_->SetFont({"Courier New", 13, ui::Charset::Ansi});
  auto& memo = form_->Create<ui::Memo>({4, 160, 306, 89});
  memo.SetReadOnly(true);
  memo.SetVerticalScrollBar(true);
  EXPECT_EQ(memo.LineCount(), 0) << "an empty memo has no line";

  memo.AppendLine("Server Mode");
  memo.AppendLine("");
  EXPECT_EQ(memo.LineCount(), 2);
  const std::string words =
      "Socket Error! the peer went away while the link was running and came back later";
  memo.AppendLine(words);
  EXPECT_GT(memo.LineCount(), 3) << "a line wider than the view wraps";
  EXPECT_EQ(memo.Lines().size(), 3u);
  EXPECT_EQ(memo.Lines()[2], words);

  // A double click on the log clears it (the control keeps its own reaction).
  memo.OnDblClick = [&memo](void*) { memo.Clear(); };
  ::SendMessageA(Handle(memo), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(memo.LineCount(), 0);
  EXPECT_TRUE(memo.Lines().empty());
  memo.AppendLine("next");
  EXPECT_EQ(memo.LineCount(), 1);
  EXPECT_EQ(::GetWindowTextLengthA(Handle(memo)), 4) << "no line break before the first line";
}

TEST_F(Win32Controls, StatusBarPanelsAndGroupBoxStateReachTheirControls) {
  auto& bar = form_->Create<ui::StatusBar>({0, 288, 317, 25});
  EXPECT_EQ(bar.AddPanel(160, ui::Alignment::Left), 0);
  EXPECT_EQ(bar.AddPanel(160, ui::Alignment::Center), 1);
  bar.SetPanelText(1, "COM:12");
  EXPECT_EQ(bar.PanelText(1), "COM:12");
  EXPECT_EQ(bar.PanelText(0), "");

  auto& group = form_->Create<ui::GroupBox>({8, 8, 200, 80});
  auto& edit = form_->Create<ui::Edit>({8, 16, 100, 24}, &group);
  group.SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(Handle(edit)));
  EXPECT_TRUE(edit.Enabled()) << "its own flag stays";
  group.SetEnabled(true);
  EXPECT_TRUE(::IsWindowEnabled(Handle(edit)));
  group.SetVisible(false);
  EXPECT_EQ(::GetWindowLongPtrA(Handle(edit), GWL_STYLE) & WS_VISIBLE, 0);
  edit.SetEnabled(false);
  group.SetVisible(true);
  EXPECT_FALSE(::IsWindowEnabled(Handle(edit)));
}

}  // namespace
}  // namespace keldo::test
