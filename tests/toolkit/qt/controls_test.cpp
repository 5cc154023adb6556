#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleOptionSlider>

#include "tests/toolkit/qt/qt_fixture.h"

namespace keldo::test {
namespace {

using ControlsTest = QtToolkitTest;

// The platform's standard thumb: the page step is only the step of a click
// on the track and never sizes the thumb, which stays square.
TEST_F(ControlsTest, ScrollBarKeepsAStandardThumb) {
  auto& form = NewForm();
  auto& bar = form.Create<ui::ScrollBar>({8, 8, 161, 25});
  form.Show();
  QWidget* widget = WidgetOf(bar);
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
  static_cast<QScrollBar*>(widget)->setPageStep(15);
  EXPECT_EQ(thumb().width(), small.width());
  EXPECT_EQ(small.width(), widget->height());
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

}  // namespace
}  // namespace keldo::test
