#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shell/toolkit/component.h"
#include "shell/toolkit/types.h"

namespace keldo::ui {

// One entry of a pop-up menu: a command with a caption ("&" marks the access
// key, "&&" is a literal ampersand) or a separator line.
class MenuItem {
 public:
  MenuItem(std::string caption, bool separator)
      : caption_(std::move(caption)), separator_(separator) {}

  const std::string& Caption() const { return caption_; }
  bool IsSeparator() const { return separator_; }
  // The lower-case access key character, or 0 when the caption has none.
  char AccessKey() const;

  NotifyEvent OnClick;  // Sender: this item

 private:
  std::string caption_;
  bool separator_;
};

// A pop-up menu. The items are kept here, in order; a backend builds its
// native menu from them when it pops up.
class PopupMenu : public Component {
 public:
  MenuItem& AddItem(const std::string& caption, NotifyEvent onClick = nullptr);
  void AddSeparator();

  int Count() const { return static_cast<int>(items_.size()); }
  MenuItem& Item(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  const MenuItem& Item(int index) const { return *items_.at(static_cast<std::size_t>(index)); }

  // Shows the menu with its top-left corner at the screen point. Returns
  // without running a handler: the item the user picks runs its OnClick later,
  // from the event loop (backends whose menu call blocks post the handler).
  // Dismissing the menu runs nothing.
  virtual void Popup(Point screen) = 0;

  // Runs the handler of the item at index (backends call it for the user's
  // pick). Separators and indexes outside the menu run nothing.
  void Choose(int index);

 private:
  std::vector<std::unique_ptr<MenuItem>> items_;
};

}  // namespace keldo::ui
