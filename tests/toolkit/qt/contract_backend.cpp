// The contract suite on the Qt widget set: QTest's mouse and keyboard on the
// real widgets, and what the widgets show.
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <map>
#include <string>

#include "shell/toolkit/messages.h"
#include "tests/toolkit/qt/qt_fixture.h"
#include "tests/toolkit_contract/contract.h"

namespace keldo::test {
namespace {

// The control's widget if the user can reach it: on the screen and enabled.
QWidget* Reach(ui::Control& control) {
  QWidget* widget = WidgetOf(control);
  return widget->isVisible() && widget->isEnabled() ? widget : nullptr;
}

Qt::Key QtKey(int virtualKey) {
  static const std::map<int, Qt::Key> keys = {
      {ui::kVkTab, Qt::Key_Tab},       {ui::kVkReturn, Qt::Key_Return},
      {ui::kVkEscape, Qt::Key_Escape}, {ui::kVkSpace, Qt::Key_Space},
      {ui::kVkPrior, Qt::Key_PageUp},  {ui::kVkNext, Qt::Key_PageDown},
      {ui::kVkEnd, Qt::Key_End},       {ui::kVkHome, Qt::Key_Home},
      {ui::kVkLeft, Qt::Key_Left},     {ui::kVkUp, Qt::Key_Up},
      {ui::kVkRight, Qt::Key_Right},   {ui::kVkDown, Qt::Key_Down}};
  const auto key = keys.find(virtualKey);
  if (key == keys.end()) {
    ADD_FAILURE() << "no Qt key for " << virtualKey;
    return Qt::Key_unknown;
  }
  return key->second;
}

class QtHands final : public Hands {
 public:
  QtHands(EventLoop& /*loop*/, ui::qt::QtToolkit& /*toolkit*/) {}

  void Click(ui::Control& control) override {
    QWidget* widget = Reach(control);
    if (widget == nullptr) {
      return;
    }
    // On the indicator of a check or radio button, the middle of anything else.
    const bool indicator = qobject_cast<QCheckBox*>(widget) != nullptr ||
                           qobject_cast<QRadioButton*>(widget) != nullptr;
    const QPoint at = indicator ? QPoint(6, widget->height() / 2) : widget->rect().center();
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
  }

  void DoubleClick(ui::Control& control) override {
    QWidget* widget = Reach(control);
    if (widget == nullptr) {
      return;
    }
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
      widget = area->viewport();
    }
    QTest::mouseDClick(widget, Qt::LeftButton);
  }

  void Type(ui::Control& control, const std::string& text) override {
    QWidget* widget = Reach(control);
    if (widget == nullptr) {
      return;
    }
    auto* combo = qobject_cast<QComboBox*>(widget);
    QWidget* field = combo != nullptr ? combo->lineEdit() : widget;
    if (field == nullptr) {
      widget->setFocus(Qt::TabFocusReason);  // a click would open the list
      QTest::keyClicks(widget, QString::fromStdString(text));
      return;
    }
    // At the end of the text.
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() - 3, field->height() / 2));
    QTest::keyClicks(field, QString::fromStdString(text));
  }

  void Key(int virtualKey, bool shift) override {
    QTest::keyClick(Target(), QtKey(virtualKey), shift ? Qt::ShiftModifier : Qt::NoModifier);
  }

  void Letter(char letter, bool alt) override {
    QTest::keyClick(Target(), letter, alt ? Qt::AltModifier : Qt::NoModifier);
  }

  void Scroll(ui::ScrollBar& bar, ui::ScrollAction action) override {
    // In ScrollAction's order.
    constexpr QAbstractSlider::SliderAction kSlides[] = {
        QAbstractSlider::SliderSingleStepSub, QAbstractSlider::SliderSingleStepAdd,
        QAbstractSlider::SliderPageStepSub,   QAbstractSlider::SliderPageStepAdd,
        QAbstractSlider::SliderToMinimum,     QAbstractSlider::SliderToMaximum};
    if (auto* scroll = static_cast<QScrollBar*>(Reach(bar))) {
      scroll->triggerAction(kSlides[static_cast<int>(action)]);
    }
  }

  void ChooseItem(ui::ComboBox& combo, int index) override {
    auto* box = static_cast<QComboBox*>(WidgetOf(combo));
    box->showPopup();
    QAbstractItemView* view = box->view();
    ASSERT_TRUE(Wait([&] { return view->isVisible(); })) << "the list does not open";
    const QRect row = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_TRUE(Wait([&] { return !view->isVisible(); })) << "the list stays open";
  }

  void MinimizeButton(ui::Form& form) override {
    WindowOf(form)->setWindowState(Qt::WindowMinimized);
    // The window manager's answer comes through the loop.
    Wait([&] { return WindowOf(form)->isMinimized(); });
    QTest::qWait(50);
  }

  bool ShownChecked(ui::Control& control) override {
    return static_cast<QAbstractButton*>(WidgetOf(control))->isChecked();
  }
  int ShownPosition(ui::ScrollBar& bar) override {
    return static_cast<QScrollBar*>(WidgetOf(bar))->value();
  }
  std::string ShownText(ui::Control& control) override {
    QWidget* widget = WidgetOf(control);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      return edit->text().toStdString();
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      return combo->currentText().toStdString();
    }
    return static_cast<QPlainTextEdit*>(widget)->toPlainText().toStdString();
  }
  int ShownItemIndex(ui::ComboBox& combo) override {
    return static_cast<QComboBox*>(WidgetOf(combo))->currentIndex();
  }
  bool OnScreen(ui::Form& form) override {
    return WindowOf(form)->isVisible() && !WindowOf(form)->isMinimized();
  }

  void ShowActive(ui::Form& form) override { ASSERT_TRUE(test::ShowActive(form)); }

 private:
  static QWidget* Target() {
    QWidget* target = QApplication::focusWidget();
    return target != nullptr ? target : QApplication::activeWindow();
  }
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<BackendOf<ui::qt::QtToolkit, QtHands>>();
}

}  // namespace keldo::test
