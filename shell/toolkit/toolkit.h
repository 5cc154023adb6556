#pragma once

#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "shell/toolkit/application.h"
#include "shell/toolkit/form.h"
#include "shell/toolkit/notify_icon.h"
#include "shell/toolkit/popup_menu.h"
#include "shell/toolkit/types.h"

namespace keldo::ui {

// The widget set the shell's windows are written against: the application
// object, the screen and pointer, forms, pop-up menus and the notification
// area. One per process, on the engine's one event loop; timers come from
// Loop().
class Toolkit {
 public:
  Toolkit() = default;
  virtual ~Toolkit() = default;
  Toolkit(const Toolkit&) = delete;
  Toolkit& operator=(const Toolkit&) = delete;

  virtual EventLoop& Loop() = 0;
  virtual Application& App() = 0;

  // A hidden form whose platform window is registered under className (the
  // single-instance lookup finds it from then on, hidden or not). The first
  // form made becomes the application's main form.
  virtual std::unique_ptr<Form> CreateForm(const std::string& className) = 0;
  virtual std::unique_ptr<PopupMenu> CreatePopupMenu() = 0;
  virtual std::unique_ptr<MessageWindow> CreateMessageWindow(MessageWindow::Handler handler) = 0;

  // Whether a top-level window of the class exists on this desktop, in this
  // process or another, visible or hidden (FindWindowA by class name).
  virtual bool TopLevelWindowExists(const std::string& className) = 0;

  // The screen's active form: the form with the focus, else the one that
  // had it last; nullptr when none.
  virtual Form* ActiveForm() = 0;
  // The pointer position in screen coordinates (GetCursorPos).
  virtual Point CursorPos() = 0;
  // Whether the key is held down now (GetKeyState negative); kVkShift,
  // kVkControl and kVkMenu at least.
  virtual bool KeyDown(int virtualKey) = 0;
  // Sets the application's pointer shape back to the platform default.
  virtual void ResetCursor() = 0;

  // Shell_NotifyIconA: kNimAdd, kNimModify or kNimDelete with the record.
  // true when the notification area took the request. An add is refused
  // while no notification area exists (and for an icon that is already
  // there); a modify or delete is refused for an icon that is not there.
  virtual bool ShellNotifyIcon(unsigned request, const NotifyIconData& data) = 0;
};

// The real widget set of this platform: raw Win32 on Windows, Qt 6 Widgets on
// Linux (a QApplication must exist before it, and before the loop). loop is
// the engine's loop of this platform and must outlive the toolkit.
std::unique_ptr<Toolkit> CreatePlatformToolkit(EventLoop& loop);

}  // namespace keldo::ui
