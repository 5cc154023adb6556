#include <stdexcept>
#include <string>
#include <vector>

#include "shell/toolkit/messages.h"
#include "tests/toolkit_contract/contract.h"

namespace keldo::test {
namespace {

using ui::ScrollAction;

TEST_F(ContractTest, CheckBoxRunsItsHandlerOnEveryChangeAndOnlyThen) {
  auto& form = NewForm();
  auto& box = form.Create<ui::CheckBox>({8, 8, 200, 25});
  box.SetCaption("Power on auto run.");
  form.SetTabOrder({&box});
  std::vector<bool> seen;
  box.OnClick = [&](void* sender) {
    EXPECT_EQ(sender, &box);
    seen.push_back(box.Checked());
  };
  box.SetChecked(false);  // the state it has: nothing
  box.SetChecked(true);
  box.SetChecked(true);
  EXPECT_TRUE(user_.ShownChecked(box));

  user_.ShowActive(form);
  user_.Click(box);
  EXPECT_FALSE(box.Checked());
  EXPECT_FALSE(user_.ShownChecked(box));
  user_.Key(ui::kVkSpace);  // focused by the click
  EXPECT_TRUE(box.Checked());
  EXPECT_TRUE(user_.ShownChecked(box));
  box.SetEnabled(false);
  user_.Click(box);
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
}

TEST_F(ContractTest, RadioButtonsTickOnePerParentAndRunOnlyForANewTick) {
  auto& form = NewForm();
  auto& group = form.Create<ui::GroupBox>({8, 8, 200, 80});
  auto& server = form.Create<ui::RadioButton>({8, 16, 180, 20}, &group);
  auto& client = form.Create<ui::RadioButton>({8, 40, 180, 20}, &group);
  auto& outside = form.Create<ui::RadioButton>({8, 100, 180, 20});
  server.SetCaption("Server");
  client.SetCaption("Client");
  std::vector<std::string> ran;
  server.OnClick = [&](void*) { ran.push_back("server"); };
  client.OnClick = [&](void*) { ran.push_back("client"); };
  outside.OnClick = [&](void*) { ran.push_back("outside"); };
  form.SetTabOrder({&client, &server, &outside});

  outside.SetChecked(true);
  server.SetChecked(true);
  server.SetChecked(true);  // ticked already: no event
  EXPECT_TRUE(outside.Checked()) << "another parent is another group";
  user_.ShowActive(form);
  user_.Click(client);
  user_.Click(client);  // the ticked one: nothing
  EXPECT_FALSE(server.Checked());
  EXPECT_FALSE(user_.ShownChecked(server));
  EXPECT_TRUE(user_.ShownChecked(client));

  // The arrows move through the group, round its end, and tick as they go.
  user_.Key(ui::kVkDown);
  EXPECT_TRUE(server.Checked());
  EXPECT_FALSE(client.Checked());
  EXPECT_EQ(form.ActiveControl(), &server);
  user_.Key(ui::kVkDown);
  EXPECT_TRUE(client.Checked());
  EXPECT_TRUE(user_.ShownChecked(client));
  EXPECT_TRUE(outside.Checked());

  client.SetChecked(false);  // the program may clear the last ticked one
  EXPECT_FALSE(client.Checked());
  EXPECT_FALSE(user_.ShownChecked(client));
  EXPECT_EQ(ran, (std::vector<std::string>{"outside", "server", "client", "server", "client"}));
}

TEST_F(ContractTest, ScrollBarStaysInRangeAndReportsEachMoveOnce) {
  auto& form = NewForm();
  auto& bar = form.Create<ui::ScrollBar>({8, 8, 161, 25});
  std::vector<int> seen;
  bar.OnChange = [&](void*) { seen.push_back(bar.Position()); };
  bar.SetRange(1, 9999);  // moves 0 up to 1
  bar.SetSmallChange(1);
  bar.SetLargeChange(10);
  bar.SetPosition(1);
  bar.SetPosition(12000);
  bar.SetPosition(-5);
  EXPECT_EQ(seen, (std::vector<int>{1, 9999, 1}));
  EXPECT_EQ(user_.ShownPosition(bar), 1);

  user_.ShowActive(form);
  seen.clear();
  const struct {
    ScrollAction action;
    int position;
  } steps[] = {{ScrollAction::LineLeft, 1},     {ScrollAction::PageRight, 11},
               {ScrollAction::LineRight, 12},   {ScrollAction::End, 9999},
               {ScrollAction::PageRight, 9999}, {ScrollAction::PageLeft, 9989},
               {ScrollAction::Home, 1}};
  for (const auto& step : steps) {
    user_.Scroll(bar, step.action);
    EXPECT_EQ(bar.Position(), step.position);
    EXPECT_EQ(user_.ShownPosition(bar), step.position);
  }
  EXPECT_EQ(seen, (std::vector<int>{11, 12, 9999, 9989, 1}));

  // The keys while it has the focus.
  bar.SetFocus();
  user_.Key(ui::kVkNext);
  user_.Key(ui::kVkRight);
  user_.Key(ui::kVkEnd);
  user_.Key(ui::kVkLeft);
  EXPECT_EQ(bar.Position(), 9998);
  EXPECT_EQ(user_.ShownPosition(bar), 9998);
}

TEST_F(ContractTest, MaxLengthLimitsTypingButNeverTheProgramsText) {
  auto& form = NewForm();
  auto& edit = form.Create<ui::Edit>({8, 8, 200, 24});
  auto& id = form.Create<ui::Edit>({8, 40, 49, 24});
  edit.SetMaxLength(4);
  id.SetReadOnly(true);
  id.SetText("0001");
  form.SetTabOrder({&edit, &id});
  edit.SetText("123456");
  EXPECT_EQ(edit.Text(), "123456");

  edit.SetText("");
  user_.ShowActive(form);
  user_.Type(edit, "abcdef");
  EXPECT_EQ(edit.Text(), "abcd");
  EXPECT_EQ(user_.ShownText(edit), "abcd");
  edit.SetText("abcdefgh");
  user_.Type(edit, "xy");  // already past the limit: nothing more
  EXPECT_EQ(edit.Text(), "abcdefgh");
  user_.Type(id, "7");
  EXPECT_EQ(id.Text(), "0001");
}

TEST_F(ContractTest, EditableComboKeepsTypedTextApartFromTheChosenItem) {
  auto& form = NewForm();
  auto& com = form.Create<ui::ComboBox>({8, 8, 97, 24});
  auto& next = form.Create<ui::Edit>({8, 40, 97, 24});
  com.SetStyle(ui::ComboStyle::DropDown);
  form.SetTabOrder({&com, &next});
  com.AddItem("COM1");
  com.AddItem("COM3");
  EXPECT_EQ(com.ItemIndex(), -1) << "adding chooses nothing";
  EXPECT_EQ(com.Text(), "");

  com.SetItemIndex(1);
  EXPECT_EQ(com.Text(), "COM3");
  EXPECT_EQ(user_.ShownItemIndex(com), 1);
  com.SetText("COM7");  // the field shows a port the list lacks
  EXPECT_EQ(com.ItemIndex(), 1);
  EXPECT_EQ(com.Text(), "COM7");
  EXPECT_EQ(user_.ShownText(com), "COM7");
  com.SetItemIndex(1);  // the same item again replaces the text
  EXPECT_EQ(com.Text(), "COM3");
  com.SetItemIndex(5);  // outside: none, and an empty field
  EXPECT_EQ(com.ItemIndex(), -1);
  EXPECT_EQ(com.Text(), "");
  EXPECT_EQ(user_.ShownText(com), "");

  // Typing, also a text that names an item, leaves the choice alone.
  com.SetItemIndex(0);
  user_.ShowActive(form);
  user_.Type(com, "2");
  EXPECT_EQ(com.Text(), "COM12");
  EXPECT_EQ(com.ItemIndex(), 0);
  com.SetText("");
  user_.Type(com, "COM3");
  user_.Key(ui::kVkTab);
  EXPECT_EQ(com.Text(), "COM3");
  EXPECT_EQ(com.ItemIndex(), 0);

  // Emptying the list keeps what the field shows.
  com.ClearItems();
  EXPECT_EQ(com.ItemCount(), 0);
  EXPECT_EQ(com.ItemIndex(), -1);
  EXPECT_EQ(com.Text(), "COM3");
  EXPECT_EQ(user_.ShownText(com), "COM3");
  EXPECT_THROW(com.Item(0), std::out_of_range);
}

TEST_F(ContractTest, ChoiceOnlyComboTakesTextOnlyAsAnItem) {
  auto& form = NewForm();
  auto& speed = form.Create<ui::ComboBox>({8, 8, 209, 24});
  speed.SetStyle(ui::ComboStyle::DropDownList);
  form.SetTabOrder({&speed});
  for (const char* item : {"4800,n,8,1", "19200,e,8,1", "19200,E,8,1"}) {
    speed.AddItem(item);
  }
  EXPECT_EQ(speed.ItemIndex(), -1);
  speed.SetText("19200,E,8,1");  // exactly, letter case included
  EXPECT_EQ(speed.ItemIndex(), 2);
  speed.SetText("19200");
  EXPECT_EQ(speed.ItemIndex(), -1);
  EXPECT_EQ(speed.Text(), "");
  speed.SetItemIndex(1);
  EXPECT_EQ(speed.Text(), "19200,e,8,1");
  EXPECT_EQ(user_.ShownItemIndex(speed), 1);
  EXPECT_EQ(speed.Item(2), "19200,E,8,1");
  EXPECT_THROW(speed.Item(3), std::out_of_range);

  user_.ShowActive(form);
  user_.ChooseItem(speed, 0);
  EXPECT_EQ(speed.ItemIndex(), 0);
  EXPECT_EQ(speed.Text(), "4800,n,8,1");
  user_.Key(ui::kVkDown);
  EXPECT_EQ(speed.ItemIndex(), 1);
  EXPECT_EQ(user_.ShownItemIndex(speed), 1);
  user_.Type(speed, "x");  // no text field to type into
  EXPECT_EQ(speed.Text(), "19200,e,8,1");

  // Another style keeps the items and the choice.
  speed.SetStyle(ui::ComboStyle::DropDown);
  EXPECT_EQ(speed.ItemCount(), 3);
  EXPECT_EQ(speed.Text(), "19200,e,8,1");
  EXPECT_EQ(user_.ShownItemIndex(speed), 1);
}

TEST_F(ContractTest, MemoCountsDisplayLinesButNotAnEmptyLastLine) {
  auto& form = NewForm();
  form.SetFont({"Courier New", 13, ui::Charset::Ansi});
  auto& memo = form.Create<ui::Memo>({4, 160, 306, 89});
  memo.SetReadOnly(true);
  memo.SetVerticalScrollBar(true);
  form.SetTabOrder({&memo});
  EXPECT_EQ(memo.LineCount(), 0);

  memo.AppendLine("Server Mode");
  memo.AppendLine("");
  EXPECT_EQ(memo.LineCount(), 1);
  memo.AppendLine("x");
  EXPECT_EQ(memo.LineCount(), 3);
  const std::string words =
      "Socket Error! the peer went away while the link was running and came back later";
  memo.AppendLine(words);
  EXPECT_GT(memo.LineCount(), 4) << "a line wider than the view wraps";
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"Server Mode", "", "x", words}));
  EXPECT_EQ(user_.ShownText(memo), "Server Mode\n\nx\n" + words);

  int cleared = 0;
  memo.OnDblClick = [&](void*) {
    ++cleared;
    memo.Clear();
  };
  user_.ShowActive(form);
  user_.DoubleClick(memo);
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(memo.LineCount(), 0);
  EXPECT_TRUE(memo.Lines().empty());
  memo.AppendLine("next");
  EXPECT_EQ(memo.LineCount(), 1);
  EXPECT_EQ(user_.ShownText(memo), "next") << "no line break before the first line";
}

