#include "tests/support/loopback.h"

#include "tests/support/platform_support.h"

namespace keldo::test {
namespace {

const std::uint32_t kLoopback = net::InetAddr("127.0.0.1");

}  // namespace

std::uint16_t FreePort() {
  net::SocketLibraryStartup();
  const net::SocketHandle s = net::CreateTcpSocket();
  net::Bind(s, kLoopback, 0);
  const std::uint16_t port = net::LocalPort(s);
  net::CloseSocket(s);
  net::SocketLibraryCleanup();
  return net::HostToNetShort(port);  // the swap is its own inverse
}

Peer::Peer() {
  net::SocketLibraryStartup();
  socket_ = net::CreateTcpSocket();  // made before any descriptor shortage
}

Peer::~Peer() {
  Close();
  net::SocketLibraryCleanup();
}

bool Peer::Connect(std::uint16_t port, const char* to, const char* from) {
  if (used_) {
    Close();
  }
  if (socket_ == net::kInvalidSocket) {
    socket_ = net::CreateTcpSocket();
  }
  used_ = true;
  if (from != nullptr && net::Bind(socket_, net::InetAddr(from), 0) != 0) {
    return false;
  }
  return net::Connect(socket_, net::InetAddr(to), net::HostToNetShort(port)) == 0;
}

bool Peer::Send(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const net::IoResult r =
        net::Send(socket_, bytes.data() + sent, static_cast<int>(bytes.size() - sent));
    if (r.count <= 0) {
      return false;
    }
    sent += static_cast<std::size_t>(r.count);
  }
  return true;
}

std::string Peer::ReadAvailable() {
  std::string bytes;
  for (;;) {
    const net::IoResult pending = net::PendingBytes(socket_);
    if (pending.count <= 0) {
      return bytes;
    }
    std::string chunk(static_cast<std::size_t>(pending.count), '\0');
    const net::IoResult r = net::Recv(socket_, chunk.data(), pending.count);
    if (r.count <= 0) {
      return bytes;
    }
    bytes.append(chunk, 0, static_cast<std::size_t>(r.count));
  }
}

bool Peer::AtEnd() {
  if (net::PendingBytes(socket_).count != 0) {
    return false;
  }
  return net::PeekByte(socket_).count == 0;
}

bool Peer::Gone() {
  if (net::PendingBytes(socket_).count > 0) {
    return false;
  }
  const net::IoResult peek = net::PeekByte(socket_);
  return peek.count == 0 || (peek.count < 0 && peek.error != net::kWsaEWouldBlock);
}

void Peer::Close() {
  if (socket_ != net::kInvalidSocket) {
    net::CloseSocket(socket_);
    socket_ = net::kInvalidSocket;
  }
}

void Peer::Reset() {
  if (socket_ != net::kInvalidSocket) {
    AbortiveClose(socket_);
    socket_ = net::kInvalidSocket;
  }
}

void Peer::Adopt(net::SocketHandle socket) {
  Close();
  socket_ = socket;
  used_ = true;
}

Listener::Listener() {
  net::SocketLibraryStartup();
  socket_ = net::CreateTcpSocket();
  net::Bind(socket_, kLoopback, 0);
  net::Listen(socket_, 16);
  port_ = net::HostToNetShort(net::LocalPort(socket_));
}

Listener::~Listener() {
  net::CloseSocket(socket_);
  net::SocketLibraryCleanup();
}

void Listener::Accept(Peer& peer) {
  peer.Adopt(net::Accept(socket_).socket);
}

}  // namespace keldo::test
