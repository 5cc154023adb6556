#include "shell/toolkit/memory/form.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "shell/toolkit/memory/toolkit.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui::memory {

MemoryForm::MemoryForm(MemoryToolkit& toolkit, std::string className)
    : toolkit_(toolkit), className_(std::move(className)) {
  toolkit_.FormCreated(*this);
}

MemoryForm::~MemoryForm() {
  // Controls go first, while the form they report to still exists.
  focused_ = nullptr;
  tabChain_.clear();
  widgets_.clear();
  toolkit_.FormDestroyed(*this);
}

Control& MemoryForm::CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) {
  MemoryGroupBox* box = nullptr;
  if (parent != nullptr) {
    box = dynamic_cast<MemoryGroupBox*>(parent);
    if (box == nullptr || &box->OwnerForm() != this) {
      throw std::invalid_argument("a control's group box must belong to its form");
    }
  }
  std::unique_ptr<MemoryWidget> widget;
  switch (kind) {
    case ControlKind::Label:
      widget = std::make_unique<MemoryLabel>(*this, box, bounds);
      break;
    case ControlKind::Panel:
      widget = std::make_unique<MemoryPanel>(*this, box, bounds);
      break;
    case ControlKind::Button:
      widget = std::make_unique<MemoryButton>(*this, box, bounds);
      break;
    case ControlKind::CheckBox:
      widget = std::make_unique<MemoryCheckBox>(*this, box, bounds);
      break;
    case ControlKind::RadioButton:
      widget = std::make_unique<MemoryRadioButton>(*this, box, bounds);
      break;
    case ControlKind::ScrollBar:
      widget = std::make_unique<MemoryScrollBar>(*this, box, bounds);
      break;
    case ControlKind::Edit:
      widget = std::make_unique<MemoryEdit>(*this, box, bounds);
      break;
    case ControlKind::ComboBox:
      widget = std::make_unique<MemoryComboBox>(*this, box, bounds);
      break;
    case ControlKind::Memo:
      widget = std::make_unique<MemoryMemo>(*this, box, bounds);
      break;
    case ControlKind::StatusBar:
      widget = std::make_unique<MemoryStatusBar>(*this, box, bounds);
      break;
    case ControlKind::Image:
      widget = std::make_unique<MemoryImage>(*this, box, bounds);
      break;
    case ControlKind::GroupBox:
      widget = std::make_unique<MemoryGroupBox>(*this, box, bounds);
      break;
  }
  widgets_.push_back(std::move(widget));
  return widgets_.back()->AsControl();
}

void MemoryForm::Show() {
  if (visible_) {
    toolkit_.FormShown(*this);
    return;
  }
  visible_ = true;
  ++showCount_;
  toolkit_.FormShown(*this);
  if (focused_ == nullptr) {
    FocusFirst();
  }
  // An error in the show handler is reported and the showing goes on.
  toolkit_.Loop().Guard([this] {
    NotifyEvent handler = OnShow;
    if (handler) {
      handler(this);
    }
  });
}

void MemoryForm::Hide() {
  if (!visible_) {
    return;
  }
  visible_ = false;
  toolkit_.FormHidden(*this);
}

int MemoryForm::ShowModal() {
  modalResult_ = mrNone;
  ++modalLevel_;
  toolkit_.ModalBegins(*this);
  Show();
  if (toolkit_.OnModalStart) {
    auto hook = toolkit_.OnModalStart;
    toolkit_.Loop().Guard([&] { hook(*this); });
  }
  const bool ended = toolkit_.Loop().RunUntil([this] { return modalResult_ != mrNone; });
  int result = modalResult_;
  if (!ended && result == mrNone) {
    result = mrCancel;
  }
  Hide();
  toolkit_.ModalEnds(*this);
  --modalLevel_;
  modalResult_ = mrNone;
  return result;
}

void MemoryForm::Close() {
  bool canClose = true;
  CloseQueryEvent query = OnCloseQuery;
  if (query) {
    query(this, canClose);
  }
  if (!canClose) {
    return;
  }
  if (modalLevel_ > 0) {
    if (modalResult_ == mrNone) {
      modalResult_ = mrCancel;
    }
    return;
  }
  Hide();
  if (toolkit_.App().MainForm() == this) {
    toolkit_.App().Terminate();
  }
}

void MemoryForm::SetForeground() {
  if (visible_) {
    toolkit_.FormShown(*this);
  }
}

void MemoryForm::SetTabOrder(const std::vector<Control*>& chain) {
  tabChain_.clear();
  for (Control* control : chain) {
    MemoryWidget* widget = control != nullptr ? FindWidget(*control) : nullptr;
    if (widget == nullptr) {
      throw std::invalid_argument("the tab order names a control of another form");
    }
    tabChain_.push_back(widget);
  }
}

Control* MemoryForm::ActiveControl() const {
  return focused_ != nullptr ? &focused_->AsControl() : nullptr;
}

bool MemoryForm::TakesInput() const {
  if (!visible_ || !enabled_ || toolkit_.MemoryApp().Minimized()) {
    return false;
  }
  const MemoryForm* modal = toolkit_.ModalForm();
  return modal == nullptr || modal == this;
}

MemoryWidget* MemoryForm::FindWidget(Control& control) const {
  for (const auto& widget : widgets_) {
    if (&widget->AsControl() == &control) {
      return widget.get();
    }
  }
  return nullptr;
}

void MemoryForm::Focus(MemoryWidget* widget) {
  focused_ = widget;
}

