#include "shell/toolkit/message_windows.h"

namespace keldo::ui {

class MessageWindows::Window final : public MessageWindow {
 public:
  explicit Window(MessageWindows& table) : table_(table) {}
  ~Window() override { table_.handlers_.erase(Handle()); }
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(this); }

 private:
  MessageWindows& table_;
};

std::unique_ptr<MessageWindow> MessageWindows::Create(MessageWindow::Handler handler) {
  auto window = std::make_unique<Window>(*this);
  handlers_[window->Handle()] = std::move(handler);
  return window;
}

std::vector<WindowHandle> MessageWindows::Handles() const {
  std::vector<WindowHandle> handles;
  for (const auto& entry : handlers_) {
    handles.push_back(entry.first);
  }
  return handles;
}

bool MessageWindows::Send(WindowHandle handle, Message& message) {
  const auto it = handlers_.find(handle);
  if (it == handlers_.end()) {
    return false;
  }
  MessageWindow::Handler handler = it->second;  // the window may go meanwhile
  loop_.Guard([&] { handler(message); });
  return true;
}

void MessageWindows::Broadcast(const Message& message) {
  // By a snapshot: a handler may make or destroy windows.
  for (WindowHandle handle : Handles()) {
    Message copy = message;
    Send(handle, copy);
  }
}

}  // namespace keldo::ui
