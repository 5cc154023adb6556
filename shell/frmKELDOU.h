#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "engine/link_controller.h"
#include "engine/link_view.h"
#include "shell/toolkit/image_list.h"
#include "shell/toolkit/popup_menu.h"
#include "shell/toolkit/toolkit.h"
#include "shell/trayicon.h"

namespace keldo {

class TfrmKELDO;

// The main window, set before its creation steps run and for as long as it
// lives; the configuration dialog reaches the settings through it.
extern TfrmKELDO* frmKELDO;

// The program's one permanent window: the link's state, its log and
// counters, the Start/Pause/Stop buttons, the auto-start box, the tray icon
// with its menu, and the two-phase close. It owns the link controller and is
// its LinkView.
//
// The controller processes pending events in the middle of its set-up, its
// stop sequence and its reconnect check, so tray commands and this window's
// timers can run nested inside them. The window keeps those nested commands
// from doing harm: a configuration request waits until the sequence is over,
// and once the close has begun nothing opens the link again.
class TfrmKELDO final : public LinkView {
 public:
  static constexpr const char* kClassName = "TfrmKELDO";
  static constexpr const char* kCaption = "KELDO Link";
  // The log view is emptied once it holds more display lines than this.
  static constexpr int kLogLineLimit = 100;
  static constexpr std::uint32_t kExitDelayMs = 300;
  static constexpr std::uint32_t kTrayHideDelayMs = 100;

  // Builds the window, its controls, menu, tray icon and controller, then
  // runs FormCreate. The window stays hidden until Show.
  explicit TfrmKELDO(ui::Toolkit& toolkit);
  ~TfrmKELDO();
  TfrmKELDO(const TfrmKELDO&) = delete;
  TfrmKELDO& operator=(const TfrmKELDO&) = delete;

  // Shows the window; the first showing runs FormShow.
  void Show();

  // LinkView.
  void AppendLog(const std::string& line) override;
  void ClearLog() override;
  void ShowTransfer(const std::string& text) override;
  void RefreshStateDisplay(LinkState state) override;
  void SetInputEnabled(bool enabled) override;
  void ShowAutoStart(bool checked) override;
  void ShowServerName(const std::string& name) override;
  void ScheduleTrayHide() override;
  void ResetCursor() override;

  // Handlers.
  void FormCreate(void* Sender);
  void FormShow(void* Sender);
  void FormClose(void* Sender, bool& CanClose);
  void btnPlayClick(void* Sender);
  void btnPauseClick(void* Sender);
  void btnStopClick(void* Sender);
  void btnConfigClick(void* Sender);
  void mnuExitClick(void* Sender);
  void mnuRestoreClick(void* Sender);
  void chkStartClick(void* Sender);
  void moLogDblClick(void* Sender);
  void tmrExitTimer();
  void tmrMinTimer();

  LinkController& Controller() { return *controller_; }
  ui::Form& Form() { return *form_; }
  bool CloseConfirmed() const { return closeConfirmed_; }
  // Configuration dialogs shown now (a second one may open over the first).
  int OpenConfigDialogs() const { return openDialogs_; }

 private:
  struct Registration {
    explicit Registration(TfrmKELDO* window);
    ~Registration();
    TfrmKELDO* window;
  };

  void Build();
  void BuildMenu();
  void BuildTrayIcon();
  // Runs one of the controller's operations that process events in their
  // middle, and what waited for it once the outermost one is over.
  template <class F>
  void InSequence(F&& operation);
  void AfterSequence();

  Registration registration_;
  ui::Toolkit& toolkit_;
  std::unique_ptr<ui::Form> form_;

 public:
  // The controls, as the window lays them out.
  ui::Label& lblName;
  ui::Panel& pnName;
  ui::Image& imgLogo;
  ui::Image& imgPlay;
  ui::Image& imgPause;
  ui::Image& imgStop;
  ui::Button& btnPlay;
  ui::Label& lblPlay;
  ui::Button& btnPause;
  ui::Label& lblPause;
  ui::Button& btnStop;
  ui::Label& lblStop;
  ui::Memo& moLog;
  ui::CheckBox& chkStart;
  ui::Button& btnConfig;
  ui::Button& btnClose;
  ui::StatusBar& sbMain;

  ui::ImageList imgList{16, 16};
  std::unique_ptr<ui::PopupMenu> mnuMain;
  ui::MenuItem* mnuStop = nullptr;
  ui::MenuItem* mnuPause = nullptr;
  ui::MenuItem* mnuRun = nullptr;
  ui::MenuItem* mnuConfig = nullptr;
  ui::MenuItem* mnuExit = nullptr;
  ui::MenuItem* mnuRestore = nullptr;
  std::unique_ptr<TTrayIcon> trMain;
  std::unique_ptr<Timer> tmrExit;
  std::unique_ptr<Timer> tmrMin;

 private:
  bool closeConfirmed_ = false;
  bool showingStoredAutoStart_ = false;  // the box is set back to what is stored
  bool closing_ = false;                 // the first phase of the close has run
  bool shown_ = false;
  int sequenceDepth_ = 0;
  bool configWaiting_ = false;
  int openDialogs_ = 0;
  // Last: destroyed first, so nothing it reports reaches a control that is gone.
  std::unique_ptr<LinkController> controller_;
};

}  // namespace keldo
