#pragma once

#include <map>
#include <memory>
#include <vector>

#include "engine/event_loop.h"
#include "shell/toolkit/notify_icon.h"
#include "shell/toolkit/types.h"

namespace keldo::ui {

// Message windows of a backend without native ones: each window is an
// object whose address is its handle, and its handler is found here by the
// handle. A window leaves the table when it is destroyed.
class MessageWindows {
 public:
  // handler runs through loop's guard, so its errors go to the error report.
  explicit MessageWindows(EventLoop& loop) : loop_(loop) {}
  MessageWindows(const MessageWindows&) = delete;
  MessageWindows& operator=(const MessageWindows&) = delete;

  std::unique_ptr<MessageWindow> Create(MessageWindow::Handler handler);
  // The windows there now.
  std::vector<WindowHandle> Handles() const;
  // Runs the window's handler on message; false when the window is gone.
  bool Send(WindowHandle handle, Message& message);
  // A copy of message to each window there now.
  void Broadcast(const Message& message);

 private:
  class Window;

  EventLoop& loop_;
  std::map<WindowHandle, MessageWindow::Handler> handlers_;
};

}  // namespace keldo::ui
