#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "shell/art/picture.h"
#include "shell/toolkit/types.h"

namespace keldo::ui {

class Form;

// The application object, one per toolkit. It has a hidden window of its own
// that carries the application's taskbar entry and owns message boxes; on a
// platform without such a window (Qt) the backend maps it onto the main
// form's entry.
class Application {
 public:
  // Sees a message to the application's window before the application
  // handles it; true means handled (the application's own handling is then
  // skipped).
  using Hook = std::function<bool(Message& message)>;
  using HookId = int;

  Application() = default;
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The title: the application window's text, the error display's caption.
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;
  virtual void SetIcon(const art::Picture& picture) = 0;
  // Empty until SetIcon.
  virtual Icon GetIcon() const = 0;

  // The first form made through the toolkit; nullptr before.
  virtual Form* MainForm() const = 0;

  // Minimise: every visible form leaves the screen (Visible stays true) and
  // the taskbar entry shows the application minimised. Does nothing when
  // already minimised. Restore undoes it; does nothing when not minimised.
  virtual void Minimize() = 0;
  virtual void Restore() = 0;
  virtual bool Minimized() const = 0;
  // ShowWindow on the application's window: kSwHide takes the taskbar entry
  // away, kSwRestore and kSwShowMinNoActive bring it back (the latter without
  // activating). Minimised state and form visibility stay as they are.
  virtual void ShowWindow(int command) = 0;
  virtual bool TaskbarEntryVisible() const = 0;
  // SetForegroundWindow on the application's window (the main form where
  // the application has no window of its own).
  virtual void SetForeground() = 0;

  // A modal message box owned by the application's window (kMb... flags);
  // returns the button pressed (kId...).
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             unsigned flags) = 0;

  // Runs the event loop until Terminate(). A backend applies the platform's
  // start-up show command here (minimised or maximised start).
  virtual void Run() = 0;
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  // Hooks run in the order added. A hook may remove itself or others (and
  // add new ones, which see the next message) while it runs.
  HookId AddHook(Hook hook);
  void RemoveHook(HookId id);
  bool HasHook(HookId id) const;

  // The error display: a stop box captioned with the title, with
  // ErrorDisplayText of the error's message. The box runs a nested loop in
  // which timers go on, so the same failure can come again while it is
  // open: such an error gets no box of its own (boxes would pile up without
  // end). It is counted and its text handed to OnErrorNotShown.
  void ShowException(const std::exception& error);
  bool ErrorBoxOpen() const { return errorBoxOpen_; }
  int ErrorsNotShown() const { return errorsNotShown_; }
  std::function<void(const std::string& text)> OnErrorNotShown;
  // The error handling of the loop and the start-up: EAbort is dropped,
  // everything else goes to ShowException. Point the event loop's error
  // report here.
  void HandleException(const std::exception& error);

 protected:
  // For backends: runs the hooks for a message to the application's window;
  // true if one handled it. Then the backend's own handling follows unless
  // handled: kWmSysCommand with kScMinimize minimises, with kScRestore restores.
  bool CallHooks(Message& message);

 private:
  struct HookEntry {
    HookId id;
    Hook hook;
  };
  std::vector<HookEntry> hooks_;
  HookId nextHookId_ = 1;
  bool terminated_ = false;
  bool errorBoxOpen_ = false;
  int errorsNotShown_ = 0;
};

}  // namespace keldo::ui
