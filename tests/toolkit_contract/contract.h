#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/event_loop.h"
#include "engine/platform/platform_event_loop.h"
#include "shell/toolkit/control_state.h"
#include "shell/toolkit/toolkit.h"

namespace keldo::test {

// The user's hands on one backend: input as its platform delivers it, and
// what its screen shows. Input a user could not give (a disabled control, a
// form behind a modal one) is given all the same and comes to nothing.
class Hands {
 public:
  virtual ~Hands() = default;

  // A left click: presses, toggles or ticks, and focuses what takes the focus.
  virtual void Click(ui::Control& control) = 0;
  virtual void DoubleClick(ui::Control& control) = 0;
  // A click into the control, then the characters typed.
  virtual void Type(ui::Control& control, const std::string& text) = 0;
  // A key to the focused control of the active form (ui::kVk... codes).
  virtual void Key(int virtualKey, bool shift = false) = 0;
  // A letter with Alt held, or alone, to the focused control of the active form.
  virtual void Letter(char letter, bool alt) = 0;
  virtual void Scroll(ui::ScrollBar& bar, ui::ScrollAction action) = 0;
  virtual void ChooseItem(ui::ComboBox& combo, int index) = 0;
  // The minimise button of the form's title bar.
  virtual void MinimizeButton(ui::Form& form) = 0;

  // What the screen shows.
  virtual bool ShownChecked(ui::Control& checkOrRadio) = 0;
  virtual int ShownPosition(ui::ScrollBar& bar) = 0;
  // The text of a text field, a combo box's field or a memo (lines by "\n").
  virtual std::string ShownText(ui::Control& control) = 0;
  virtual int ShownItemIndex(ui::ComboBox& combo) = 0;
  // Shown and not taken off the screen by a minimise or a hidden taskbar entry.
  virtual bool OnScreen(ui::Form& form) = 0;

  // Shows the form and gives it the keyboard.
  virtual void ShowActive(ui::Form& form) = 0;
};

// A backend under test: its loop, its widget set and the hands on it. Errors
// that reach the loop's report are kept in errors.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual EventLoop& Loop() = 0;
  virtual ui::Toolkit& Toolkit() = 0;
  virtual Hands& User() = 0;

  std::vector<std::string> errors;
};

// A widget set T on the given loop, with hands H(loop, toolkit).
template <class T, class H>
class BackendOf final : public Backend {
 public:
  explicit BackendOf(std::unique_ptr<EventLoop> loop = CreatePlatformEventLoop())
      : loop_(std::move(loop)), toolkit_(std::make_unique<T>(*loop_)), hands_(*loop_, *toolkit_) {
    loop_->SetErrorReport([this](const std::exception& e) { errors.push_back(e.what()); });
  }

  EventLoop& Loop() override { return *loop_; }
  ui::Toolkit& Toolkit() override { return *toolkit_; }
  Hands& User() override { return hands_; }

 private:
  std::unique_ptr<EventLoop> loop_;
  std::unique_ptr<T> toolkit_;
  H hands_;
};

// Made by each suite that runs the contract, once per test.
std::unique_ptr<Backend> MakeBackend();

// The widget set's contract, written once and run on every backend.
class ContractTest : public ::testing::Test {
 protected:
  ContractTest()
      : backend_(MakeBackend()), toolkit_(backend_->Toolkit()), user_(backend_->User()) {}
  ~ContractTest() override { forms_.clear(); }

  ui::Form& NewForm(const std::string& className = "TfrmContract") {
    forms_.push_back(toolkit_.CreateForm(className));
    forms_.back()->SetClientSize({360, 344});
    return *forms_.back();
  }
  const std::vector<std::string>& Errors() const { return backend_->errors; }

  // A dialog centred on the main form; its save button ends it with mrOk.
  struct Dialog {
    ui::Form& form;
    ui::Button& save;
  };
  Dialog NewDialog() {
    ui::Form& form = NewForm("TfrmContractDialog");
    form.SetPosition(ui::FormPosition::MainFormCenter);
    auto& save = form.Create<ui::Button>({8, 8, 80, 30});
    save.OnClick = [&form](void*) { form.SetModalResult(ui::mrOk); };
    return {form, save};
  }

  // Shows the form modally, does the user's part from inside its loop while
  // the form must be on the screen, and gives back the modal result.
  int ShowModalWith(ui::Form& form, const std::function<void()>& inside) {
    bool shown = false;
    toolkit_.Loop().Post([&] {
      shown = user_.OnScreen(form);
      inside();
    });
    const int result = form.ShowModal();
    EXPECT_TRUE(shown) << "not on the screen while modal";
    return result;
  }

  std::unique_ptr<Backend> backend_;
  ui::Toolkit& toolkit_;
  Hands& user_;
  std::vector<std::unique_ptr<ui::Form>> forms_;
};

}  // namespace keldo::test
