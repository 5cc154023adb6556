#include "shell/toolkit/memory/form.h"

#include <cctype>

#include "shell/toolkit/control_factory.h"
#include "shell/toolkit/memory/toolkit.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui::memory {

MemoryForm::MemoryForm(MemoryToolkit& toolkit, std::string className)
    : FormBase(toolkit.Loop(), toolkit.App()), toolkit_(toolkit), className_(std::move(className)) {
  toolkit_.FormCreated(*this);
}

MemoryForm::~MemoryForm() {
  // Controls go first, while the form they report to still exists.
  focused_ = nullptr;
  controls_.Clear();
  toolkit_.FormDestroyed(*this);
}

Control& MemoryForm::CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) {
  MemoryGroupBox* box = OwnGroupBox<MemoryGroupBox>(parent, *this);
  return controls_.Add(MakeControl<MemoryWidget, MemoryKinds>(kind, *this, box, bounds))
      .AsControl();
}

void MemoryForm::DoShow() {
  ++showCount_;
  // Also while the application is minimised: a form shown then (a dialog
  // asked for from the tray) comes on the screen.
  onScreen_ = true;
  toolkit_.FormShown(*this);
  if (focused_ == nullptr) {
    focused_ = controls_.FirstStop();
  }
}

void MemoryForm::DoHide() {
  onScreen_ = false;
  toolkit_.FormHidden(*this);
}

void MemoryForm::BeginModal() {
  toolkit_.ModalBegins(*this);
}

void MemoryForm::ModalShown() {
  if (toolkit_.OnModalStart) {
    auto hook = toolkit_.OnModalStart;
    loop_.Guard([&] { hook(*this); });
  }
}

void MemoryForm::EndModal() {
  Hide();
  toolkit_.ModalEnds(*this);
}

void MemoryForm::SetForeground() {
  if (Visible()) {
    toolkit_.FormShown(*this);
  }
}

void MemoryForm::SetTabOrder(const std::vector<Control*>& chain) {
  controls_.SetTabOrder(chain);
}

Control* MemoryForm::ActiveControl() const {
  return focused_ != nullptr ? &focused_->AsControl() : nullptr;
}

bool MemoryForm::TakesInput() const {
  if (!onScreen_ || !Enabled()) {
    return false;
  }
  const MemoryForm* modal = toolkit_.ModalForm();
  return modal == nullptr || modal == this;
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
  controls_.ClearOtherDefaults(button);
}

void MemoryForm::RadioTicked(MemoryRadioButton& button) {
  controls_.UntickOthers(button);
}

bool MemoryForm::MoveFocus(bool backwards) {
  focused_ = controls_.NextStop(focused_, backwards);
  return focused_ != nullptr;
}

bool MemoryForm::Key(int virtualKey, bool shift) {
  if (virtualKey != kVkTab && focused_ != nullptr && focused_->UserKey(virtualKey)) {
    return true;
  }
  return controls_.NavigationKey(virtualKey, shift, focused_,
                                 [this](MemoryWidget* widget) { focused_ = widget; });
}

bool MemoryForm::AccessKey(char key) {
  return controls_.AccessKey(key, [this](MemoryWidget* widget) { focused_ = widget; });
}

bool MemoryForm::CharKey(char key) {
  const Control* focus = focused_ != nullptr ? &focused_->AsControl() : nullptr;
  if (dynamic_cast<const Edit*>(focus) != nullptr ||
      dynamic_cast<const ComboBox*>(focus) != nullptr ||
      dynamic_cast<const Memo*>(focus) != nullptr) {
    return focused_->UserType(std::string(1, key), false);
  }
  return std::isalnum(static_cast<unsigned char>(key)) != 0 && AccessKey(key);
}

}  // namespace keldo::ui::memory
