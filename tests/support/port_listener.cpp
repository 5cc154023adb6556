#include "tests/support/port_listener.h"

namespace keldo::test {

PortListener::PortListener(std::uint16_t port, const std::string& address) {
  net::SocketLibraryStartup();
  socket_ = net::CreateTcpSocket();
  listening_ = socket_ != net::kInvalidSocket &&
               net::Bind(socket_, net::InetAddr(address), net::HostToNetShort(port)) == 0 &&
               net::Listen(socket_, 4) == 0 && net::SetNonBlocking(socket_) == 0;
}

PortListener::~PortListener() {
  if (socket_ != net::kInvalidSocket) {
    net::CloseSocket(socket_);
  }
  net::SocketLibraryCleanup();
}

bool PortListener::TryAccept(Peer& peer) {
  const net::AcceptResult accepted = net::Accept(socket_);
  if (accepted.socket == net::kInvalidSocket) {
    return false;
  }
  peer.Adopt(accepted.socket);
  return true;
}

}  // namespace keldo::test