void MemoryForm::FocusLost(MemoryWidget& widget) {
  if (focused_ == &widget) {
    MoveFocus(false);  // on from the widget's place in the chain
  }
}

void MemoryForm::DefaultChanged(MemoryButton& button) {
  for (const auto& widget : widgets_) {
    if (auto* other = dynamic_cast<MemoryButton*>(widget.get());
        other != nullptr && other != &button) {
      other->ClearDefault();
    }
  }
}

void MemoryForm::RadioTicked(MemoryRadioButton& button) {
  for (const auto& widget : widgets_) {
    auto* other = dynamic_cast<MemoryRadioButton*>(widget.get());
    if (other != nullptr && other != &button && other->ParentBox() == button.ParentBox()) {
      other->Untick();
    }
  }
}

bool MemoryForm::IsTabStop(MemoryWidget& widget) const {
  if (!widget.Focusable() || !widget.Usable()) {
    return false;
  }
  auto* radio = dynamic_cast<MemoryRadioButton*>(&widget);
  if (radio == nullptr || radio->Checked()) {
    return true;
  }
  // An unticked radio button is a stop only when its group has no ticked
  // button and it comes first in the chain.
  for (MemoryWidget* other : tabChain_) {
    auto* sibling = dynamic_cast<MemoryRadioButton*>(other);
    if (sibling == nullptr || sibling->ParentBox() != radio->ParentBox()) {
      continue;
    }
    if (sibling->Checked()) {
      return false;
    }
  }
  for (MemoryWidget* other : tabChain_) {
    auto* sibling = dynamic_cast<MemoryRadioButton*>(other);
    if (sibling != nullptr && sibling->ParentBox() == radio->ParentBox() && sibling->Usable()) {
      return sibling == radio;
    }
  }
  return false;
}

std::vector<MemoryWidget*> MemoryForm::TabStops() const {
  std::vector<MemoryWidget*> stops;
  for (MemoryWidget* widget : tabChain_) {
    if (IsTabStop(*widget)) {
      stops.push_back(widget);
    }
  }
  return stops;
}

void MemoryForm::FocusFirst() {
  const std::vector<MemoryWidget*> stops = TabStops();
  focused_ = stops.empty() ? nullptr : stops.front();
}

bool MemoryForm::MoveFocus(bool backwards) {
  const std::vector<MemoryWidget*> stops = TabStops();
  if (stops.empty()) {
    focused_ = nullptr;
    return false;
  }
  const auto at = std::find(stops.begin(), stops.end(), focused_);
  const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(stops.size());
  std::ptrdiff_t index = 0;
  if (at == stops.end()) {
    // From a control that is not a stop, go by its place in the chain.
    const auto chainAt = std::find(tabChain_.begin(), tabChain_.end(), focused_);
    if (chainAt == tabChain_.end()) {
      index = backwards ? count - 1 : 0;
    } else {
      index = backwards ? count - 1 : 0;
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
  } else {
    const std::ptrdiff_t current = at - stops.begin();
    index = (current + (backwards ? count - 1 : 1)) % count;
  }
  focused_ = stops[static_cast<std::size_t>(index)];
  return true;
}

bool MemoryForm::MoveInRadioGroup(MemoryRadioButton& from, bool backwards) {
  std::vector<MemoryRadioButton*> group;
  for (MemoryWidget* widget : tabChain_) {
    auto* radio = dynamic_cast<MemoryRadioButton*>(widget);
    if (radio != nullptr && radio->ParentBox() == from.ParentBox() && radio->Usable()) {
      group.push_back(radio);
    }
  }
  const auto at = std::find(group.begin(), group.end(), &from);
  if (group.size() < 2 || at == group.end()) {
    return false;
  }
  const std::size_t count = group.size();
  const std::size_t current = static_cast<std::size_t>(at - group.begin());
  MemoryRadioButton* next = group[(current + (backwards ? count - 1 : 1)) % count];
  focused_ = next;
  next->SetChecked(true);
  return true;
}

bool MemoryForm::Key(int virtualKey, bool shift) {
  if (virtualKey == kVkTab) {
    return MoveFocus(shift);
  }
  if (focused_ != nullptr) {
    if (auto* radio = dynamic_cast<MemoryRadioButton*>(focused_);
        radio != nullptr && virtualKey >= kVkLeft && virtualKey <= kVkDown) {
      return MoveInRadioGroup(*radio, virtualKey == kVkLeft || virtualKey == kVkUp);
    }
    if (focused_->UserKey(virtualKey)) {
      return true;
    }
  }
  if (virtualKey == kVkReturn) {
    for (const auto& widget : widgets_) {
      auto* button = dynamic_cast<MemoryButton*>(widget.get());
      if (button != nullptr && button->Default()) {
        if (!button->Usable()) {
          return false;
        }
        button->UserClick();
        return true;
      }
    }
  }
  return false;
}

bool MemoryForm::AccessKey(char key) {
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
  for (const auto& widget : widgets_) {
    std::string caption;
    if (auto* button = dynamic_cast<MemoryButton*>(widget.get())) {
      caption = button->Caption();
    } else if (auto* check = dynamic_cast<MemoryCheckBox*>(widget.get())) {
      caption = check->Caption();
    } else if (auto* radio = dynamic_cast<MemoryRadioButton*>(widget.get())) {
      caption = radio->Caption();
    }
    if (lower != 0 && AccessKeyOf(caption) == lower && widget->Usable()) {
      focused_ = widget.get();
      widget->UserClick();
      return true;
    }
  }
  return false;
}

}  // namespace keldo::ui::memory
