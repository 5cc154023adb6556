#include "engine/win_socket.h"

namespace keldo {

TClientWinSocket::TClientWinSocket(EventLoop& loop) : TCustomWinSocket(loop, net::kInvalidSocket) {}

void TClientWinSocket::Open(const std::string& host, const std::string& address, int port) {
  if (connected_) {
    return;
  }
  // A pending attempt, or the socket of one that failed, goes without events.
  if (pendingLookup_ != 0) {
    const LookupHandle lookup = pendingLookup_;
    pendingLookup_ = 0;
    Window().CancelLookup(lookup);
  }
  CloseQuietly();
  lookupState_ = LookupState::Idle;
  CheckPort(port, "connect");

  socket_ = net::CreateTcpSocket();
  if (socket_ == net::kInvalidSocket) {
    throw ESocketError(kCannotCreateSocket);
  }
  const std::weak_ptr<TCustomWinSocket> life = Life();
  try {
    // Best effort: a missing option only costs latency; without urgent data
    // in line, PendingBytes guards the read path; without keepalive a peer
    // that vanishes is noticed only when the system gives up retransmitting.
    net::SetNoDelay(socket_);
    net::SetOobInline(socket_);
    net::SetKeepAlive(socket_);
    Event(SocketEventKind::Lookup);
    const auto portBits = static_cast<std::uint16_t>(port);
    if (!host.empty()) {
      int error = 0;
      const LookupHandle lookup = Window().StartLookup(host, error);
      if (lookup == 0) {
        CheckSocketResult(error != 0 ? error : net::kWsaNoRecovery, "WSAASyncGetHostByName");
      }
      pendingLookup_ = lookup;
      lookupPort_ = net::HostToNetShort(portBits);
      lookupState_ = LookupState::ResolvingAddress;
      return;
    }
    if (address.empty()) {
      int errorCode = NoAddressCode;
      Error(erLookup, errorCode);
      if (!life.expired()) {
        HandleClose(socket_);
      }
      if (errorCode != 0) {
        throw ESocketError(kNoAddress);
      }
      return;
    }
    address_ = net::InetAddr(address);
    port_ = net::HostToNetShort(portBits);
    StartConnect();
  } catch (...) {
    if (!life.expired()) {
      HandleClose(socket_);
    }
    throw;
  }
}

void TClientWinSocket::LookupComplete(int error, std::uint32_t address) {
  const std::weak_ptr<TCustomWinSocket> life = Life();
  if (error != 0) {
    lookupState_ = LookupState::Idle;
    int errorCode = error;
    Error(erLookup, errorCode);
    if (!life.expired()) {
      HandleClose(socket_);
    }
    if (errorCode != 0) {
      throw ESocketError::FromCall(errorCode, "ASync Lookup");
    }
    return;
  }
  address_ = address;
  port_ = lookupPort_;
  try {
    StartConnect();
  } catch (...) {
    // Raised from the loop: it ends in the application's error report.
    if (!life.expired()) {
      HandleClose(socket_);
    }
    throw;
  }
}

void TClientWinSocket::StartConnect() {
  SelectNotifications(kNotifyConnection);
  const std::weak_ptr<TCustomWinSocket> life = Life();
  Event(SocketEventKind::Connecting);
  if (life.expired()) {
    return;
  }
  // Windows refuses 0.0.0.0 at once; Linux (and Wine) would take it for this
  // machine and connect to a local listener nobody named.
  constexpr std::uint32_t kAnyAddress = 0;
  CheckSocketResult(
      address_ == kAnyAddress ? net::kWsaEAddrNotAvail : net::Connect(socket_, address_, port_),
      "connect");
  lookupState_ = LookupState::Idle;
}

void TClientWinSocket::HandleConnect(net::SocketHandle) {
  connected_ = true;
  Event(SocketEventKind::Connect);
}

}  // namespace keldo
