// The contract suite on the in-memory widget set: the toolkit's own driver is
// the user's hands, and its state is the screen.
#include <string>
#include <vector>

#include "shell/toolkit/memory/toolkit.h"
#include "tests/support/test_loop.h"
#include "tests/support/virtual_time_loop.h"
#include "tests/toolkit_contract/contract.h"

namespace keldo::test {
namespace {

class MemoryHands final : public Hands {
 public:
  explicit MemoryHands(ui::memory::MemoryToolkit& toolkit) : toolkit_(toolkit) {}

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
    if (auto* box = dynamic_cast<ui::CheckBox*>(&control)) {
      return box->Checked();
    }
    return dynamic_cast<ui::RadioButton&>(control).Checked();
  }
  int ShownPosition(ui::ScrollBar& bar) override { return bar.Position(); }
  std::string ShownText(ui::Control& control) override {
    if (auto* edit = dynamic_cast<ui::Edit*>(&control)) {
      return edit->Text();
    }
    if (auto* combo = dynamic_cast<ui::ComboBox*>(&control)) {
      return combo->Text();
    }
    const std::vector<std::string> lines = dynamic_cast<ui::Memo&>(control).Lines();
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      text += (i == 0 ? "" : "\n") + lines[i];
    }
    return text;
  }
  int ShownItemIndex(ui::ComboBox& combo) override { return combo.ItemIndex(); }
  bool OnScreen(ui::Form& form) override {
    return dynamic_cast<ui::memory::MemoryForm&>(form).OnScreen();
  }
  void ShowActive(ui::Form& form) override { form.Show(); }

 private:
  ui::memory::MemoryToolkit& toolkit_;
};

class MemoryBackend final : public Backend {
 public:
  MemoryBackend() : loop_(TestLoop()), toolkit_(loop_), hands_(toolkit_) {
    loop_.SetErrorReport([this](const std::exception& e) { errors.push_back(e.what()); });
  }

  EventLoop& Loop() override { return loop_; }
  ui::Toolkit& Toolkit() override { return toolkit_; }
  Hands& User() override { return hands_; }

 private:
  VirtualTimeLoop loop_;
  ui::memory::MemoryToolkit toolkit_;
  MemoryHands hands_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend() {
  return std::make_unique<MemoryBackend>();
}

}  // namespace keldo::test
