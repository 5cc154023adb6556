// The notification area as the shell keeps it, and the hidden windows that
// receive its callbacks and the session and taskbar announcements.
#include <utility>
#include <vector>

#include "shell/toolkit/memory/toolkit.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui::memory {

std::unique_ptr<MessageWindow> MemoryToolkit::CreateMessageWindow(MessageWindow::Handler handler) {
  return windows_.Create(std::move(handler));
}

bool MemoryToolkit::ShellNotifyIcon(unsigned request, const NotifyIconData& data) {
  const auto key = std::make_pair(data.hWnd, data.uID);
  const auto it = icons_.find(key);
  bool accepted = !refusing_[request];
  if (accepted) {
    switch (request) {
      case kNimAdd:
        accepted = areaAvailable_ && it == icons_.end();
        if (accepted) {
          icons_[key] = data;
        }
        break;
      case kNimModify:
        accepted = it != icons_.end();
        if (accepted) {
          // As the shell does: only the fields the flags name change.
          NotifyIconData& shown = it->second;
          if ((data.uFlags & kNifIcon) != 0) {
            shown.hIcon = data.hIcon;
          }
          if ((data.uFlags & kNifTip) != 0) {
            shown.szTip = data.szTip;
          }
          if ((data.uFlags & kNifMessage) != 0) {
            shown.uCallbackMessage = data.uCallbackMessage;
          }
          shown.uFlags |= data.uFlags;
        }
        break;
      case kNimDelete:
        accepted = it != icons_.end();
        if (accepted) {
          icons_.erase(it);
        }
        break;
      default:
        accepted = false;
        break;
    }
  }
  requests_.push_back({request, data, accepted});
  return accepted;
}

void MemoryToolkit::SetRefusing(unsigned request, bool refuse) {
  refusing_[request] = refuse;
}

void MemoryToolkit::RecreateNotificationArea() {
  icons_.clear();
  areaAvailable_ = true;
  Broadcast({kWmTaskbarCreated, 0, 0, 0});
}

void MemoryToolkit::LoseNotificationArea() {
  icons_.clear();
  areaAvailable_ = false;
  Broadcast({kWmTaskbarLost, 0, 0, 0});
}

std::vector<NotifyIconData> MemoryToolkit::TrayIcons() const {
  std::vector<NotifyIconData> icons;
  for (const auto& entry : icons_) {
    icons.push_back(entry.second);
  }
  return icons;
}

bool MemoryToolkit::TrayAction(unsigned action) {
  if (icons_.size() != 1) {
    return false;
  }
  const NotifyIconData icon = icons_.begin()->second;
  Message message{icon.uCallbackMessage, icon.uID, static_cast<std::intptr_t>(action), 0};
  return windows_.Send(icon.hWnd, message);
}

bool MemoryToolkit::DoubleClickTrayIcon(unsigned buttonDown) {
  // What the shell reports for a double-click: down, up, double-click, up.
  return TrayAction(buttonDown) && TrayAction(buttonDown + 1) && TrayAction(buttonDown + 2) &&
         TrayAction(buttonDown + 1);
}

bool MemoryToolkit::RightClickTrayIcon() {
  return TrayAction(kWmRButtonDown) && TrayAction(kWmRButtonUp);
}

void MemoryToolkit::Broadcast(Message message) {
  windows_.Broadcast(message);
}

bool MemoryToolkit::EndSession(bool ending) {
  const std::vector<WindowHandle> handles = windows_.Handles();
  bool agreed = true;
  for (WindowHandle handle : handles) {
    Message query{kWmQueryEndSession, 0, 0, 0};
    if (windows_.Send(handle, query) && query.Result == 0) {
      agreed = false;
    }
  }
  const bool ends = ending && agreed;
  for (WindowHandle handle : handles) {
    Message end{kWmEndSession, ends ? 1u : 0u, 0, 0};
    windows_.Send(handle, end);
  }
  return agreed;
}

}  // namespace keldo::ui::memory
