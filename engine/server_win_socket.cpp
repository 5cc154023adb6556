#include "engine/win_socket.h"

#include <algorithm>

namespace keldo {
namespace {

// Accept failures that mean "out of descriptors or memory": the pending
// connection stays queued, so accepting again at once would spin.
bool OutOfResources(int error) {
  return error == net::kWsaEMFile || error == net::kWsaENoBufs;
}

}  // namespace

TServerWinSocket::TServerWinSocket(EventLoop& loop) : TCustomWinSocket(loop, net::kInvalidSocket) {}

TServerWinSocket::~TServerWinSocket() {
  DestroyAllConnections();
}

TServerClientWinSocket* TServerWinSocket::Connections(int index) const {
  if (index < 0 || index >= ActiveConnections()) {
    return nullptr;
  }
  return connections_[static_cast<std::size_t>(index)].get();
}

void TServerWinSocket::Listen(const std::string& address, int port, int backlog) {
  if (connected_) {
    return;
  }
  CheckPort(port, "bind");
  std::uint32_t bindAddress = 0;  // INADDR_ANY
  if (!address.empty() && !net::ParseIpv4(address, bindAddress)) {
    throw ESocketError("'" + address + "' is not an IPv4 address");
  }
  socket_ = net::CreateTcpSocket();
  if (socket_ == net::kInvalidSocket) {
    throw ESocketError(kCannotCreateSocket);
  }
  const std::weak_ptr<TCustomWinSocket> life = Life();
  try {
    Event(SocketEventKind::Lookup);
    net::PrepareListener(socket_);  // best effort: without it a restart may meet TIME_WAIT
    net::SetOobInline(socket_);     // inherited by accepted connections where the OS does
    address_ = bindAddress;
    port_ = net::HostToNetShort(static_cast<std::uint16_t>(port));
    CheckSocketResult(net::Bind(socket_, address_, port_), "bind");
    SelectNotifications(kNotifyAccept);
    Event(SocketEventKind::Listen);
    if (life.expired()) {
      return;
    }
    CheckSocketResult(net::Listen(socket_, backlog), "listen");
    lookupState_ = LookupState::Idle;
    connected_ = true;
  } catch (...) {
    if (!life.expired()) {
      HandleClose(socket_);
    }
    throw;
  }
}

void TServerWinSocket::HandleAccept(net::SocketHandle socket) {
  if (socket != socket_) {
    return;
  }
  const net::AcceptResult accepted = net::Accept(socket);
  if (accepted.socket == net::kInvalidSocket) {
    if (OutOfResources(accepted.error)) {
      PauseAccepting();
    } else {
      Window().CallMade(socket, kNotifyAccept);
    }
    return;
  }
  Window().CallMade(socket, kNotifyAccept);
  if (!allowList_.Allows(accepted.peer)) {
    // Closed before it is a connection: no event, nothing read, not counted.
    net::CloseSocket(accepted.socket);
    if (clientSink_ != nullptr) {
      clientSink_->HandleClientRefused(*this, accepted.peer);
    }
    return;
  }
  net::SetNoDelay(accepted.socket);
  net::SetOobInline(accepted.socket);
  net::SetKeepAlive(accepted.socket);

  std::unique_ptr<TServerClientWinSocket> owned;
  try {
    owned = std::make_unique<TServerClientWinSocket>(Loop(), accepted.socket, *this);
  } catch (...) {
    net::CloseSocket(accepted.socket);
    throw;
  }
  TServerClientWinSocket* connection = owned.get();
  connections_.push_back(std::move(owned));
  connection->SetSink(this);
  try {
    connection->SelectNotifications(kNotifyConnection);
  } catch (const ESocketError&) {
    DestroyConnection(connection);  // a connection that cannot be watched is dropped
    return;
  }
  const std::weak_ptr<TCustomWinSocket> life = Life();
  connection->Event(SocketEventKind::Connect);
  if (!life.expired()) {
    Event(SocketEventKind::Accept);
  }
}

void TServerWinSocket::HandleClose(net::SocketHandle socket) {
  DestroyAllConnections();
  if (acceptRetry_) {
    acceptRetry_->SetEnabled(false);
  }
  TCustomWinSocket::HandleClose(socket);
}

void TServerWinSocket::HandleSocketEvent(TCustomWinSocket& socket, SocketEventKind event) {
  const std::weak_ptr<TCustomWinSocket> life = socket.Life();
  if (clientSink_ != nullptr) {
    clientSink_->HandleClientEvent(*this, socket, event);
  }
  if (event == SocketEventKind::Disconnect && !life.expired()) {
    socket.Window().PostDestroy();
  }
}

void TServerWinSocket::HandleSocketError(TCustomWinSocket& socket, TErrorEvent errorEvent,
                                         int& errorCode) {
  const std::weak_ptr<TCustomWinSocket> life = socket.Life();
  if (clientSink_ != nullptr) {
    clientSink_->HandleClientError(*this, socket, errorEvent, errorCode);
  }
  // After a reset (or a connection that failed before it was accepted) the
  // socket carries nothing more; keeping it until the server closes would let
  // peers that connect and reset use up the process's descriptors. It goes
  // the way of a closed connection, without a further event.
  if ((errorEvent == erDisconnect || errorEvent == erConnect) && !life.expired()) {
    socket.Window().PostDestroy();
  }
}

void TServerWinSocket::DestroyConnection(TServerClientWinSocket* connection) {
  const auto found =
      std::find_if(connections_.begin(), connections_.end(),
                   [connection](const auto& owned) { return owned.get() == connection; });
  if (found == connections_.end()) {
    return;
  }
  // Out of ConnectionList first, then destroyed.
  std::unique_ptr<TServerClientWinSocket> owned = std::move(*found);
  connections_.erase(found);
  owned.reset();
}

void TServerWinSocket::DestroyAllConnections() noexcept {
  while (!connections_.empty()) {
    std::unique_ptr<TServerClientWinSocket> newest = std::move(connections_.back());
    connections_.pop_back();
    newest.reset();
  }
}

void TServerWinSocket::PauseAccepting() {
  Window().Select(socket_, 0);
  if (!acceptRetry_) {
    acceptRetry_ = Loop().CreateTimer();
    acceptRetry_->SetInterval(kAcceptRetryMs);
    acceptRetry_->SetOnTimer([this] { ResumeAccepting(); });
  }
  acceptRetry_->SetEnabled(true);
}

void TServerWinSocket::ResumeAccepting() {
  acceptRetry_->SetEnabled(false);
  if (connected_ && socket_ != net::kInvalidSocket) {
    // Registering again brings an accept notification if a connection waits.
    SelectNotifications(kNotifyAccept);
  }
}

TServerClientWinSocket::TServerClientWinSocket(EventLoop& loop, net::SocketHandle socket,
                                               TServerWinSocket& server)
    : TCustomWinSocket(loop, socket), server_(server) {}

void TServerClientWinSocket::DestroyRequested() {
  server_.DestroyConnection(this);
}

}  // namespace keldo
