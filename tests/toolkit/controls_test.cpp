#include "shell/toolkit/memory/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/toolkit/messages.h"
#include "tests/toolkit/toolkit_fixture.h"

namespace keldo {
namespace {

using test::ToolkitFixture;
using ui::memory::MemoryMemo;
using ui::memory::ScrollAction;

class ControlsTest : public ToolkitFixture {
 protected:
  ControlsTest() : form_(toolkit_.CreateForm("TfrmTest")) {
    form_->SetFont({"Courier New", 13, ui::Charset::Ansi});
  }

  void ShowForm() { form_->Show(); }

  std::unique_ptr<ui::Form> form_;
};

TEST_F(ControlsTest, CheckBoxRunsItsHandlerOnlyWhenTheStateChanges) {
  auto& box = form_->Create<ui::CheckBox>({8, 256, 225, 25});
  std::vector<bool> seen;
  box.OnClick = [&](void* sender) {
    EXPECT_EQ(sender, &box);
    seen.push_back(box.Checked());
  };
  box.SetChecked(false);  // as it is: nothing
  box.SetChecked(true);
  box.SetChecked(true);
  ShowForm();
  EXPECT_TRUE(toolkit_.Click(box));
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));

  box.SetEnabled(false);
  EXPECT_FALSE(toolkit_.Click(box));
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(seen.size(), 2u);
}

TEST(MemoWrapping, BreaksAtSpacesAndInsideLongWords) {
  struct Case {
    std::string line;
    int columns;
    int lines;
  };
  const Case cases[] = {
      {"", 35, 1},
      {std::string(35, 'a'), 35, 1},
      {std::string(36, 'a'), 35, 2},
      {std::string(71, 'a'), 35, 3},
      {"aaaa bbbb", 5, 2},    // the space after the fifth column breaks
      {"aaaaa bbbbb", 5, 2},  // a space right after a full line takes no room
      {"aa bb cc dd", 5, 2},
      {"aa bb cc dd ee", 5, 3},
      {"a " + std::string(12, 'b'), 5, 4},  // the long word starts a line, then breaks
      {"trailing spaces     ", 15, 1},
      {"Socket Disconnect.", 35, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MemoryMemo::WrappedLines(c.line, c.columns), c.lines)
        << '"' << c.line << "\" at " << c.columns;
  }
}

TEST_F(ControlsTest, MemoCountsDisplayLinesWithTheFormFont) {
  auto& log = form_->Create<ui::Memo>({4, 160, 306, 89});
  log.SetReadOnly(true);
  log.SetVerticalScrollBar(true);
  auto& memo = dynamic_cast<MemoryMemo&>(log);
  ASSERT_EQ(memo.Columns(), 35);

  for (int i = 0; i < 98; ++i) {
    log.AppendLine("COM Port Open Ok.");
  }
  log.AppendLine("");
  EXPECT_EQ(log.LineCount(), 99);
  log.AppendLine("TCP Server Mode,Port:5001 and a name that runs on");  // 50 characters
  EXPECT_EQ(log.LineCount(), 101);
  EXPECT_EQ(log.Lines().size(), 100u);

  // A bigger font holds fewer characters a line.
  form_->SetFont({"MS Sans Serif", 20, ui::Charset::Default});
  EXPECT_EQ(memo.Columns(), 281 / 12);
  log.Clear();
  EXPECT_EQ(log.LineCount(), 0);
}

TEST_F(ControlsTest, ScrollBarStaysInRangeAndReportsEachChangeOnce) {
  auto& bar = form_->Create<ui::ScrollBar>({192, 8, 161, 25});
  std::vector<int> changes;
  bar.OnChange = [&](void*) { changes.push_back(bar.Position()); };
  bar.SetRange(1, 9999);  // moves 0 up to 1
  bar.SetSmallChange(1);
  bar.SetLargeChange(10);
  bar.SetPosition(1);
  bar.SetPosition(12000);
  bar.SetPosition(0);
  EXPECT_EQ(changes, (std::vector<int>{1, 9999, 1}));

  ShowForm();
  changes.clear();
  const struct {
    ScrollAction action;
    int position;
  } steps[] = {{ScrollAction::LineLeft, 1},     {ScrollAction::PageRight, 11},
               {ScrollAction::LineRight, 12},   {ScrollAction::End, 9999},
               {ScrollAction::PageRight, 9999}, {ScrollAction::PageLeft, 9989},
               {ScrollAction::Home, 1}};
  for (const auto& step : steps) {
    ASSERT_TRUE(toolkit_.Scroll(bar, step.action));
    EXPECT_EQ(bar.Position(), step.position);
  }
  EXPECT_EQ(changes, (std::vector<int>{11, 12, 9999, 9989, 1}));
  // The keys while it has the focus.
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkNext));
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkRight));
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkEnd));
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkLeft));
  EXPECT_EQ(bar.Position(), 9998);
  EXPECT_TRUE(toolkit_.DragThumb(bar, 7));
  EXPECT_EQ(bar.Position(), 7);
}

TEST_F(ControlsTest, TypingKeepsToReadOnlyAndMaximumLength) {
  auto& id = form_->Create<ui::Edit>({136, 8, 49, 24});
  id.SetReadOnly(true);
  id.SetMaxLength(4);
  id.SetText("0001");
  auto& port = form_->Create<ui::Edit>({128, 105, 65, 24});
  port.SetMaxLength(5);
  port.SetText("5001");
  ShowForm();

  EXPECT_FALSE(toolkit_.Type(id, "7"));
  EXPECT_EQ(id.Text(), "0001");
  EXPECT_TRUE(toolkit_.Type(port, "234"));
  EXPECT_EQ(port.Text(), "50012");
  EXPECT_TRUE(toolkit_.Type(port, "123456", true));
  EXPECT_EQ(port.Text(), "12345");
  port.SetText("a text longer than five");  // the program's text is never cut
  EXPECT_EQ(port.Text(), "a text longer than five");
}

TEST_F(ControlsTest, ComboBoxesChooseAndEdit) {
  auto& com = form_->Create<ui::ComboBox>({128, 17, 97, 24});
  com.SetStyle(ui::ComboStyle::DropDown);
  auto& baud = form_->Create<ui::ComboBox>({128, 49, 209, 24});
  baud.SetStyle(ui::ComboStyle::DropDownList);
  for (const char* item : {"COM1", "COM3"}) {
    com.AddItem(item);
  }
  for (const char* item : {"4800,n,8,1", "19200,e,8,1"}) {
    baud.AddItem(item);
  }

  com.SetItemIndex(0);
  com.SetText("COM7");  // the field shows a port the list lacks
  EXPECT_EQ(com.Text(), "COM7");
  EXPECT_EQ(com.ItemIndex(), 0);
  baud.SetItemIndex(14);  // outside: none chosen
  EXPECT_EQ(baud.ItemIndex(), -1);
  EXPECT_EQ(baud.Text(), "");

  ShowForm();
  EXPECT_TRUE(toolkit_.ChooseItem(baud, 1));
  EXPECT_EQ(baud.Text(), "19200,e,8,1");
  EXPECT_FALSE(toolkit_.Type(baud, "x"));
  EXPECT_TRUE(toolkit_.PressKey(ui::kVkUp));
  EXPECT_EQ(baud.ItemIndex(), 0);
  EXPECT_TRUE(toolkit_.Type(com, " 12", true));
  EXPECT_EQ(com.Text(), " 12");
  com.ClearItems();
  EXPECT_EQ(com.ItemCount(), 0);
  EXPECT_EQ(com.ItemIndex(), -1);
}

}  // namespace
}  // namespace keldo
