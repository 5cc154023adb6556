// The notification area on QSystemTrayIcon, and the hidden windows that
// receive its callbacks and the session and taskbar announcements.
#include "shell/toolkit/qt/notify_icon.h"

#include <QSystemTrayIcon>

#include "shell/toolkit/messages.h"
#include "shell/toolkit/qt/picture.h"
#include "shell/toolkit/qt/toolkit.h"

namespace keldo::ui::qt {

NotifyArea::~NotifyArea() {
  Clear();
}

std::vector<unsigned> NotifyArea::ActionsFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return {kWmLButtonDown, kWmLButtonUp};
    case QSystemTrayIcon::DoubleClick:
      // The first click of the pair came as a Trigger already.
      return {kWmLButtonDblClk, kWmLButtonUp};
    case QSystemTrayIcon::Context:
      return {kWmRButtonDown, kWmRButtonUp};
    case QSystemTrayIcon::MiddleClick:
      return {kWmMButtonDown, kWmMButtonUp};
    case QSystemTrayIcon::Unknown:
      break;
  }
  return {};
}

bool NotifyArea::Request(unsigned request, const NotifyIconData& data) {
  const Key key{data.hWnd, data.uID};
  const auto it = icons_.find(key);
  switch (request) {
    case kNimAdd: {
      if (it != icons_.end() || !available_()) {
        return false;
      }
      Entry& entry = icons_[key];
      entry.icon = std::make_unique<QSystemTrayIcon>();
      QObject::connect(
          entry.icon.get(), &QSystemTrayIcon::activated,
          [this, key](QSystemTrayIcon::ActivationReason reason) { Activated(key, reason); });
      Apply(entry, data, true);
      entry.icon->show();
      return true;
    }
    case kNimModify:
      if (it == icons_.end()) {
        return false;
      }
      Apply(it->second, data, false);
      return true;
    case kNimDelete:
      if (it == icons_.end()) {
        return false;
      }
      it->second.icon->hide();
      icons_.erase(it);
      return true;
    default:
      return false;
  }
}

void NotifyArea::Clear() {
  for (auto& entry : icons_) {
    entry.second.icon->hide();
  }
  icons_.clear();
}

void NotifyArea::Apply(Entry& entry, const NotifyIconData& data, bool all) {
  // As the shell does: a modify changes only the fields its flags name.
  if (all || (data.uFlags & kNifIcon) != 0) {
    entry.data.hIcon = data.hIcon;
    entry.icon->setIcon(ToTrayIcon(data.hIcon));
  }
  if ((data.uFlags & kNifTip) != 0) {
    entry.data.szTip = data.szTip;
    entry.icon->setToolTip(ToQString(data.szTip));
  } else if (all) {
    entry.icon->setToolTip({});
  }
  if (all || (data.uFlags & kNifMessage) != 0) {
    entry.data.uCallbackMessage = data.uCallbackMessage;
  }
  entry.data.hWnd = data.hWnd;
  entry.data.uID = data.uID;
  entry.data.uFlags |= data.uFlags;
}

void NotifyArea::Activated(Key key, QSystemTrayIcon::ActivationReason reason) {
  const auto it = icons_.find(key);
  if (it == icons_.end() || (it->second.data.uFlags & kNifMessage) == 0) {
    return;
  }
  const NotifyIconData& data = it->second.data;
  for (unsigned action : ActionsFor(reason)) {
    deliver_(data.hWnd,
             Message{data.uCallbackMessage, data.uID, static_cast<std::intptr_t>(action), 0});
  }
}

std::unique_ptr<MessageWindow> QtToolkit::CreateMessageWindow(MessageWindow::Handler handler) {
  return windows_.Create(std::move(handler));
}

bool QtToolkit::ShellNotifyIcon(unsigned request, const NotifyIconData& data) {
  return notifyArea_->Request(request, data);
}

bool QtToolkit::TrayAvailable() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtToolkit::WatchTray() {
  const bool available = TrayAvailable();
  if (available == trayWasAvailable_) {
    return;
  }
  trayWasAvailable_ = available;
  if (!available) {
    notifyArea_->Clear();
  }
  Broadcast({available ? kWmTaskbarCreated : kWmTaskbarLost, 0, 0, 0});
}

void QtToolkit::PostToWindow(WindowHandle handle, Message message) {
  QMetaObject::invokeMethod(
      &context_, [this, handle, message]() mutable { windows_.Send(handle, message); },
      Qt::QueuedConnection);
}

void QtToolkit::Broadcast(Message message) {
  windows_.Broadcast(message);
}

}  // namespace keldo::ui::qt
