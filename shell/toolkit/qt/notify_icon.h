#pragma once

#include <QSystemTrayIcon>

#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "shell/toolkit/notify_icon.h"
#include "shell/toolkit/types.h"

namespace keldo::ui::qt {

// The notification-area requests on QSystemTrayIcon: one Qt icon per
// (hWnd, uID), with what it reports turned into the Windows callback
// messages TTrayIcon decodes. Qt tells apart only a press of each button
// and a left double-click, so:
//   Trigger (left press)      -> left button down, left button up
//   DoubleClick (left)        -> left double-click, left button up
//   Context (right press)     -> right button down, right button up
//   MiddleClick (middle press)-> middle button down, middle button up
// No pointer moves, no separate releases, no right or middle double-clicks.
class NotifyArea {
 public:
  // Delivers a callback message to the icon's window.
  using Deliver = std::function<void(WindowHandle window, Message message)>;
  using Available = std::function<bool()>;

  NotifyArea(Deliver deliver, Available available)
      : deliver_(std::move(deliver)), available_(std::move(available)) {}
  ~NotifyArea();
  NotifyArea(const NotifyArea&) = delete;
  NotifyArea& operator=(const NotifyArea&) = delete;

  // kNimAdd, kNimModify or kNimDelete; false when refused.
  bool Request(unsigned request, const NotifyIconData& data);
  // The area went away: its icons with it.
  void Clear();
  int Count() const { return static_cast<int>(icons_.size()); }

  // The callback messages (LParam values) a Qt activation stands for.
  static std::vector<unsigned> ActionsFor(QSystemTrayIcon::ActivationReason reason);

 private:
  struct Entry {
    NotifyIconData data;
    std::unique_ptr<QSystemTrayIcon> icon;
  };
  using Key = std::pair<WindowHandle, std::uintptr_t>;

  void Apply(Entry& entry, const NotifyIconData& data, bool all);
  void Activated(Key key, QSystemTrayIcon::ActivationReason reason);

  Deliver deliver_;
  Available available_;
  std::map<Key, Entry> icons_;
};

}  // namespace keldo::ui::qt
