#pragma once

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/toolkit/controls.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui {

// The controls of a form whose backend keeps their state itself, and the
// keyboard rules over them: the tab chain and its stops, radio groups, the
// default button, access keys. W is the backend's widget base; it answers
// AsControl(), Focusable(), Usable() and ParentBox() (the group box, which
// also makes a radio group; nullptr for the form).
template <class W>
class FormControls {
 public:
  W& Add(std::unique_ptr<W> widget) {
    widgets_.push_back(std::move(widget));
    return *widgets_.back();
  }
  // Tab chain first, so nothing points at a widget that is gone.
  void Clear() {
    tabChain_.clear();
    widgets_.clear();
  }
  const std::vector<std::unique_ptr<W>>& All() const { return widgets_; }

  W* Find(const Control& control) const {
    for (const auto& widget : widgets_) {
      if (&widget->AsControl() == &control) {
        return widget.get();
      }
    }
    return nullptr;
  }

  void SetTabOrder(const std::vector<Control*>& chain) {
    std::vector<W*> resolved;
    for (Control* control : chain) {
      W* widget = control != nullptr ? Find(*control) : nullptr;
      if (widget == nullptr) {
        throw std::invalid_argument("the tab order names a control of another form");
      }
      resolved.push_back(widget);
    }
    tabChain_ = std::move(resolved);
  }

  // Whether Tab stops at the widget now: it takes the focus and is usable;
  // of a radio group only the ticked button, or the first usable one in the
  // chain while none is ticked.
  bool IsTabStop(W& widget) const {
    if (!widget.Focusable() || !widget.Usable()) {
      return false;
    }
    const RadioButton* radio = AsRadio(&widget);
    if (radio == nullptr || radio->Checked()) {
      return true;
    }
    for (W* other : tabChain_) {
      const RadioButton* sibling = AsRadio(other);
      if (sibling != nullptr && other->ParentBox() == widget.ParentBox() && sibling->Checked()) {
        return false;
      }
    }
    for (W* other : tabChain_) {
      if (AsRadio(other) != nullptr && other->ParentBox() == widget.ParentBox() &&
          other->Usable()) {
        return other == &widget;
      }
    }
    return false;
  }

  std::vector<W*> TabStops() const {
    std::vector<W*> stops;
    for (W* widget : tabChain_) {
      if (IsTabStop(*widget)) {
        stops.push_back(widget);
      }
    }
    return stops;
  }

  W* FirstStop() const {
    const std::vector<W*> stops = TabStops();
    return stops.empty() ? nullptr : stops.front();
  }

  // Where Tab (Shift+Tab: backwards) goes from current, round the chain;
  // from a widget that is no stop, by its place in the chain. nullptr when
  // there is no stop.
  W* NextStop(W* current, bool backwards) const {
    const std::vector<W*> stops = TabStops();
    if (stops.empty()) {
      return nullptr;
    }
    const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(stops.size());
    std::ptrdiff_t index = backwards ? count - 1 : 0;
    const auto at = std::find(stops.begin(), stops.end(), current);
    if (at != stops.end()) {
      index = ((at - stops.begin()) + (backwards ? count - 1 : 1)) % count;
    } else if (const auto chainAt = std::find(tabChain_.begin(), tabChain_.end(), current);
               chainAt != tabChain_.end()) {
      for (std::ptrdiff_t i = 0; i < count; ++i) {
        const auto stopAt =
            std::find(tabChain_.begin(), tabChain_.end(), stops[static_cast<std::size_t>(i)]);
        if (!backwards && stopAt > chainAt) {
          index = i;
          break;
        }
        if (backwards && stopAt < chainAt) {
          index = i;
        }
      }
    }
    return stops[static_cast<std::size_t>(index)];
  }

  // The radio button an arrow key moves to from the radio button from: the
  // next (or previous) usable one of its group along the chain, round the
  // end. nullptr when from is not in the chain or alone in its group.
  W* NextInRadioGroup(W& from, bool backwards) const {
    std::vector<W*> group;
    for (W* widget : tabChain_) {
      if (AsRadio(widget) != nullptr && widget->ParentBox() == from.ParentBox() &&
          widget->Usable()) {
        group.push_back(widget);
      }
    }
    const auto at = std::find(group.begin(), group.end(), &from);
    if (group.size() < 2 || at == group.end()) {
      return nullptr;
    }
    const std::size_t count = group.size();
    const std::size_t current = static_cast<std::size_t>(at - group.begin());
    return group[(current + (backwards ? count - 1 : 1)) % count];
  }

  // The form's default button, usable or not; nullptr when none.
  W* DefaultButton() const {
    for (const auto& widget : widgets_) {
      const auto* button = dynamic_cast<const Button*>(&widget->AsControl());
      if (button != nullptr && button->Default()) {
        return widget.get();
      }
    }
    return nullptr;
  }

  // The first usable button, check box or radio button whose caption marks
  // key (either case); nullptr when none.
  W* AccessKeyTarget(char key) const {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
    if (lower == 0) {
      return nullptr;
    }
    for (const auto& widget : widgets_) {
      if (widget->Usable() && AccessKeyOf(CaptionOf(widget->AsControl())) == lower) {
        return widget.get();
      }
    }
    return nullptr;
  }

  // The user's press of a control: a check box toggles, a radio button
  // ticks, a button runs W::Press.
  static void Press(W& widget) {
    Control& control = widget.AsControl();
    if (auto* check = dynamic_cast<CheckBox*>(&control)) {
      check->SetChecked(!check->Checked());
    } else if (auto* radio = dynamic_cast<RadioButton*>(&control)) {
      radio->SetChecked(true);
    } else {
      widget.Press();
    }
  }

  // A key the focused control does not keep: Tab (Shift+Tab with shift)
  // moves along the chain, an arrow on a radio button moves through its
  // group and ticks, Enter presses the focused button or else the default
  // one if it is usable. focus(W*) moves the focus. true when the key did
  // something.
  template <class FocusFn>
  bool NavigationKey(int virtualKey, bool shift, W* focused, FocusFn&& focus) const {
    switch (virtualKey) {
      case kVkTab: {
        W* next = NextStop(focused, shift);
        focus(next);
        return next != nullptr;
      }
      case kVkLeft:
      case kVkUp:
      case kVkRight:
      case kVkDown: {
        W* next = AsRadio(focused) != nullptr
                      ? NextInRadioGroup(*focused, virtualKey == kVkLeft || virtualKey == kVkUp)
                      : nullptr;
        if (next == nullptr) {
          return false;
        }
        focus(next);
        AsRadio(next)->SetChecked(true);
        return true;
      }
      case kVkReturn: {
        W* button = focused != nullptr && dynamic_cast<Button*>(&focused->AsControl()) != nullptr
                        ? focused
                        : DefaultButton();
        if (button == nullptr || !button->Usable()) {
          return false;
        }
        button->Press();
        return true;
      }
      default:
        return false;  // Escape among them: no form has a cancel button
    }
  }

  // The control whose caption marks key takes the focus and is pressed;
  // false when none does.
  template <class FocusFn>
  bool AccessKey(char key, FocusFn&& focus) const {
    W* target = AccessKeyTarget(key);
    if (target == nullptr) {
      return false;
    }
    focus(target);
    Press(*target);
    return true;
  }

  // The other radio buttons of ticked's group are cleared without an event
  // (R::Untick).
  template <class R>
  void UntickOthers(R& ticked) const {
    for (const auto& widget : widgets_) {
      auto* other = dynamic_cast<R*>(widget.get());
      if (other != nullptr && other != &ticked && other->ParentBox() == ticked.ParentBox()) {
        other->Untick();
      }
    }
  }

  // The other buttons lose the default flag (B::ClearDefault).
  template <class B>
  void ClearOtherDefaults(B& button) const {
    for (const auto& widget : widgets_) {
      if (auto* other = dynamic_cast<B*>(widget.get()); other != nullptr && other != &button) {
        other->ClearDefault();
      }
    }
  }

  static RadioButton* AsRadio(W* widget) {
    return widget != nullptr ? dynamic_cast<RadioButton*>(&widget->AsControl()) : nullptr;
  }

 private:
  static std::string CaptionOf(Control& control) {
    if (auto* button = dynamic_cast<Button*>(&control)) {
      return button->Caption();
    }
    if (auto* check = dynamic_cast<CheckBox*>(&control)) {
      return check->Caption();
    }
    if (auto* radio = dynamic_cast<RadioButton*>(&control)) {
      return radio->Caption();
    }
    return {};
  }

  std::vector<std::unique_ptr<W>> widgets_;
  std::vector<W*> tabChain_;
};

}  // namespace keldo::ui
