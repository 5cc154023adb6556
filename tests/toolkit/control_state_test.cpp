#include "shell/toolkit/control_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

namespace keldo {
namespace {

using ui::ScrollAction;

// Control's own members, which the state classes leave to the backend.
template <class I>
class Plain : public I {
 public:
  ui::Bounds GetBounds() const override { return {}; }
  void SetVisible(bool) override {}
  bool Visible() const override { return true; }
  void SetEnabled(bool) override {}
  bool Enabled() const override { return true; }
  void SetFocus() override {}
  bool Focused() const override { return false; }
};

// Records the hooks in the order they run: "show" for the screen, "raise"
// for an event.
class Bar final : public Plain<ui::ScrollBarState> {
 public:
  ui::ControlKind Kind() const override { return kKind; }
  std::vector<std::string> log;

 private:
  void ShowPosition() override { log.push_back("show " + std::to_string(Position())); }
  void Raise(const ui::NotifyEvent& event) override {
    log.push_back("raise");
    if (event) {
      event(this);
    }
  }
};

TEST(ScrollBarStateTest, RangeAndPositionClampAndRaiseOnlyOnMoves) {
  Bar bar;
  int changes = 0;
  bar.OnChange = [&](void* sender) {
    EXPECT_EQ(sender, static_cast<ui::Control*>(&bar));
    ++changes;
  };
  bar.SetPosition(50);
  bar.SetPosition(50);    // unmoved: nothing at all
  bar.SetRange(0, 200);   // new range shown, position stays
  bar.SetRange(10, 20);   // clamped down: shown, then raised
  bar.SetRange(30, 5);    // max below min becomes min
  bar.SetPosition(-100);  // already at the only position
  EXPECT_EQ(bar.log, (std::vector<std::string>{"show 50", "raise", "show 50", "show 20", "raise",
                                               "show 30", "raise"}));
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(bar.Min(), 30);
  EXPECT_EQ(bar.Max(), 30);
}

TEST(ScrollBarStateTest, StepsStayInRangeNearTheIntLimits) {
  struct Case {
    const char* name;
    int min, max, start, small, large;
    ScrollAction action;
    int expected;
  } cases[] = {
      {"line right", 0, 100, 10, 3, 20, ScrollAction::LineRight, 13},
      {"page left clamps", 0, 100, 10, 3, 20, ScrollAction::PageLeft, 0},
      {"home", -5, 100, 10, 3, 20, ScrollAction::Home, -5},
      {"end", -5, 100, 10, 3, 20, ScrollAction::End, 100},
      {"huge step up", 0, INT_MAX, INT_MAX - 1, INT_MAX, INT_MAX, ScrollAction::PageRight, INT_MAX},
      {"huge step down", INT_MIN, 0, INT_MIN + 1, INT_MAX, INT_MAX, ScrollAction::LineLeft,
       INT_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bar bar;
    bar.SetRange(c.min, c.max);
    bar.SetPosition(c.start);
    bar.SetSmallChange(c.small);
    bar.SetLargeChange(c.large);
    bar.Step(c.action);
    EXPECT_EQ(bar.Position(), c.expected);
  }
}

class Press final : public Plain<ui::ButtonState> {
 public:
  ui::ControlKind Kind() const override { return kKind; }
  void SetGlyph(const art::Picture&, int) override {}
  std::vector<std::string> log;

 private:
  void ShowCaption() override { log.push_back("caption " + Caption()); }
  void ShowHint(const std::string& hint) override { log.push_back("hint " + Hint() + ">" + hint); }
  void ShowDefault() override { log.push_back(Default() ? "default" : "plain"); }
  void BecameDefault() override { log.push_back("others"); }
};

TEST(ButtonStateTest, HintSeesTheOldOneAndDefaultTellsTheForm) {
  Press button;
  button.SetCaption("&Save");
  button.SetHint("a");
  button.SetHint("");
  button.SetDefault(true);
  button.ClearDefault();
  button.ClearDefault();  // not the default any more: nothing to show
  button.SetDefault(false);
  EXPECT_EQ(button.log, (std::vector<std::string>{"caption &Save", "hint >a", "hint a>", "default",
                                                  "others", "plain", "plain"}));
  EXPECT_EQ(button.Caption(), "&Save");
  EXPECT_EQ(button.Hint(), "");
}

class Check final : public Plain<ui::CheckBoxState> {
 public:
  ui::ControlKind Kind() const override { return kKind; }
  int shown = 0;
  int raised = 0;

 private:
  void ShowChecked() override { ++shown; }
  void Raise(const ui::NotifyEvent&) override { ++raised; }
};

class Radio final : public Plain<ui::RadioButtonState> {
 public:
  ui::ControlKind Kind() const override { return kKind; }
  int shown = 0;
  int raised = 0;
  int ticked = 0;

 private:
  void ShowChecked() override { ++shown; }
  void Ticked() override { ++ticked; }
  void Raise(const ui::NotifyEvent&) override { ++raised; }
};

TEST(CheckStateTest, CheckBoxRaisesOnEveryChangeBothWays) {
  Check box;
  box.SetChecked(false);
  box.SetChecked(true);
  box.SetChecked(true);
  box.SetChecked(false);
  EXPECT_EQ(box.shown, 2);
  EXPECT_EQ(box.raised, 2);
}

TEST(CheckStateTest, RadioButtonRaisesOnlyWhenTicked) {
  Radio radio;
  radio.SetChecked(true);
  radio.SetChecked(true);
  EXPECT_EQ(radio.ticked, 1);
  EXPECT_EQ(radio.raised, 1);
  radio.SetChecked(false);  // the program clears it: shown, no event
  EXPECT_FALSE(radio.Checked());
  radio.SetChecked(true);
  radio.Untick();  // a sibling was ticked
  EXPECT_FALSE(radio.Checked());
  EXPECT_EQ(radio.shown, 4);
  EXPECT_EQ(radio.ticked, 2);
  EXPECT_EQ(radio.raised, 2);
}

class Combo final : public Plain<ui::ComboBoxState> {
 public:
  ui::ControlKind Kind() const override { return kKind; }
  void SetItemHeight(int) override {}
  std::string Text() const override { return edit; }
  void UserChose(int index) { TakeChoice(index); }
  std::string edit;
  int choicesShown = 0;

 private:
  void ShowChoice() override { ++choicesShown; }
  void ShowEditText(const std::string& text) override { edit = text; }
};

TEST(ComboBoxStateTest, ChoosingByIndexAndByText) {
  struct Case {
    const char* name;
    ui::ComboStyle style;
    int index;         // SetItemIndex, unless text is given
    const char* text;  // SetText
    int expected;
    const char* edit;
  } cases[] = {
      {"index in range", ui::ComboStyle::DropDownList, 1, nullptr, 1, ""},
      {"index past the end", ui::ComboStyle::DropDownList, 3, nullptr, -1, ""},
      {"negative index", ui::ComboStyle::DropDown, -7, nullptr, -1, ""},
      {"exact text", ui::ComboStyle::DropDownList, 0, "COM2", 1, ""},
      {"text differs in case", ui::ComboStyle::DropDownList, 0, "com2", -1, ""},
      {"first of equal items", ui::ComboStyle::DropDownList, 0, "COM1", 0, ""},
      {"typed text keeps the index", ui::ComboStyle::DropDown, 2, "COM2", 2, "COM2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Combo combo;
    combo.SetStyle(c.style);
    for (const char* item : {"COM1", "COM2", "COM1"}) {
      combo.AddItem(item);
    }
    combo.SetItemIndex(c.index);
    if (c.text != nullptr) {
      combo.SetText(c.text);
    }
    EXPECT_EQ(combo.ItemIndex(), c.expected);
    EXPECT_EQ(combo.edit, c.edit);
  }
}

TEST(ComboBoxStateTest, UsersChoiceIsTakenWithoutShowingAndClearChoosesNone) {
  Combo combo;
  combo.AddItem("a");
  combo.AddItem("b");
  combo.UserChose(1);
  EXPECT_EQ(combo.ItemIndex(), 1);
  combo.UserChose(5);
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.choicesShown, 0);
  combo.SetItemIndex(0);
  combo.ClearItems();
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.ItemCount(), 0);
  EXPECT_THROW(combo.Item(0), std::out_of_range);
}

class Log final : public Plain<ui::MemoState> {
 public:
  ui::ControlKind Kind() const override { return kKind; }
  void SetReadOnly(bool) override {}
  void SetVerticalScrollBar(bool) override {}
  void SetColor(ui::Color) override {}
  int LineCount() const override { return 0; }
  std::string screen;

