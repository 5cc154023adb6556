#pragma once

#include <memory>
#include <string>

#include "engine/link_controller.h"
#include "shell/toolkit/toolkit.h"

namespace keldo {

// What the windows tell of a save the store refused: "The settings were not
// saved: <failure>."
std::string SettingsNotSavedText(const std::string& failure);

// The configuration dialog: edits seven of the controller's eight settings
// (all but ServerAutoStart) in place and saves them through
// SaveSettingsAndRestart. Made for one showing and destroyed after it:
//
//   TfrmConfig dialog(toolkit, controller);
//   dialog.ShowModal();
//
// It centres itself over the application's main form each time it is shown.
// The controls carry their own names and are public, like the handlers, so
// tests can reach them.
class TfrmConfig {
 public:
  static constexpr const char* kClassName = "TfrmConfig";
  static constexpr const char* kCaption = "KELDO Link Config";
  static constexpr int kMinServerID = 1;
  static constexpr int kMaxServerID = 9999;
  // What a port text that does not convert stores.
  static constexpr std::int32_t kFallbackServerPort = 5001;
  static constexpr std::int32_t kFallbackCOMPort = 1;

  TfrmConfig(ui::Toolkit& toolkit, LinkController& controller);
  ~TfrmConfig();
  TfrmConfig(const TfrmConfig&) = delete;
  TfrmConfig& operator=(const TfrmConfig&) = delete;

  // Shows the dialog modally; returns when it closes.
  int ShowModal() { return form_->ShowModal(); }
  ui::Form& Form() { return *form_; }

  void FormShow(void* Sender);
  void sbIDChange(void* Sender);
  void rbServerClick(void* Sender);
  void rbClientClick(void* Sender);
  void btnSaveClick(void* Sender);
  void btnExitClick(void* Sender);

 private:
  ui::Toolkit& toolkit_;
  LinkController& controller_;
  std::unique_ptr<ui::Form> form_;

 public:
  ui::Label& lblID;
  ui::Edit& edID;
  ui::ScrollBar& sbID;
  ui::Label& lblName;
  ui::Edit& edName;
  ui::GroupBox& gbTCP;
  ui::RadioButton& rbServer;
  ui::RadioButton& rbClient;
  ui::Label& lblHost;
  ui::Edit& edHost;
  ui::Label& lblPort;
  ui::Edit& edPort;
  ui::GroupBox& gbCOM;
  ui::Label& lblCOM;
  ui::ComboBox& cmbCOM;
  ui::Label& lblBaud;
  ui::ComboBox& cmbBaud;
  ui::Button& btnSave;
  ui::Button& btnExit;

 private:
  void Build();
  // Tells the user why the store refused the settings.
  void ReportRefusedSave(const std::string& failure);
};

// The COM port number in a port text such as "COM3": the text after its
// first three characters, whatever they are, converted by TextToInt;
// kFallbackCOMPort where there is no such rest or it does not convert.
std::int32_t COMPortFromText(const std::string& text);

}  // namespace keldo
