#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "engine/socket_error.h"
#include "engine/win_socket.h"

namespace keldo {

// Sender is the object that raised the event: the component for the client's
// events, the listening connection object for accepted connections.
using TSocketNotifyEvent = std::function<void(void* Sender, TCustomWinSocket* Socket)>;
// A handler that sets ErrorCode to 0 keeps the component from raising ESocketError.
using TSocketErrorEvent = std::function<void(void* Sender, TCustomWinSocket* Socket,
                                             TErrorEvent ErrorEvent, int& ErrorCode)>;
// A peer the allow list keeps out, by its dotted IPv4 address; it was closed
// as it was accepted and has no connection object.
using TSocketRefusedEvent = std::function<void(void* Sender, const std::string& PeerAddress)>;

// The published settings. Active becomes true only through the connect or
// listen event and false only through the disconnect event; writing it opens
// or closes.
class TAbstractSocket {
 public:
  TAbstractSocket() = default;
  virtual ~TAbstractSocket() = default;
  TAbstractSocket(const TAbstractSocket&) = delete;
  TAbstractSocket& operator=(const TAbstractSocket&) = delete;

  bool Active() const { return active_; }
  // true opens, false closes; a value equal to Active does nothing. Errors
  // found at once are raised here.
  void SetActive(bool value);

  // Text settings compare without regard to ASCII case: equal text keeps the
  // stored one. A new value while Active raises.
  const std::string& Host() const { return host_; }
  void SetHost(const std::string& value);
  const std::string& Address() const { return address_; }
  void SetAddress(const std::string& value);
  const std::string& Service() const { return service_; }
  void SetService(const std::string& value);
  int Port() const { return port_; }
  void SetPort(int value);

 protected:
  virtual void DoActivate(bool value) = 0;

  bool active_ = false;

 private:
  void SetText(std::string& field, const std::string& value);

  std::string host_;
  std::string address_;
  std::string service_;
  int port_ = 0;
};

// Turns connection events into component events.
class TCustomSocket : public TAbstractSocket, protected SocketEventSink {
 protected:
  void HandleSocketEvent(TCustomWinSocket& socket, SocketEventKind event) override;
  void HandleSocketError(TCustomWinSocket& socket, TErrorEvent errorEvent, int& errorCode) override;

  // The component's own handlers for the events of its connection object.
  virtual void DispatchEvent(TCustomWinSocket& socket, SocketEventKind event) = 0;
  virtual void DispatchError(TCustomWinSocket& socket, TErrorEvent errorEvent, int& errorCode) = 0;
};

// A connecting component owning one TClientWinSocket.
class TClientSocket : public TCustomSocket {
 public:
  explicit TClientSocket(EventLoop& loop);
  ~TClientSocket() override;

  // The connection object, the same for every attempt.
  TClientWinSocket& Socket() const { return *socket_; }

  TSocketNotifyEvent OnConnect;
  TSocketNotifyEvent OnDisconnect;
  TSocketNotifyEvent OnRead;
  TSocketNotifyEvent OnWrite;
  TSocketErrorEvent OnError;

 protected:
  void DoActivate(bool value) override;
  void DispatchEvent(TCustomWinSocket& socket, SocketEventKind event) override;
  void DispatchError(TCustomWinSocket& socket, TErrorEvent errorEvent, int& errorCode) override;

 private:
  std::unique_ptr<TClientWinSocket> socket_;
};

// A listening component owning one TServerWinSocket; publishes the events of
// the accepted connections. The listening socket has no error event: its
// errors are raised. It listens at Address (dotted IPv4 text; all interfaces
// when empty) and accepts the peers of its allow list (everyone when empty).
class TServerSocket : public TCustomSocket, private ServerClientSink {
 public:
  explicit TServerSocket(EventLoop& loop);
  ~TServerSocket() override;

  TServerWinSocket& Socket() const { return *socket_; }

  // Applies to the peers accepted from then on, also while listening.
  void SetAllowList(AllowList allowList) { socket_->SetAllowList(std::move(allowList)); }

  TSocketNotifyEvent OnClientConnect;
  TSocketNotifyEvent OnClientDisconnect;
  TSocketNotifyEvent OnClientRead;
  TSocketNotifyEvent OnClientWrite;
  TSocketErrorEvent OnClientError;
  TSocketRefusedEvent OnClientRefused;

 protected:
  void DoActivate(bool value) override;
  void DispatchEvent(TCustomWinSocket& socket, SocketEventKind event) override;
  void DispatchError(TCustomWinSocket& socket, TErrorEvent errorEvent, int& errorCode) override;

 private:
  void HandleClientEvent(TServerWinSocket& server, TCustomWinSocket& client,
                         SocketEventKind event) override;
  void HandleClientError(TServerWinSocket& server, TCustomWinSocket& client, TErrorEvent errorEvent,
                         int& errorCode) override;
  void HandleClientRefused(TServerWinSocket& server, std::uint32_t address) override;

  std::unique_ptr<TServerWinSocket> socket_;
};

}  // namespace keldo