 private:
  void ShowAppended(const std::string& text, bool first) override {
    screen += (first ? "" : "|") + text;
  }
  void ShowCleared() override { screen.clear(); }
};

TEST(MemoStateTest, EmptyLinesAreLinesAndAClearStartsAfresh) {
  Log log;
  log.AppendLine("");
  log.AppendLine("b");
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"", "b"}));
  EXPECT_EQ(log.screen, "|b");
  log.Clear();
  log.AppendLine("c");
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"c"});
  EXPECT_EQ(log.screen, "c");
}

// Cut at the bound, before a UTF-8 character that would be split.
TEST(MemoStateTest, LongLinesAreCutBeforeACharacterThatWouldPassTheBound) {
  const std::string fill(ui::Memo::kMaxLineBytes - 4, 'h');
  Log log;
  log.AppendLine(fill + "1234");
  log.AppendLine(fill + "12345");
  log.AppendLine(fill + "\xE2\x82\xAC!!");  // 3 bytes more would split the euro
  const std::vector<std::string> shown{fill + "1234", fill + "1...", fill + "..."};
  EXPECT_EQ(log.Lines(), shown);
  EXPECT_EQ(log.screen, shown[0] + "|" + shown[1] + "|" + shown[2]);
}

}  // namespace
}  // namespace keldo
