#pragma once

#include <memory>

#include "engine/win_socket.h"

namespace keldo {

// A reference to a connection that does not own it and never dangles: once
// the socket layer has destroyed the connection (deferred destruction after
// its disconnect event, or at once when its server is closed) the reference
// is empty, and reading or sending through it does nothing and returns 0
// (false for SendQueued).
class ConnectionRef {
 public:
  ConnectionRef() = default;
  explicit ConnectionRef(TCustomWinSocket* socket) {
    if (socket != nullptr) {
      target_ = socket->anchor_;
    }
  }

  // The connection, or nullptr once it is gone.
  TCustomWinSocket* Get() const { return target_.lock().get(); }
  explicit operator bool() const { return !target_.expired(); }
  bool Refers(const TCustomWinSocket* socket) const { return socket != nullptr && Get() == socket; }
  void Reset() { target_.reset(); }

  int PendingBytes() const {
    TCustomWinSocket* socket = Get();
    return socket != nullptr ? socket->PendingBytes() : 0;
  }
  int ReceiveBytes(void* buffer, int count) const {
    TCustomWinSocket* socket = Get();
    return socket != nullptr ? socket->ReceiveBytes(buffer, count) : 0;
  }
  int SendBytes(const void* buffer, int count) const {
    TCustomWinSocket* socket = Get();
    return socket != nullptr ? socket->SendBytes(buffer, count) : 0;
  }
  bool SendQueued(const void* buffer, int count) const {
    TCustomWinSocket* socket = Get();
    return socket != nullptr && socket->SendQueued(buffer, count);
  }

 private:
  std::weak_ptr<TCustomWinSocket> target_;
};

}  // namespace keldo
