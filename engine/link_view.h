#pragma once

#include <cstdint>
#include <string>

namespace keldo {

// The state shown to the user. The values are the stored and displayed ones.
enum class LinkState : std::int32_t { Stop = 0, Run = 1, Pause = 2 };

// The controller's outputs. The main window implements them with its log
// view, status bar, buttons and tray icon; keldo-linkd with a terminal.
// Every call comes from the event loop's thread, often from inside a socket
// event or a timer tick.
class LinkView {
 public:
  // One line of the log; the window clears its view once it holds more than
  // 100 lines.
  virtual void AppendLog(const std::string& line) = 0;
  virtual void ClearLog() = 0;
  // The transfer status: "COM:" or "NET:" followed by a byte count.
  virtual void ShowTransfer(const std::string& text) = 0;
  // Called after every command, also when the state did not change.
  virtual void RefreshStateDisplay(LinkState state) = 0;
  // While false the window ignores the user's input (its tray menu does not).
  virtual void SetInputEnabled(bool enabled) = 0;
  // The window's auto-start box; a change of it writes the autorun entry and
  // ServerAutoStart, as a click would.
  virtual void ShowAutoStart(bool checked) = 0;
  virtual void ShowServerName(const std::string& name) = 0;
  // Hides the window to the tray 100 ms from now.
  virtual void ScheduleTrayHide() = 0;
  virtual void ResetCursor() = 0;

  // The link set-up could not open its network side (a port in use or out of
  // range, no socket to be had), with the error's text, right after the log
  // line "Socket Error!". The window shows nothing more for it; keldo-linkd
  // ends with an error so that a service manager can act.
  virtual void NetworkOpenFailed(const std::string& reason) { static_cast<void>(reason); }

  // A peer outside ServerAllow was closed as it was accepted (by its dotted
  // address). It is no connection: the log and the link know nothing of it.
  // keldo-linkd reports it on standard error.
  virtual void PeerRefused(const std::string& address) { static_cast<void>(address); }

 protected:
  ~LinkView() = default;
};

}  // namespace keldo
