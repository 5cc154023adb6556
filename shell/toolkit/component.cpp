#include "shell/toolkit/component.h"

#include <algorithm>

namespace keldo::ui {

Component::~Component() {
  // One at a time: a notified component may destroy another linked one, which
  // then unlinks itself before its turn comes.
  while (!linked_.empty()) {
    Component* other = linked_.back();
    linked_.pop_back();
    other->Unlink(*this);
    other->Notification(this, Operation::Remove);
  }
}

void Component::FreeNotification(Component& other) {
  if (&other == this || std::find(linked_.begin(), linked_.end(), &other) != linked_.end()) {
    return;
  }
  linked_.push_back(&other);
  other.linked_.push_back(this);
}

void Component::RemoveFreeNotification(Component& other) {
  Unlink(other);
  other.Unlink(*this);
}

void Component::Notification(Component* /*component*/, Operation /*operation*/) {}

void Component::Unlink(Component& other) {
  linked_.erase(std::remove(linked_.begin(), linked_.end(), &other), linked_.end());
}

}  // namespace keldo::ui
