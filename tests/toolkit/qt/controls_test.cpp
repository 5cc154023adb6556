#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>

#include "tests/toolkit/qt/qt_fixture.h"

namespace keldo::test {
namespace {

using ControlsTest = QtToolkitTest;

TEST_F(ControlsTest, CheckBoxRunsItsHandlerForEveryChangeAndOnlyThen) {
  auto& form = NewForm();
  auto& box = form.Create<ui::CheckBox>({8, 8, 200, 25});
  int clicks = 0;
  box.OnClick = [&](void*) { ++clicks; };

  box.SetChecked(false);  // as it is
  EXPECT_EQ(clicks, 0);
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);

  form.Show();
  QTest::mouseClick(WidgetOf(box), Qt::LeftButton, {}, QPoint(6, 12));  // the indicator
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicks, 2);
}

TEST_F(ControlsTest, RadioButtonsTickOnePerParentAndRunOnlyForANewTick) {
  auto& form = NewForm();
  auto& a = form.Create<ui::RadioButton>({8, 8, 100, 17});
  auto& b = form.Create<ui::RadioButton>({8, 30, 100, 17});
  auto& group = form.Create<ui::GroupBox>({120, 8, 150, 80});
  auto& c = form.Create<ui::RadioButton>({8, 20, 100, 17}, &group);
  std::vector<std::string> ran;
  a.OnClick = [&](void*) { ran.push_back("a"); };
  b.OnClick = [&](void*) { ran.push_back("b"); };
  c.OnClick = [&](void*) { ran.push_back("c"); };
  form.Show();

  a.SetChecked(true);
  c.SetChecked(true);  // another group: a stays
  EXPECT_TRUE(a.Checked());
  b.SetChecked(true);
  EXPECT_FALSE(a.Checked());
  // On the button's indicator, at its left.
  QTest::mouseClick(WidgetOf(b), Qt::LeftButton, {}, QPoint(6, 8));  // already ticked
  QTest::mouseClick(WidgetOf(a), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_TRUE(a.Checked());
  EXPECT_FALSE(b.Checked());
  a.SetChecked(false);  // the program may clear the last one
  EXPECT_FALSE(a.Checked());
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "c", "b", "a"}));
}

TEST_F(ControlsTest, ScrollBarClampsReportsEachMoveOnceAndKeepsAStandardThumb) {
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
  form.Show();
  QWidget* widget = WidgetOf(bar);
  QTest::keyClick(widget, Qt::Key_PageDown);
  QTest::keyClick(widget, Qt::Key_Right);
  QTest::keyClick(widget, Qt::Key_End);
  QTest::keyClick(widget, Qt::Key_PageUp);
  EXPECT_EQ(seen, (std::vector<int>{1, 9999, 1, 11, 12, 9999, 9989}));

  // The thumb does not grow with the page step: it is square.
  auto thumb = [&] {
    QStyleOptionSlider option;
    option.initFrom(widget);
    auto* scroll = static_cast<QScrollBar*>(widget);
    option.orientation = Qt::Horizontal;
    option.minimum = scroll->minimum();
    option.maximum = scroll->maximum();
    option.sliderPosition = scroll->sliderPosition();
    option.pageStep = scroll->pageStep();
    option.singleStep = scroll->singleStep();
    option.subControls = QStyle::SC_All;
    return widget->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                           QStyle::SC_ScrollBarSlider, widget);
  };
  bar.SetRange(1, 20);
  const QRect small = thumb();
  bar.SetLargeChange(15);
  EXPECT_EQ(thumb().width(), small.width());
  EXPECT_EQ(small.width(), widget->height());
}

