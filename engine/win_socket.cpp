#include "engine/win_socket.h"

#include <algorithm>

namespace keldo {
namespace {

TErrorEvent ErrorEventFor(unsigned kind) {
  switch (kind) {
    case kNotifyRead:
      return erReceive;
    case kNotifyWrite:
      return erSend;
    case kNotifyAccept:
      return erAccept;
    case kNotifyConnect:
      return erConnect;
    case kNotifyClose:
      return erDisconnect;
    default:
      return erGeneral;
  }
}

}  // namespace

TCustomWinSocket::TCustomWinSocket(EventLoop& loop, net::SocketHandle socket)
    : socket_(socket),
      connected_(socket != net::kInvalidSocket),
      loop_(loop),
      anchor_(this, [](TCustomWinSocket*) {}) {
  CheckSocketResult(net::SocketLibraryStartup(), "WSAStartup");
  libraryStarted_ = true;
}

TCustomWinSocket::~TCustomWinSocket() {
  anchor_.reset();  // references see the object gone from here on
  sink_ = nullptr;
  if (pendingLookup_ != 0 && window_) {
    window_->CancelLookup(pendingLookup_);
    pendingLookup_ = 0;
  }
  // Any socket, not only a connected one: a pending attempt owns one too.
  CloseQuietly();
  window_.reset();
  if (libraryStarted_) {
    // A destructor cannot raise "WSACleanup"; the library only counts down here.
    net::SocketLibraryCleanup();
  }
}

NotificationWindow& TCustomWinSocket::Window() {
  if (!window_) {
    window_ = loop_.CreateNotificationWindow(*this);
  }
  return *window_;
}

void TCustomWinSocket::Event(SocketEventKind event) {
  if (sink_ != nullptr) {
    sink_->HandleSocketEvent(*this, event);
  }
}

void TCustomWinSocket::Error(TErrorEvent errorEvent, int& errorCode) {
  if (sink_ != nullptr) {
    sink_->HandleSocketError(*this, errorEvent, errorCode);
  }
}

void TCustomWinSocket::ResetAddress() {
  address_ = 0;
  port_ = 0;
}

const std::string& TCustomWinSocket::PeerText() {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  if (peerText_.empty() && socket_ != net::kInvalidSocket &&
      net::PeerAddress(socket_, address, port)) {
    const auto* portBytes = reinterpret_cast<const std::uint8_t*>(&port);  // network order
    peerText_ = net::Ipv4Text(address) + ":" + std::to_string(portBytes[0] << 8 | portBytes[1]);
  }
  return peerText_;
}

void TCustomWinSocket::CancelPendingLookup() {
  if (pendingLookup_ == 0) {
    return;
  }
  const LookupHandle lookup = pendingLookup_;
  pendingLookup_ = 0;
  CheckSocketResult(Window().CancelLookup(lookup), "WSACancelASyncRequest");
}

void TCustomWinSocket::CloseQuietly() noexcept {
  if (socket_ == net::kInvalidSocket) {
    return;
  }
  if (window_) {
    window_->Select(socket_, 0);
  }
  net::CloseSocket(socket_);
  ForgetSocket();
}

void TCustomWinSocket::ForgetSocket() noexcept {
  socket_ = net::kInvalidSocket;
  connected_ = false;
  ResetAddress();
  peerText_.clear();
  // Kept bytes belong to the connection that has gone, never to the next one.
  queued_.clear();
}

void TCustomWinSocket::SelectNotifications(unsigned mask) {
  CheckSocketResult(Window().Select(socket_, mask), "WSAAsyncSelect");
}

void TCustomWinSocket::CheckPort(int port, const char* api) {
  if (port < 1 || port > 0xFFFF) {
    throw ESocketError::FromCall(net::kWsaEInval, api);
  }
}

void TCustomWinSocket::Close() {
  HandleClose(socket_);
}

int TCustomWinSocket::PendingBytes() {
  if (!connected_) {
    return 0;
  }
  const net::IoResult pending = net::PendingBytes(socket_);
  if (pending.count > 0) {
    return pending.count;
  }
  // An urgent byte kept out of band stops FIONREAD at the urgent mark: 0 while
  // it heads the queue, though a receive skips it and takes what follows. A
  // read handler sized by that 0 would take nothing and be woken again at once.
  const net::IoResult peek = net::PeekByte(socket_);
  return peek.count > 0 ? 1 : 0;
}

int TCustomWinSocket::ReceiveBytes(void* buffer, int count) {
  if (!connected_) {
    return 0;
  }
  const net::SocketHandle socket = socket_;
  const net::IoResult result = net::Recv(socket, buffer, std::max(count, 0));
  if (window_) {
    window_->CallMade(socket, kNotifyRead);
  }
  if (result.count >= 0 || result.error == net::kWsaEWouldBlock) {
    return result.count;
  }
  int errorCode = result.error;
  const std::weak_ptr<TCustomWinSocket> life = Life();
  Error(erReceive, errorCode);
  if (!life.expired()) {
    HandleClose(socket_);
  }
  if (errorCode != 0) {
    throw ESocketError::FromCall(errorCode, "recv");
  }
  return -1;
}

int TCustomWinSocket::SendBytes(const void* buffer, int count) {
  if (!connected_) {
    return 0;
  }
  const net::SocketHandle socket = socket_;
  const net::IoResult result = net::Send(socket, buffer, std::max(count, 0));
  if (result.count >= 0) {
    return result.count;
  }
  if (result.error == net::kWsaEWouldBlock) {
    if (window_) {
      window_->CallMade(socket, kNotifyWrite);
    }
    return -1;
  }
  int errorCode = result.error;
  const std::weak_ptr<TCustomWinSocket> life = Life();
  Error(erSend, errorCode);
  if (!life.expired()) {
    HandleClose(socket_);
  }
  if (errorCode != 0) {
    throw ESocketError::FromCall(errorCode, "send");
  }
  return -1;
}

bool TCustomWinSocket::SendQueued(const void* buffer, int count) {
  if (!connected_) {
    return false;
  }
  if (count <= 0) {
    return true;
  }
  const std::size_t size = static_cast<std::size_t>(count);
  if (queued_.size() + size > static_cast<std::size_t>(kSendQueueLimit)) {
    droppedBytes_ += size;
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  if (!queued_.empty()) {
    queued_.insert(queued_.end(), bytes, bytes + size);  // behind what waits, in order
    return true;
  }
  const std::weak_ptr<TCustomWinSocket> life = Life();
  const int sent = SendBytes(bytes, count);
  if (life.expired() || !connected_) {
    return false;  // the send failed and closed the connection
  }
  const std::size_t taken = sent > 0 ? static_cast<std::size_t>(sent) : 0;
  queued_.assign(bytes + taken, bytes + size);
  if (sent > 0 && !queued_.empty()) {
    // A partial send re-arms no write notification; a send that would block does.
    SendQueuedBytes();
  }
  return true;
}

void TCustomWinSocket::SendQueuedBytes() {
  const std::weak_ptr<TCustomWinSocket> life = Life();
  while (connected_ && !queued_.empty()) {
    const int count = static_cast<int>(std::min<std::size_t>(queued_.size(), kSendQueueLimit));
    const int sent = SendBytes(queued_.data(), count);
    if (life.expired()) {
      return;
    }
    if (sent <= 0) {
      return;  // would block: the write notification brings the rest
    }
    queued_.erase(queued_.begin(), queued_.begin() + sent);
  }
}

void TCustomWinSocket::SocketNotification(net::SocketHandle socket, unsigned kind, int error) {
  if (socket != socket_) {
    return;  // left over from a socket this object has closed
  }
  if (error != 0) {
    int errorCode = error;
    Error(ErrorEventFor(kind), errorCode);
    if (errorCode != 0) {
      throw ESocketError::Async(errorCode);
    }
    return;
  }
  switch (kind) {
    case kNotifyRead:
      HandleRead(socket);
      break;
    case kNotifyWrite:
      HandleWrite(socket);
      break;
    case kNotifyAccept:
      HandleAccept(socket);
      break;
    case kNotifyConnect:
      HandleConnect(socket);
      break;
    case kNotifyClose:
      HandleClose(socket);
      break;
    default:
      break;
  }
}

void TCustomWinSocket::LookupDone(LookupHandle lookup, int error, std::uint32_t address) {
  if (lookup == 0 || lookup != pendingLookup_) {
    return;
  }
  pendingLookup_ = 0;
  LookupComplete(error, address);
}

void TCustomWinSocket::HandleAccept(net::SocketHandle) {}
void TCustomWinSocket::HandleConnect(net::SocketHandle) {}
void TCustomWinSocket::LookupComplete(int, std::uint32_t) {}

void TCustomWinSocket::HandleRead(net::SocketHandle socket) {
  if (socket == socket_) {
    Event(SocketEventKind::Read);
  }
}

void TCustomWinSocket::HandleWrite(net::SocketHandle socket) {
  if (socket != socket_) {
    return;
  }
  const std::weak_ptr<TCustomWinSocket> life = Life();
  SendQueuedBytes();
  if (!life.expired() && socket == socket_) {
    Event(SocketEventKind::Write);
  }
}

void TCustomWinSocket::HandleClose(net::SocketHandle socket) {
  CancelPendingLookup();
  if (socket == net::kInvalidSocket || socket != socket_) {
    return;
  }
  // The socket stays open and connected while the event runs.
  const std::weak_ptr<TCustomWinSocket> life = Life();
  Event(SocketEventKind::Disconnect);
  if (life.expired() || socket != socket_) {
    return;  // destroyed, or already closed by a handler
  }
  if (window_) {
    window_->Select(socket, 0);
  }
  const int error = net::CloseSocket(socket);
  ForgetSocket();
  CheckSocketResult(error, "closesocket");
}

}  // namespace keldo
