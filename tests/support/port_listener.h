#pragma once

#include <cstdint>
#include <string>

#include "engine/platform/socket_api.h"
#include "tests/support/loopback.h"

namespace keldo::test {

// A plain listener on a chosen port of a local address, for a client link to
// reach.
class PortListener {
 public:
  explicit PortListener(std::uint16_t port, const std::string& address = "127.0.0.1");
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
