#include "engine/socket_components.h"

#include <algorithm>
#include <cctype>

namespace keldo {
namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The handler for a connection event, or nullptr for the events that have none.
const TSocketNotifyEvent* HandlerFor(SocketEventKind event, const TSocketNotifyEvent& connect,
                                     const TSocketNotifyEvent& disconnect,
                                     const TSocketNotifyEvent& read,
                                     const TSocketNotifyEvent& write) {
  switch (event) {
    case SocketEventKind::Connect:
      return &connect;
    case SocketEventKind::Disconnect:
      return &disconnect;
    case SocketEventKind::Read:
      return &read;
    case SocketEventKind::Write:
      return &write;
    default:
      return nullptr;
  }
}

// Copies of the handlers are called, so that a handler may replace itself.
void Raise(const TSocketNotifyEvent* handler, void* sender, TCustomWinSocket& socket) {
  if (handler != nullptr && *handler) {
    const TSocketNotifyEvent call = *handler;
    call(sender, &socket);
  }
}

void RaiseError(const TSocketErrorEvent& handler, void* sender, TCustomWinSocket& socket,
                TErrorEvent errorEvent, int& errorCode) {
  if (handler) {
    const TSocketErrorEvent call = handler;
    call(sender, &socket, errorEvent, errorCode);
  }
}

}  // namespace

void TAbstractSocket::SetActive(bool value) {
  if (value != active_) {
    DoActivate(value);
  }
}

void TAbstractSocket::SetText(std::string& field, const std::string& value) {
  if (EqualIgnoringCase(field, value)) {
    return;
  }
  if (active_) {
    throw ESocketError(kCannotChangeWhileActive);
  }
  field = value;
}

void TAbstractSocket::SetHost(const std::string& value) {
  SetText(host_, value);
}
void TAbstractSocket::SetAddress(const std::string& value) {
  SetText(address_, value);
}
void TAbstractSocket::SetService(const std::string& value) {
  SetText(service_, value);
}

void TAbstractSocket::SetPort(int value) {
  if (value == port_) {
    return;
  }
  if (active_) {
    throw ESocketError(kCannotChangeWhileActive);
  }
  port_ = value;
}

void TCustomSocket::HandleSocketEvent(TCustomWinSocket& socket, SocketEventKind event) {
  switch (event) {
    case SocketEventKind::Connect:
    case SocketEventKind::Listen:
      active_ = true;
      break;
    case SocketEventKind::Disconnect:
      active_ = false;
      break;
    default:
      break;
  }
  DispatchEvent(socket, event);
}

void TCustomSocket::HandleSocketError(TCustomWinSocket& socket, TErrorEvent errorEvent,
                                      int& errorCode) {
  DispatchError(socket, errorEvent, errorCode);
}

TClientSocket::TClientSocket(EventLoop& loop) : socket_(std::make_unique<TClientWinSocket>(loop)) {
  socket_->SetSink(this);
}

TClientSocket::~TClientSocket() = default;

void TClientSocket::DoActivate(bool value) {
  if (value == socket_->Connected()) {
    return;
  }
  if (socket_->Connected()) {
    socket_->Close();
  } else {
    socket_->Open(Host(), Address(), Port());
  }
}

void TClientSocket::DispatchEvent(TCustomWinSocket& socket, SocketEventKind event) {
  Raise(HandlerFor(event, OnConnect, OnDisconnect, OnRead, OnWrite), this, socket);
}

void TClientSocket::DispatchError(TCustomWinSocket& socket, TErrorEvent errorEvent,
                                  int& errorCode) {
  RaiseError(OnError, this, socket, errorEvent, errorCode);
}

TServerSocket::TServerSocket(EventLoop& loop) : socket_(std::make_unique<TServerWinSocket>(loop)) {
  socket_->SetSink(this);
  socket_->SetClientSink(this);
}

TServerSocket::~TServerSocket() = default;

void TServerSocket::DoActivate(bool value) {
  if (value == socket_->Connected()) {
    return;
  }
  if (socket_->Connected()) {
    socket_->Close();
  } else {
    // The platform's longest queue: with a short one, peers connecting in a
    // burst have their handshakes dropped and wait for the kernel's retries
    // (1 s, 3 s, 7 s, ...). Accepting stays one connection per notification.
    socket_->Listen(Address(), Port(), net::MaxBacklog());
  }
}

// The listening socket's own events have no handlers here, and its errors
// keep their code, so that they are raised.
void TServerSocket::DispatchEvent(TCustomWinSocket&, SocketEventKind) {}
void TServerSocket::DispatchError(TCustomWinSocket&, TErrorEvent, int&) {}

void TServerSocket::HandleClientEvent(TServerWinSocket& server, TCustomWinSocket& client,
                                      SocketEventKind event) {
  Raise(HandlerFor(event, OnClientConnect, OnClientDisconnect, OnClientRead, OnClientWrite),
        &server, client);
}

void TServerSocket::HandleClientError(TServerWinSocket& server, TCustomWinSocket& client,
                                      TErrorEvent errorEvent, int& errorCode) {
  RaiseError(OnClientError, &server, client, errorEvent, errorCode);
}

void TServerSocket::HandleClientRefused(TServerWinSocket& server, std::uint32_t address) {
  if (OnClientRefused) {
    const TSocketRefusedEvent call = OnClientRefused;
    call(&server, net::Ipv4Text(address));
  }
}

}  // namespace keldo
