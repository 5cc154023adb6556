// The contract suite on the in-memory widget set: the toolkit's own driver is
// the user's hands, and its state is the screen.
#include <string>

#include "shell/toolkit/memory/toolkit.h"
#include "tests/support/test_loop.h"
#include "tests/support/virtual_time_loop.h"
#include "tests/toolkit_contract/contract.h"

namespace keldo::test {
namespace {

class MemoryHands final : public Hands {
 public:
  MemoryHands(EventLoop& /*loop*/, ui::memory::MemoryToolkit& toolkit) : toolkit_(toolkit) {}

  void Click(ui::Control& control) override { toolkit_.Click(control); }
  void DoubleClick(ui::Control& control) override { toolkit_.DoubleClick(control); }
  void Type(ui::Control& control, const std::string& text) override {
    toolkit_.Type(control, text);
  }
  void Key(int virtualKey, bool shift) override { toolkit_.PressKey(virtualKey, shift); }
  void Letter(char letter, bool alt) override {
    alt ? toolkit_.PressAccessKey(letter) : toolkit_.PressCharKey(letter);
  }
  void Scroll(ui::ScrollBar& bar, ui::ScrollAction action) override {
    toolkit_.Scroll(bar, action);
  }
  void ChooseItem(ui::ComboBox& combo, int index) override { toolkit_.ChooseItem(combo, index); }
  void MinimizeButton(ui::Form& form) override { toolkit_.SystemCommand(form, ui::kScMinimize); }

  bool ShownChecked(ui::Control& control) override {
    auto* box = dynamic_cast<ui::CheckBox*>(&control);
    return box != nullptr ? box->Checked() : dynamic_cast<ui::RadioButton&>(control).Checked();
  }
  int ShownPosition(ui::ScrollBar& bar) override { return bar.Position(); }
  std::string ShownText(ui::Control& control) override {
    if (auto* edit = dynamic_cast<ui::Edit*>(&control)) {
      return edit->Text();
    }
    if (auto* combo = dynamic_cast<ui::ComboBox*>(&control)) {
      return combo->Text();
    }
    std::string text;
    for (const std::string& line : dynamic_cast<ui::Memo&>(control).Lines()) {
      text += line + '\n';
    }
    return text.empty() ? text : text.substr(0, text.size() - 1);
  }
  int ShownItemIndex(ui::ComboBox& combo) override { return combo.ItemIndex(); }
  bool OnScreen(ui::Form& form) override {
    return dynamic_cast<ui::memory::MemoryForm&>(form).OnScreen();
  }
  void ShowActive(ui::Form& form) override { form.Show(); }

 private:
  ui::memory::MemoryToolkit& toolkit_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<BackendOf<ui::memory::MemoryToolkit, MemoryHands>>(
      std::make_unique<VirtualTimeLoop>(TestLoop()));
}

}  // namespace keldo::test
