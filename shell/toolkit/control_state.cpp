#include "shell/toolkit/control_state.h"

#include <algorithm>
#include <utility>

namespace keldo::ui {

void ButtonState::SetHint(const std::string& hint) {
  ShowHint(hint);
  hint_ = hint;
}

void ButtonState::SetDefault(bool isDefault) {
  default_ = isDefault;
  ShowDefault();
  if (isDefault) {
    BecameDefault();
  }
}

void ButtonState::ClearDefault() {
  if (default_) {
    default_ = false;
    ShowDefault();
  }
}

void CheckBoxState::SetChecked(bool checked) {
  if (checked == checked_) {
    return;
  }
  checked_ = checked;
  ShowChecked();
  Raise(OnClick);
}

void RadioButtonState::SetChecked(bool checked) {
  if (checked == checked_) {
    return;
  }
  checked_ = checked;
  ShowChecked();
  if (checked) {
    Ticked();
    Raise(OnClick);
  }
}

void RadioButtonState::Untick() {
  checked_ = false;
  ShowChecked();
}

void ScrollBarState::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  const int clamped = std::clamp(position_, min_, max_);
  const bool moved = clamped != position_;
  position_ = clamped;
  ShowPosition();
  if (moved) {
    Raise(OnChange);
  }
}

void ScrollBarState::SetPosition(int position) {
  const int clamped = std::clamp(position, min_, max_);
  if (clamped == position_) {
    return;
  }
  position_ = clamped;
  ShowPosition();
  Raise(OnChange);
}

void ScrollBarState::Step(ScrollAction action) {
  // In long arithmetic: a step near the int limits must not overflow.
  long long target = position_;
  switch (action) {
    case ScrollAction::LineLeft:
      target -= smallChange_;
      break;
    case ScrollAction::LineRight:
      target += smallChange_;
      break;
    case ScrollAction::PageLeft:
      target -= largeChange_;
      break;
    case ScrollAction::PageRight:
      target += largeChange_;
      break;
    case ScrollAction::Home:
      target = min_;
      break;
    case ScrollAction::End:
      target = max_;
      break;
  }
  SetPosition(static_cast<int>(std::clamp<long long>(target, min_, max_)));
}

void ComboBoxState::SetStyle(ComboStyle style) {
  if (style == style_) {
    return;
  }
  style_ = style;
  ShowStyle();
}

void ComboBoxState::ClearItems() {
  items_.clear();
  itemIndex_ = -1;
  ShowCleared();
}

void ComboBoxState::AddItem(const std::string& text) {
  items_.push_back(text);
  ShowAdded(text);
}

std::string ComboBoxState::Item(int index) const {
  return items_.at(static_cast<std::size_t>(index));
}

void ComboBoxState::SetItemIndex(int index) {
  TakeChoice(index);
  ShowChoice();
}

void ComboBoxState::TakeChoice(int index) {
  itemIndex_ = index >= 0 && index < ItemCount() ? index : -1;
}

void ComboBoxState::SetText(const std::string& text) {
  if (style_ == ComboStyle::DropDown) {
    ShowEditText(text);
    return;
  }
  const auto it = std::find(items_.begin(), items_.end(), text);
  SetItemIndex(it == items_.end() ? -1 : static_cast<int>(it - items_.begin()));
}

namespace {

// Cut before a UTF-8 continuation byte would split a character; a single-byte
// code page loses at most three more bytes of a line already cut.
std::string LineAsShown(const std::string& text) {
  static constexpr char kMark[] = "...";
  if (text.size() <= Memo::kMaxLineBytes) {
    return text;
  }
  std::size_t end = Memo::kMaxLineBytes - (sizeof kMark - 1);
  for (int back = 0; back < 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++back) {
    --end;
  }
  return text.substr(0, end) + kMark;
}

}  // namespace

void MemoState::AppendLine(const std::string& text) {
  std::string line = LineAsShown(text);
  ShowAppended(line, lines_.empty());
  lines_.push_back(std::move(line));
}

void MemoState::Clear() {
  lines_.clear();
  ShowCleared();
}

int StatusBarState::AddPanel(int width, Alignment alignment) {
  panels_.push_back({width, alignment, {}});
  ShowPanels();
  return PanelCount() - 1;
}

void StatusBarState::SetPanelText(int index, const std::string& text) {
  panels_.at(static_cast<std::size_t>(index)).text = text;
  ShowPanels();
}

std::string StatusBarState::PanelText(int index) const {
  return panels_.at(static_cast<std::size_t>(index)).text;
}

void StatusBarState::SetColor(Color color) {
  color_ = color;
  ShowPanels();
}

}  // namespace keldo::ui
