#include "shell/toolkit/memory/toolkit.h"

#include <algorithm>

#include "shell/toolkit/messages.h"
#include "shell/toolkit/system_command.h"

namespace keldo::ui::memory {

namespace {

class MemoryPopupMenu final : public PopupMenu {
 public:
  explicit MemoryPopupMenu(MemoryToolkit& toolkit) : toolkit_(toolkit) {}
  ~MemoryPopupMenu() override { toolkit_.MenuDestroyed(*this); }
  void Popup(Point screen) override { toolkit_.MenuPoppedUp(*this, screen); }

 private:
  MemoryToolkit& toolkit_;
};

int FirstButton(unsigned flags) {
  switch (flags & kMbTypeMask) {
    case kMbYesNo:
      return kIdYes;
    default:
      return kIdOk;
  }
}

}  // namespace

Form* MemoryApplication::MainForm() const {
  return toolkit_.Book().MainForm();
}

void MemoryApplication::Minimize() {
  minimized_ = true;
  for (MemoryForm* form : toolkit_.Book().Forms()) {
    form->ScreenHide();
  }
}

void MemoryApplication::Restore() {
  if (!minimized_) {
    return;
  }
  minimized_ = false;
  for (MemoryForm* form : toolkit_.Book().Forms()) {
    form->ScreenShow();
  }
}

void MemoryApplication::ShowWindow(int command) {
  taskbarEntry_ = command != kSwHide;
}

int MemoryApplication::ShowMessageBox(const std::string& text, const std::string& caption,
                                      unsigned flags) {
  return toolkit_.AnswerMessageBox({text, caption, flags, 0});
}

void MemoryApplication::Run() {
  toolkit_.Loop().RunUntil([this] { return Terminated(); });
}

void MemoryApplication::Perform(Message& message) {
  if (CallHooks(message) || message.Msg != kWmSysCommand) {
    return;
  }
  PerformSystemCommand(*this, message.WParam);
}

MemoryToolkit::MemoryToolkit(EventLoop& loop) : loop_(loop), app_(*this), windows_(loop) {}

MemoryToolkit::~MemoryToolkit() = default;

std::unique_ptr<Form> MemoryToolkit::CreateForm(const std::string& className) {
  return std::make_unique<MemoryForm>(*this, className);
}

std::unique_ptr<PopupMenu> MemoryToolkit::CreatePopupMenu() {
  return std::make_unique<MemoryPopupMenu>(*this);
}

bool MemoryToolkit::TopLevelWindowExists(const std::string& className) {
  const auto named = [&](const MemoryForm* form) { return form->ClassName() == className; };
  return std::any_of(book_.Forms().begin(), book_.Forms().end(), named) ||
         std::find(foreign_.begin(), foreign_.end(), className) != foreign_.end();
}

bool MemoryToolkit::KeyDown(int virtualKey) {
  const auto it = keys_.find(virtualKey);
  return it != keys_.end() && it->second;
}

void MemoryToolkit::SetKeyDown(int virtualKey, bool down) {
  keys_[virtualKey] = down;
}

MemoryWidget* MemoryToolkit::Reachable(Control& control) {
  for (MemoryForm* form : book_.Forms()) {
    if (MemoryWidget* widget = form->FindWidget(control)) {
      return form->TakesInput() && widget->Usable() ? widget : nullptr;
    }
  }
  return nullptr;
}

MemoryWidget* MemoryToolkit::PointAt(Control& control) {
  MemoryWidget* widget = Reachable(control);
  if (widget != nullptr) {
    MemoryForm& form = widget->OwnerForm();
    FormShown(form);
    if (widget->Focusable()) {
      form.Focus(widget);
    }
  }
  return widget;
}

bool MemoryToolkit::Click(Control& control) {
  MemoryWidget* widget = PointAt(control);
  if (widget != nullptr) {
    Guard([&] { widget->UserClick(); });
  }
  return widget != nullptr;
}

bool MemoryToolkit::DoubleClick(Control& control) {
  MemoryWidget* widget = PointAt(control);
  if (widget != nullptr) {
    Guard([&] { widget->UserDoubleClick(); });
  }
  return widget != nullptr;
}

bool MemoryToolkit::Type(Control& control, const std::string& text, bool replace) {
  MemoryWidget* widget = Reachable(control);
  if (widget == nullptr || !widget->Focusable()) {
    return false;
  }
  widget->OwnerForm().Focus(widget);
  FormShown(widget->OwnerForm());
  bool took = false;
  Guard([&] { took = widget->UserType(text, replace); });
  return took;
}

bool MemoryToolkit::ChooseItem(ComboBox& combo, int index) {
  MemoryWidget* widget = Reachable(combo);
  if (widget == nullptr || index < 0 || index >= combo.ItemCount()) {
    return false;
  }
  widget->OwnerForm().Focus(widget);
  Guard([&] { combo.SetItemIndex(index); });
  return true;
}

bool MemoryToolkit::Scroll(ScrollBar& bar, ScrollAction action) {
  auto* widget = dynamic_cast<MemoryScrollBar*>(Reachable(bar));
  if (widget == nullptr) {
    return false;
  }
  widget->OwnerForm().Focus(widget);
  Guard([&] { widget->Step(action); });
  return true;
}

bool MemoryToolkit::DragThumb(ScrollBar& bar, int position) {
  MemoryWidget* widget = Reachable(bar);
  if (widget == nullptr) {
    return false;
  }
  widget->OwnerForm().Focus(widget);
  Guard([&] { bar.SetPosition(position); });
  return true;
}

bool MemoryToolkit::PressKey(int virtualKey, bool shift) {
  auto* form = book_.ActiveForm();
  if (form == nullptr || !form->TakesInput()) {
    return false;
  }
  bool used = false;
  Guard([&] { used = form->Key(virtualKey, shift); });
  return used;
}

bool MemoryToolkit::PressAccessKey(char key) {
  auto* form = book_.ActiveForm();
  if (form == nullptr || !form->TakesInput()) {
    return false;
  }
  bool used = false;
  Guard([&] { used = form->AccessKey(key); });
  return used;
}

bool MemoryToolkit::PressCharKey(char key) {
  auto* form = book_.ActiveForm();
  if (form == nullptr || !form->TakesInput()) {
    return false;
  }
  bool used = false;
  Guard([&] { used = form->CharKey(key); });
  return used;
}

bool MemoryToolkit::SystemCommand(Form& target, std::uintptr_t command) {
  auto* form = dynamic_cast<MemoryForm*>(&target);
  if (form == nullptr || !form->TakesInput()) {
    return false;
  }
  if (command == kScClose) {
    if (!form->HasCloseCommand()) {
      return false;
    }
    Guard([&] { form->Close(); });
    return true;
  }
  if (command == kScMinimize) {
    if (!form->GetBorderIcons().minimize || app_.MainForm() != form) {
      return false;
    }
    Message message{kWmSysCommand, command, 0, 0};
    Guard([&] { app_.Perform(message); });
    return true;
  }
  return false;
}

bool MemoryToolkit::ClickTaskbarEntry() {
  if (!app_.TaskbarEntryVisible() || app_.MainForm() == nullptr) {
    return false;
  }
  Message message{kWmSysCommand, app_.Minimized() ? kScRestore : kScMinimize, 0, 0};
  Guard([&] { app_.Perform(message); });
  return true;
}

bool MemoryToolkit::ChooseMenuItem(const std::string& caption) {
  PopupMenu* menu = popped_;
  if (menu == nullptr) {
    return false;
  }
  for (int i = 0; i < menu->Count(); ++i) {
    if (!menu->Item(i).IsSeparator() && menu->Item(i).Caption() == caption) {
      popped_ = nullptr;
      Guard([&] { menu->Choose(i); });
      return true;
    }
  }
  return false;
}

bool MemoryToolkit::ChooseMenuAccessKey(char key) {
  PopupMenu* menu = popped_;
  if (menu == nullptr) {
    return false;
  }
  const char lower = static_cast<char>(key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : key);
  for (int i = 0; i < menu->Count(); ++i) {
    if (!menu->Item(i).IsSeparator() && menu->Item(i).AccessKey() == lower) {
      popped_ = nullptr;
      Guard([&] { menu->Choose(i); });
      return true;
    }
  }
  return false;
}

int MemoryToolkit::AnswerMessageBox(ShownMessageBox box) {
  box.answer = OnMessageBox ? OnMessageBox(box) : FirstButton(box.flags);
  boxes_.push_back(box);
  return box.answer;
}

void MemoryToolkit::FormDestroyed(MemoryForm& form) {
  if (book_.Destroyed(form)) {
    book_.PassActivation(form);
  }
}

void MemoryToolkit::ModalEnds(MemoryForm& form) {
  book_.ModalEnds(form);
  book_.PassActivation(form);
}

void MemoryToolkit::MenuPoppedUp(PopupMenu& menu, Point at) {
  popped_ = &menu;
  popupPoint_ = at;
  ++popupCount_;
}

void MemoryToolkit::MenuDestroyed(PopupMenu& menu) {
  if (popped_ == &menu) {
    popped_ = nullptr;
  }
}

}  // namespace keldo::ui::memory
