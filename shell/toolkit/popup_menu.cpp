#include "shell/toolkit/popup_menu.h"

#include <cctype>

namespace keldo::ui {

char AccessKeyOf(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (caption[i + 1] != '&') {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
      }
      ++i;  // "&&" is a literal ampersand
    }
  }
  return 0;
}

char MenuItem::AccessKey() const {
  return AccessKeyOf(caption_);
}

MenuItem& PopupMenu::AddItem(const std::string& caption, NotifyEvent onClick) {
  items_.push_back(std::make_unique<MenuItem>(caption, false));
  items_.back()->OnClick = std::move(onClick);
  return *items_.back();
}

void PopupMenu::AddSeparator() {
  items_.push_back(std::make_unique<MenuItem>("-", true));
}

void PopupMenu::Choose(int index) {
  if (index < 0 || index >= Count()) {
    return;
  }
  MenuItem& item = Item(index);
  // A copy: the handler may destroy the menu and its items.
  NotifyEvent handler = item.OnClick;
  if (!item.IsSeparator() && handler) {
    handler(&item);
  }
}

}  // namespace keldo::ui
