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

}  // namespace
}  // namespace keldo::test
