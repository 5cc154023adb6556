#pragma once

#include <QSocketNotifier>

#include <map>
#include <memory>
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
  // Hands one notification to the sink; this object may be gone afterwards.
  void Deliver(unsigned kind, int error);
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
  LookupHandle nextLookup_ = 1;
  std::map<LookupHandle, int> lookups_;  // live lookups and their Qt ids (-1: none)
  // Queued calls hold a weak copy and do nothing once this window is gone.
  std::shared_ptr<char> life_ = std::make_shared<char>();
};

}  // namespace keldo
