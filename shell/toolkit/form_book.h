#pragma once

#include <algorithm>
#include <vector>

namespace keldo::ui {

// A toolkit's record of its forms: those alive in the order they were made,
// the main form (the first made), the modal showings under way and the
// active form. F is the backend's form class; it answers Visible().
template <class F>
class FormBook {
 public:
  const std::vector<F*>& Forms() const { return forms_; }
  F* MainForm() const { return main_; }
  // The innermost modal form, the only one that takes input; nullptr if none.
  F* ModalForm() const { return modal_.empty() ? nullptr : modal_.back(); }
  F* ActiveForm() const { return active_; }

  void Created(F& form) {
    forms_.push_back(&form);
    if (main_ == nullptr) {
      main_ = &form;
    }
  }

  // Forgets a form that goes. true when it was the active form; then none is.
  bool Destroyed(F& form) {
    Remove(forms_, form);
    Remove(modal_, form);
    if (main_ == &form) {
      main_ = nullptr;
    }
    if (active_ != &form) {
      return false;
    }
    active_ = nullptr;
    return true;
  }

  void ModalBegins(F& form) { modal_.push_back(&form); }
  void ModalEnds(F& form) { Remove(modal_, form); }
  void Activated(F& form) { active_ = &form; }

  // The form left the screen. Unless another form is active, the activation
  // goes to the innermost modal form, else to the last visible one made.
  void PassActivation(F& leaving) {
    if (active_ != nullptr && active_ != &leaving) {
      return;
    }
    active_ = nullptr;
    if (F* modal = ModalForm(); modal != nullptr && modal != &leaving && modal->Visible()) {
      active_ = modal;
      return;
    }
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
      if (*it != &leaving && (*it)->Visible()) {
        active_ = *it;
        return;
      }
    }
  }

 private:
  static void Remove(std::vector<F*>& list, F& form) {
    list.erase(std::remove(list.begin(), list.end(), &form), list.end());
  }

  std::vector<F*> forms_;
  std::vector<F*> modal_;
  F* main_ = nullptr;
  F* active_ = nullptr;
};

}  // namespace keldo::ui
