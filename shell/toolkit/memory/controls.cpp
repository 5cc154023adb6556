#include "shell/toolkit/memory/controls.h"

#include <algorithm>

#include "shell/toolkit/memory/form.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui::memory {

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

template class MemoryControl<Captioned<Label>>;
template class MemoryControl<Captioned<Panel>>;
template class MemoryControl<ButtonState>;
template class MemoryControl<CheckBoxState>;
template class MemoryControl<RadioButtonState>;
template class MemoryControl<ScrollBarState>;
template class MemoryControl<Edit>;
template class MemoryControl<ComboBoxState>;
template class MemoryControl<MemoState>;
template class MemoryControl<StatusBarState>;
template class MemoryControl<Image>;
template class MemoryControl<Captioned<GroupBox>>;

void MemoryButton::BecameDefault() {
  form_.DefaultChanged(*this);
}

void MemoryButton::UserClick() {
  Raise(OnClick, *this);
}

bool MemoryButton::UserKey(int virtualKey) {
  if (virtualKey == kVkSpace || virtualKey == kVkReturn) {
    UserClick();
    return true;
  }
  return false;
}

bool MemoryCheckBox::UserKey(int virtualKey) {
  if (virtualKey == kVkSpace) {
    UserClick();
    return true;
  }
  return false;
}

void MemoryRadioButton::Ticked() {
  form_.RadioTicked(*this);
}

bool MemoryRadioButton::UserKey(int virtualKey) {
  if (virtualKey == kVkSpace) {
    UserClick();
    return true;
  }
  return false;
}

bool MemoryScrollBar::UserKey(int virtualKey) {
  switch (virtualKey) {
    case kVkLeft:
    case kVkUp:
      Step(ScrollAction::LineLeft);
      return true;
    case kVkRight:
    case kVkDown:
      Step(ScrollAction::LineRight);
      return true;
    case kVkPrior:
      Step(ScrollAction::PageLeft);
      return true;
    case kVkNext:
      Step(ScrollAction::PageRight);
      return true;
    case kVkHome:
      Step(ScrollAction::Home);
      return true;
    case kVkEnd:
      Step(ScrollAction::End);
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

void MemoryComboBox::ShowCleared() {
  if (Style() == ComboStyle::DropDownList) {
    text_.clear();
  }
}

void MemoryComboBox::ShowChoice() {
  text_ = ItemIndex() >= 0 ? Item(ItemIndex()) : std::string();
}

bool MemoryComboBox::UserType(const std::string& text, bool replace) {
  if (Style() != ComboStyle::DropDown) {
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
  const int next = ItemIndex() < 0 ? 0 : std::clamp(ItemIndex() + step, 0, ItemCount() - 1);
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

int MemoryMemo::DisplayLines() const {
  const int columns = Columns();
  int count = 0;
  for (const std::string& line : StoredLines()) {
    count += WrappedLines(line, columns);
  }
  return count;
}

void MemoryMemo::UserDoubleClick() {
  Raise(OnDblClick, *this);
}

bool MemoryMemo::UserKey(int virtualKey) {
  // The memo keeps Enter (the default button does not see it) and the
  // arrows, which move its caret.
  return virtualKey == kVkReturn || (virtualKey >= kVkPrior && virtualKey <= kVkDown);
}

}  // namespace keldo::ui::memory
