#include "shell/toolkit/memory/controls.h"

#include <algorithm>

#include "shell/toolkit/memory/form.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui::memory {

namespace {

// A copy runs: the handler may destroy the control.
void Fire(const NotifyEvent& event, void* sender) {
  NotifyEvent handler = event;
  if (handler) {
    handler(sender);
  }
}

}  // namespace

bool MemoryWidget::Usable() const {
  if (!visible_ || !enabled_) {
    return false;
  }
  return parent_ == nullptr || parent_->Usable();
}

template <class I>
void MemoryControl<I>::SetFocus() {
  if (Focusable() && Usable()) {
    form_.Focus(this);
  }
}

template <class I>
bool MemoryControl<I>::Focused() const {
  return form_.FocusedWidget() == this;
}

template <class I>
void MemoryControl<I>::Changed() {
  if (!Usable()) {
    form_.FocusLost(*this);
  }
}

template class MemoryControl<Label>;
template class MemoryControl<Panel>;
template class MemoryControl<Button>;
template class MemoryControl<CheckBox>;
template class MemoryControl<RadioButton>;
template class MemoryControl<ScrollBar>;
template class MemoryControl<Edit>;
template class MemoryControl<ComboBox>;
template class MemoryControl<Memo>;
template class MemoryControl<StatusBar>;
template class MemoryControl<Image>;
template class MemoryControl<GroupBox>;

void MemoryButton::SetDefault(bool isDefault) {
  default_ = isDefault;
  if (isDefault) {
    form_.DefaultChanged(*this);
  }
}

void MemoryButton::UserClick() {
  Fire(OnClick, this);
}

bool MemoryButton::UserKey(int virtualKey) {
  if (virtualKey == kVkSpace || virtualKey == kVkReturn) {
    UserClick();
    return true;
  }
  return false;
}

void MemoryCheckBox::SetChecked(bool checked) {
  if (checked == checked_) {
    return;
  }
  checked_ = checked;
  Fire(OnClick, this);
}

bool MemoryCheckBox::UserKey(int virtualKey) {
  if (virtualKey == kVkSpace) {
    UserClick();
    return true;
  }
  return false;
}

void MemoryRadioButton::SetChecked(bool checked) {
  if (checked == checked_) {
    return;
  }
  checked_ = checked;
  if (checked) {
    form_.RadioTicked(*this);
    Fire(OnClick, this);
  }
}

bool MemoryRadioButton::UserKey(int virtualKey) {
  if (virtualKey == kVkSpace) {
    UserClick();
    return true;
  }
  return false;
}

void MemoryScrollBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  const int clamped = std::clamp(position_, min_, max_);
  if (clamped != position_) {
    position_ = clamped;
    Fire(OnChange, this);
  }
}

void MemoryScrollBar::SetPosition(int position) {
  const int clamped = std::clamp(position, min_, max_);
  if (clamped == position_) {
    return;
  }
  position_ = clamped;
  Fire(OnChange, this);
}

void MemoryScrollBar::UserScroll(ScrollAction action) {
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

bool MemoryScrollBar::UserKey(int virtualKey) {
  switch (virtualKey) {
    case kVkLeft:
    case kVkUp:
      UserScroll(ScrollAction::LineLeft);
      return true;
    case kVkRight:
    case kVkDown:
      UserScroll(ScrollAction::LineRight);
      return true;
    case kVkPrior:
      UserScroll(ScrollAction::PageLeft);
      return true;
    case kVkNext:
      UserScroll(ScrollAction::PageRight);
      return true;
    case kVkHome:
      UserScroll(ScrollAction::Home);
      return true;
    case kVkEnd:
      UserScroll(ScrollAction::End);
      return true;
    default:
      return false;
  }
}

bool MemoryEdit::UserType(const std::string& text, bool replace) {
  if (readOnly_) {
    return false;
  }
  std::string result = replace ? std::string() : text_;
  std::size_t room = text.size();
  if (maxLength_ > 0) {
    const std::size_t limit = static_cast<std::size_t>(maxLength_);
    room = std::min(room, limit > result.size() ? limit - result.size() : 0);
  }
  result += text.substr(0, room);
  const bool changed = result != text_;
  text_ = std::move(result);
  return changed;
}

void MemoryComboBox::ClearItems() {
  items_.clear();
  itemIndex_ = -1;
  if (style_ == ComboStyle::DropDownList) {
    text_.clear();
  }
}

std::string MemoryComboBox::Item(int index) const {
  return items_.at(static_cast<std::size_t>(index));
}

void MemoryComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= ItemCount()) {
    itemIndex_ = -1;
    if (style_ == ComboStyle::DropDownList) {
      text_.clear();
    }
    return;
  }
  itemIndex_ = index;
  text_ = items_[static_cast<std::size_t>(index)];
}

