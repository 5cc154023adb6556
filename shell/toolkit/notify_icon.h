#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "shell/toolkit/types.h"

namespace keldo::ui {

// A hidden window made for a component: its messages (the notification
// icon's callback, the session messages, kWmTaskbarCreated/kWmTaskbarLost)
// go to the handler given when it was made, inside the loop's guard.
// Destroying it drops what is still queued for it. On Windows it is a hidden
// top-level window, not a message-only one, so that broadcasts (the session
// messages, "TaskbarCreated") reach it.
class MessageWindow {
 public:
  using Handler = std::function<void(Message& message)>;

  virtual ~MessageWindow() = default;
  virtual WindowHandle Handle() const = 0;
};

// The icon record of the notification-area requests. hWnd and uID name the
// icon; the backend adds the platform's own fields (the record's size among
// them) as its build lays the record out.
struct NotifyIconData {
  WindowHandle hWnd = 0;
  std::uintptr_t uID = 0;
  unsigned uFlags = 0;            // kNifMessage | kNifIcon | kNifTip
  unsigned uCallbackMessage = 0;  // sent to hWnd with LParam = the pointer action
  Icon hIcon;                     // empty: an icon without an image
  std::string szTip;              // the tooltip, at most 127 characters used
};

// The pointer actions a callback carries in LParam, with their Windows
// numbers (kWmMouseMove .. kWmMButtonDblClk). A backend that cannot tell some
// apart sends the nearest (see the README's notes per platform).

}  // namespace keldo::ui
