#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "engine/link_controller.h"
#include "engine/link_view.h"
#include "shell/toolkit/toolkit.h"

namespace keldo::demo {

// A stand-in for the main window around the configuration dialog, for
// trying the dialog on a real backend: a window with a "&Config" button and
// the controller's log, the controller behind it (never started), and the
// dialog opened as the main window opens it. What happens is reported line
// by line ("dialog shown", "log: TCP Server Mode,Port:5001", "dialog closed").
class ConfigDemo final : public LinkView {
 public:
  using Report = std::function<void(const std::string& line)>;

  static constexpr const char* kClassName = "TfrmConfigDemo";
  static constexpr const char* kCaption = "KELDO Link config demo";

  ConfigDemo(ui::Toolkit& toolkit, Report report);
  ~ConfigDemo();
  ConfigDemo(const ConfigDemo&) = delete;
  ConfigDemo& operator=(const ConfigDemo&) = delete;

  // Loads and reports the settings and shows the window centred on the
  // screen. With openAtOnce the dialog opens as soon as the loop runs, and
  // the program ends when it closes.
  void Show(bool openAtOnce);
  // What the main window's "&Config" does.
  void btnConfigClick(void* Sender);

  ui::Form& Form() { return *form_; }
  LinkController& Link() { return *link_; }

  // LinkView: the log goes to the window and the report.
  void AppendLog(const std::string& line) override;
  void ClearLog() override;
  void ShowTransfer(const std::string&) override {}
  void RefreshStateDisplay(LinkState) override {}
  void SetInputEnabled(bool enabled) override;
  void ShowAutoStart(bool) override {}
  void ShowServerName(const std::string& name) override;
  void ScheduleTrayHide() override {}
  void ResetCursor() override {}

 private:
  ui::Toolkit& toolkit_;
  Report report_;
  std::unique_ptr<ui::Form> form_;
  ui::Memo* log_ = nullptr;
  ui::Panel* name_ = nullptr;
  std::unique_ptr<LinkController> link_;
};

// The demo's program: "--open" opens the dialog at once and ends with it.
// Reports go to standard output. Returns the exit code.
int RunConfigDemo(ui::Toolkit& toolkit, int argc, char** argv);

}  // namespace keldo::demo