void MemoryComboBox::SetText(const std::string& text) {
  if (style_ == ComboStyle::DropDown) {
    text_ = text;
    return;
  }
  const auto it = std::find(items_.begin(), items_.end(), text);
  SetItemIndex(it == items_.end() ? -1 : static_cast<int>(it - items_.begin()));
}

bool MemoryComboBox::UserType(const std::string& text, bool replace) {
  if (style_ != ComboStyle::DropDown) {
    return false;
  }
  text_ = replace ? text : text_ + text;
  return true;
}

bool MemoryComboBox::UserKey(int virtualKey) {
  if (ItemCount() == 0 || (virtualKey != kVkUp && virtualKey != kVkDown)) {
    return false;
  }
  const int step = virtualKey == kVkDown ? 1 : -1;
  const int next = itemIndex_ < 0 ? 0 : std::clamp(itemIndex_ + step, 0, ItemCount() - 1);
  SetItemIndex(next);
  return true;
}

int MemoryMemo::WrappedLines(const std::string& line, int columns) {
  const std::size_t width = static_cast<std::size_t>(std::max(columns, 1));
  int count = 0;
  std::size_t pos = 0;
  const std::size_t end = line.size();
  do {
    ++count;
    if (end - pos <= width) {
      break;
    }
    // The last space within the line's width plus one: a space right after
    // the last column still lets the line break there.
    std::size_t brk = line.rfind(' ', pos + width);
    if (brk == std::string::npos || brk < pos || brk == pos) {
      pos += width;  // one word wider than the line
    } else {
      pos = brk;
    }
    while (pos < end && line[pos] == ' ') {
      ++pos;  // spaces at the break take no room
    }
  } while (pos < end);
  return count;
}

int MemoryMemo::Columns() const {
  const int text = bounds_.width - kBorder - kMargins - (scrollBar_ ? kScrollBarWidth : 0);
  return std::max(1, text / CharWidth(form_.GetFont().height));
}

int MemoryMemo::LineCount() const {
  const int columns = Columns();
  int count = 0;
  for (const std::string& line : lines_) {
    count += WrappedLines(line, columns);
  }
  return count;
}

void MemoryMemo::UserDoubleClick() {
  Fire(OnDblClick, this);
}

bool MemoryMemo::UserKey(int virtualKey) {
  // The memo keeps Enter (the default button does not see it) and the
  // arrows, which move its caret.
  return virtualKey == kVkReturn || (virtualKey >= kVkPrior && virtualKey <= kVkDown);
}

int MemoryStatusBar::AddPanel(int width, Alignment alignment) {
  panels_.push_back({width, alignment, {}});
  return PanelCount() - 1;
}

void MemoryStatusBar::SetPanelText(int index, const std::string& text) {
  panels_.at(static_cast<std::size_t>(index)).text = text;
}

std::string MemoryStatusBar::PanelText(int index) const {
  return panels_.at(static_cast<std::size_t>(index)).text;
}

}  // namespace keldo::ui::memory
