#pragma once

#include <cstdint>
#include <string>

#include "engine/platform/socket_api.h"

namespace keldo::test {

// A port on 127.0.0.1 that nothing listens on right now (host byte order).
std::uint16_t FreePort();

// A plain blocking socket playing the far side of a test connection.
class Peer {
 public:
  Peer();
  ~Peer();
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  // Blocking connect to to:port (dotted IPv4), from the local address from
  // when given; the first uses the socket made with the peer, later ones a
  // new socket.
  bool Connect(std::uint16_t port, const char* to = "127.0.0.1", const char* from = nullptr);
  // Sends everything (blocking).
  bool Send(const std::string& bytes);
  // What has arrived so far, without blocking.
  std::string ReadAvailable();
  // true once the other side has closed and every byte has been read.
  bool AtEnd();
  // true once the other side has closed, also with a reset, and nothing is
  // left to read.
  bool Gone();
  void Close();
  // Closes with a reset.
  void Reset();

  net::SocketHandle Handle() const { return socket_; }
  void Adopt(net::SocketHandle socket);

 private:
  net::SocketHandle socket_ = net::kInvalidSocket;
  bool used_ = false;  // connected or adopted at least once
};

// A plain listening socket on 127.0.0.1 (any port) that accepts only when asked.
class Listener {
 public:
  Listener();
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  std::uint16_t Port() const { return port_; }
  // Blocks until a connection arrives.
  void Accept(Peer& peer);

 private:
  net::SocketHandle socket_ = net::kInvalidSocket;
  std::uint16_t port_ = 0;
};

}  // namespace keldo::test