TEST_F(ContractTest, StatusBarPanelsAndIndexesOutsideThem) {
  auto& form = NewForm();
  auto& bar = form.Create<ui::StatusBar>({0, 288, 317, 25});
  EXPECT_EQ(bar.AddPanel(160, ui::Alignment::Left), 0);
  EXPECT_EQ(bar.AddPanel(160, ui::Alignment::Center), 1);
  bar.SetPanelText(1, "COM:12");
  EXPECT_EQ(bar.PanelText(0), "");
  EXPECT_THROW(bar.SetPanelText(2, "NET:1"), std::out_of_range);
  EXPECT_THROW(bar.PanelText(-1), std::out_of_range);
  EXPECT_EQ(bar.PanelText(1), "COM:12");
}

// Hidden or disabled, a group box takes its controls out of the user's reach
// and gives them back as they were.
struct GroupWay {
  const char* name;
  void (ui::Control::*set)(bool);
  bool (ui::Control::*get)() const;
};

class GroupBoxReach : public ContractTest, public ::testing::WithParamInterface<GroupWay> {};

TEST_P(GroupBoxReach, TakesItsControlsOutOfReachAndKeepsTheirOwnFlags) {
  const GroupWay& way = GetParam();
  auto& form = NewForm();
  auto& group = form.Create<ui::GroupBox>({8, 8, 200, 80});
  auto& button = form.Create<ui::Button>({8, 16, 100, 30}, &group);
  int clicks = 0;
  button.OnClick = [&](void*) { ++clicks; };
  user_.ShowActive(form);

  (group.*way.set)(false);
  user_.Click(button);
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE((button.*way.get)()) << "its own flag stays";
  (group.*way.set)(true);
  user_.Click(button);
  EXPECT_EQ(clicks, 1);
  (group.*way.set)(false);
  button.SetEnabled(false);
  (group.*way.set)(true);
  user_.Click(button);
  EXPECT_EQ(clicks, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, GroupBoxReach,
    ::testing::Values(GroupWay{"Disabled", &ui::Control::SetEnabled, &ui::Control::Enabled},
                      GroupWay{"Hidden", &ui::Control::SetVisible, &ui::Control::Visible}),
    [](const ::testing::TestParamInfo<GroupWay>& way) { return way.param.name; });

// The program's change runs the handler as a call: its error reaches the
// caller, after the change. The user's runs from the loop: its error goes to
// the loop's report.
TEST_F(ContractTest, HandlerErrorsReachTheProgramsCallerOrTheErrorReport) {
  auto& form = NewForm();
  auto& box = form.Create<ui::CheckBox>({8, 8, 200, 25});
  auto& radio = form.Create<ui::RadioButton>({8, 40, 200, 20});
  auto& bar = form.Create<ui::ScrollBar>({8, 70, 161, 25});
  auto& button = form.Create<ui::Button>({8, 100, 33, 33});
  for (ui::NotifyEvent* event : {&box.OnClick, &radio.OnClick, &bar.OnChange, &button.OnClick}) {
    *event = [](void*) { throw std::runtime_error("handler failed"); };
  }
  EXPECT_THROW(box.SetChecked(true), std::runtime_error);
  EXPECT_THROW(radio.SetChecked(true), std::runtime_error);
  EXPECT_THROW(bar.SetPosition(20), std::runtime_error);
  EXPECT_TRUE(box.Checked());
  EXPECT_TRUE(radio.Checked());
  EXPECT_EQ(bar.Position(), 20);
  EXPECT_TRUE(Errors().empty());

  user_.ShowActive(form);
  user_.Click(box);
  user_.Click(button);
  user_.Scroll(bar, ScrollAction::LineRight);
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(bar.Position(), 21);
  EXPECT_EQ(Errors(), std::vector<std::string>(3, "handler failed"));
}

}  // namespace
}  // namespace keldo::test
