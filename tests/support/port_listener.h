#pragma once

#include <cstdint>

#include "engine/platform/socket_api.h"
#include "tests/support/loopback.h"

namespace keldo::test {

// A plain listener on a chosen loopback port, for a client link to reach.
class PortListener {
 public:
  explicit PortListener(std::uint16_t port);
  ~PortListener();
  PortListener(const PortListener&) = delete;
  PortListener& operator=(const PortListener&) = delete;

  bool Listening() const { return listening_; }
  // Takes a waiting connection without blocking; false when none waits.
  bool TryAccept(Peer& peer);

 private:
  net::SocketHandle socket_ = net::kInvalidSocket;
  bool listening_ = false;
};

}  // namespace keldo::test
