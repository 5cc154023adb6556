#pragma once

#include <memory>
#include <stdexcept>
#include <utility>

#include "shell/toolkit/controls.h"

namespace keldo::ui {

// The backend's group box B that parent stands for, checked to belong to
// form; nullptr when the control goes into the form itself.
template <class B, class F>
B* OwnGroupBox(GroupBox* parent, const F& form) {
  if (parent == nullptr) {
    return nullptr;
  }
  auto* box = dynamic_cast<B*>(parent);
  if (box == nullptr || &box->OwnerForm() != &form) {
    throw std::invalid_argument("a control's group box must belong to its form");
  }
  return box;
}

// A backend's control of a kind, made from args. K names the backend's class
// of each kind (K::Label, K::Panel, ...), each derived from W.
template <class W, class K, class... Args>
std::unique_ptr<W> MakeControl(ControlKind kind, Args&&... args) {
  switch (kind) {
    case ControlKind::Label:
      return std::make_unique<typename K::Label>(std::forward<Args>(args)...);
    case ControlKind::Panel:
      return std::make_unique<typename K::Panel>(std::forward<Args>(args)...);
    case ControlKind::Button:
      return std::make_unique<typename K::Button>(std::forward<Args>(args)...);
    case ControlKind::CheckBox:
      return std::make_unique<typename K::CheckBox>(std::forward<Args>(args)...);
    case ControlKind::RadioButton:
      return std::make_unique<typename K::RadioButton>(std::forward<Args>(args)...);
    case ControlKind::ScrollBar:
      return std::make_unique<typename K::ScrollBar>(std::forward<Args>(args)...);
    case ControlKind::Edit:
      return std::make_unique<typename K::Edit>(std::forward<Args>(args)...);
    case ControlKind::ComboBox:
      return std::make_unique<typename K::ComboBox>(std::forward<Args>(args)...);
    case ControlKind::Memo:
      return std::make_unique<typename K::Memo>(std::forward<Args>(args)...);
    case ControlKind::StatusBar:
      return std::make_unique<typename K::StatusBar>(std::forward<Args>(args)...);
    case ControlKind::Image:
      return std::make_unique<typename K::Image>(std::forward<Args>(args)...);
    case ControlKind::GroupBox:
      return std::make_unique<typename K::GroupBox>(std::forward<Args>(args)...);
  }
  throw std::invalid_argument("no control of that kind");
}

}  // namespace keldo::ui
