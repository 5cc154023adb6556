#pragma once

#include <vector>

namespace keldo::ui {

enum class Operation { Insert, Remove };

// A non-visual part of a window (image list, pop-up menu, tray icon) that
// others may reference without owning. A component that asked with
// FreeNotification is told through Notification before the other one goes,
// so it never keeps a dangling reference.
class Component {
 public:
  Component() = default;
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  // this->Notification(&other, Operation::Remove) runs when other is
  // destroyed. Either side may go first; the link is dropped with it.
  void FreeNotification(Component& other);
  void RemoveFreeNotification(Component& other);

 protected:
  virtual void Notification(Component* component, Operation operation);

 private:
  void Unlink(Component& other);

  std::vector<Component*> linked_;
};

}  // namespace keldo::ui
