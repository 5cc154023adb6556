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
  const TSocketNotifyEvent* handler = nullptr;
  switch (event) {
    case SocketEventKind::Connect:
      handler = &OnConnect;
      break;
    case SocketEventKind::Disconnect:
      handler = &OnDisconnect;
      break;
    case SocketEventKind::Read:
      handler = &OnRead;
      break;
    case SocketEventKind::Write:
      handler = &OnWrite;
      break;
    default:
      return;
  }
  if (*handler) {
    // A copy, so that a handler may replace itself while it runs.
    const TSocketNotifyEvent call = *handler;
    call(this, &socket);
  }
}

void TClientSocket::DispatchError(TCustomWinSocket& socket, TErrorEvent errorEvent,
                                  int& errorCode) {
  if (OnError) {
    const TSocketErrorEvent call = OnError;
    call(this, &socket, errorEvent, errorCode);
  }
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
    socket_->Listen(Port(), kBacklog);
  }
}

// The listening socket's own events have no handlers here, and its errors
// keep their code, so that they are raised.
void TServerSocket::DispatchEvent(TCustomWinSocket&, SocketEventKind) {}
void TServerSocket::DispatchError(TCustomWinSocket&, TErrorEvent, int&) {}

void TServerSocket::HandleClientEvent(TServerWinSocket& server, TCustomWinSocket& client,
                                      SocketEventKind event) {
  const TSocketNotifyEvent* handler = nullptr;
  switch (event) {
    case SocketEventKind::Connect:
      handler = &OnClientConnect;
      break;
    case SocketEventKind::Disconnect:
      handler = &OnClientDisconnect;
      break;
    case SocketEventKind::Read:
      handler = &OnClientRead;
      break;
    case SocketEventKind::Write:
      handler = &OnClientWrite;
      break;
    default:
      return;
  }
  if (*handler) {
    const TSocketNotifyEvent call = *handler;
    call(&server, &client);
  }
}

void TServerSocket::HandleClientError(TServerWinSocket& server, TCustomWinSocket& client,
                                      TErrorEvent errorEvent, int& errorCode) {
  if (OnClientError) {
    const TSocketErrorEvent call = OnClientError;
    call(&server, &client, errorEvent, errorCode);
  }
}

}  // namespace keldo