TEST_F(ControlsTest, MaxLengthLimitsTypingButNeverTheProgramsText) {
  auto& form = NewForm();
  auto& edit = form.Create<ui::Edit>({8, 8, 100, 24});
  edit.SetMaxLength(4);
  form.Show();
  auto* line = static_cast<QLineEdit*>(WidgetOf(edit));

  QTest::keyClicks(line, "123456");
  EXPECT_EQ(edit.Text(), "1234");

  edit.SetText("abcdefgh");
  EXPECT_EQ(edit.Text(), "abcdefgh");
  line->setCursorPosition(8);
  QTest::keyClick(line, Qt::Key_Backspace);
  QTest::keyClicks(line, "xy");  // still over the limit: nothing more
  EXPECT_EQ(edit.Text(), "abcdefg");

  edit.SetReadOnly(true);
  edit.SetText("0001");
  QTest::keyClicks(line, "9");
  EXPECT_EQ(edit.Text(), "0001");
}

// Texts are UTF-8 and kept whole; one that is not shows as Latin-1 and comes
// back byte for byte while the user leaves it alone.
TEST_F(ControlsTest, EditShowsStoredTextsAndGivesBackWhatWasTyped) {
  auto& edit = NewForm().Create<ui::Edit>({8, 8, 100, 24});
  auto* line = static_cast<QLineEdit*>(WidgetOf(edit));
  const std::pair<std::string, QString> cases[] = {
      {std::string(100000, 'h'), QString(100000, 'h')},  // past Qt's own limit
      {"Z\xC3\xA9\xE2\x82\xAC", QString::fromUtf8("Z\u00E9\u20AC")},
      {"Caf\xE9", QString::fromUtf8("Caf\u00E9")},
  };
  for (const auto& [stored, shown] : cases) {
    edit.SetText(stored);
    EXPECT_EQ(line->text(), shown);
    EXPECT_EQ(edit.Text(), stored);
  }
  QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\u65E5"));
  QApplication::sendEvent(line, &key);  // typed after "Caf\xE9"
  EXPECT_EQ(edit.Text(), "Caf\xC3\xA9\xE6\x97\xA5");
}

TEST_F(ControlsTest, EditableComboKeepsTypedTextApartFromTheChosenItem) {
  auto& form = NewForm();
  auto& combo = form.Create<ui::ComboBox>({8, 8, 97, 24});
  combo.SetStyle(ui::ComboStyle::DropDown);
  combo.AddItem("COM1");
  combo.AddItem("COM2");
  EXPECT_EQ(combo.ItemIndex(), -1);  // adding chooses nothing
  EXPECT_EQ(combo.Text(), "");

  combo.SetItemIndex(0);
  combo.SetText("COM7");
  EXPECT_EQ(combo.ItemIndex(), 0);
  EXPECT_EQ(combo.Text(), "COM7");
  combo.SetItemIndex(0);  // the same item again replaces the text
  EXPECT_EQ(combo.Text(), "COM1");

  form.Show();
  QLineEdit* line = static_cast<QComboBox*>(WidgetOf(combo))->lineEdit();
  line->clear();
  QTest::keyClicks(line, "C");  // no completion from the items
  EXPECT_EQ(combo.Text(), "C");
  EXPECT_EQ(combo.ItemIndex(), 0);

  combo.SetItemIndex(5);
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.Text(), "");
  combo.ClearItems();
  EXPECT_EQ(combo.ItemCount(), 0);
}

TEST_F(ControlsTest, ChoiceOnlyComboTakesTextOnlyAsAnItem) {
  auto& form = NewForm();
  auto& combo = form.Create<ui::ComboBox>({8, 8, 209, 24});
  combo.SetStyle(ui::ComboStyle::DropDownList);
  for (const char* item : {"4800,n,8,1", "19200,e,8,1", "19200,E,8,1"}) {
    combo.AddItem(item);
  }
  EXPECT_EQ(combo.ItemIndex(), -1);
  combo.SetText("19200,E,8,1");
  EXPECT_EQ(combo.ItemIndex(), 2);
  combo.SetText("19200");
  EXPECT_EQ(combo.ItemIndex(), -1);
  EXPECT_EQ(combo.Text(), "");
  combo.SetItemIndex(1);
  EXPECT_EQ(combo.Text(), "19200,e,8,1");
}

}  // namespace
}  // namespace keldo::test
