#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/link_controller.h"
#include "engine/link_settings.h"
#include "engine/link_view.h"
#include "shell/frmConfigU.h"
#include "shell/toolkit/memory/toolkit.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo::test {

// The controller's log and state as the main window would show them.
class LogView final : public LinkView {
 public:
  void AppendLog(const std::string& line) override { log_.push_back(line); }
  void ClearLog() override {
    log_.clear();
    ++clears_;
  }
  void ShowTransfer(const std::string&) override {}
  void RefreshStateDisplay(LinkState) override {}
  void SetInputEnabled(bool) override {}
  void ShowAutoStart(bool) override {}
  void ShowServerName(const std::string&) override {}
  void ScheduleTrayHide() override {}
  void ResetCursor() override {}

  const std::vector<std::string>& Log() const { return log_; }
  int Clears() const { return clears_; }

 private:
  std::vector<std::string> log_;
  int clears_ = 0;
};

// A main form, a controller on the fake clock with a registry of its own,
// and the configuration dialog on the in-memory widget set.
class DialogFixture : public ::testing::Test {
 protected:
  DialogFixture();
  ~DialogFixture() override;

  // Stores settings and has the controller load them, as at start-up.
  void Store(const LinkSettings& settings);
  // What the store now yields.
  static LinkSettings Stored();

  struct Outcome {
    int result = 0;
    bool closedByUser = false;  // false: still open after the user's actions
    std::string error;          // what reached the loop's error report
  };
  // Opens a new dialog modally and lets user act on it from inside the modal
  // loop; a dialog still open afterwards is closed with its title bar.
  Outcome Interact(const std::function<void(TfrmConfig& dialog)>& user);

  ui::memory::MemoryToolkit& Toolkit() { return toolkit_; }
  LinkController& Link() { return *link_; }

  RegistrySandbox registry_;
  VirtualTimeLoop loop_;
  ui::memory::MemoryToolkit toolkit_;
  std::unique_ptr<ui::Form> main_;
  LogView view_;
  std::unique_ptr<LinkController> link_;
  std::vector<std::string> errors_;
};

}  // namespace keldo::test
