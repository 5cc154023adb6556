#pragma once

#include <QSocketNotifier>
#include <QTimer>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/platform/notification_window.h"

namespace keldo {

class QtEventLoop;

// Winsock's asynchronous-select model on Qt's level-triggered socket
// notifiers. A notifier is switched off while its notification waits for the
// call that consumes it (recv, accept), so a handler that leaves bytes
// unread costs nothing until it reads again.
class QtNotificationWindow final : public NotificationWindow {
 public:
  QtNotificationWindow(QtEventLoop& loop, NotificationSink& sink);
  ~QtNotificationWindow() override;

  int Select(net::SocketHandle socket, unsigned mask) override;
  void CallMade(net::SocketHandle socket, unsigned kind) override;
  LookupHandle StartLookup(const std::string& host, int& error) override;
  int CancelLookup(LookupHandle lookup) override;
  void PostDestroy() override;

 private:
  enum class Phase { None, Listening, Connecting, Connected, Finished };

  void ReadReady();
  void WriteReady();
  void Finish();
  void Connected();
  // Hands one notification to the sink; this object may be gone afterwards.
  void Deliver(unsigned kind, int error);
  // A lookup answered without a resolver, delivered from the loop.
  void CompleteLater(LookupHandle lookup, int error, std::uint32_t address);
  void CompleteLookup(LookupHandle lookup, int error, std::uint32_t address);

  QtEventLoop& loop_;
  NotificationSink& sink_;
  net::SocketHandle socket_ = net::kInvalidSocket;
  unsigned mask_ = 0;
  Phase phase_ = Phase::None;
  bool awaitingRead_ = false;
  bool awaitingAccept_ = false;
  std::unique_ptr<QSocketNotifier> read_;
  std::unique_ptr<QSocketNotifier> write_;
  // While connected: a peer gone with bytes unacknowledged is reported as a
  // timeout, as the system reports one gone from an idle link.
  QTimer unanswered_;
  // A host lookup on a detached thread of its own. getaddrinfo cannot be
  // interrupted, and Qt's own lookups (QHostInfo) are waited for when the
  // program ends, so a resolver that never answers would keep it from ending;
  // an abandoned lookup's thread finishes alone and delivers nothing.
  struct ResolverLookup {
    std::mutex mutex;
    bool abandoned = false;
  };
  static void Abandon(const std::shared_ptr<ResolverLookup>& lookup);

  LookupHandle nextLookup_ = 1;
  // Live lookups; null for those answered without a resolver.
  std::map<LookupHandle, std::shared_ptr<ResolverLookup>> lookups_;
  // Queued calls hold a weak copy and do nothing once this window is gone.
  std::shared_ptr<char> life_ = std::make_shared<char>();
};

}  // namespace keldo
