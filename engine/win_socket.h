#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/allow_list.h"
#include "engine/event_loop.h"
#include "engine/platform/notification_window.h"
#include "engine/platform/socket_api.h"
#include "engine/socket_error.h"

namespace keldo {

class ConnectionRef;
class TCustomWinSocket;
class TServerClientWinSocket;
class TServerWinSocket;

// What a connection object reports to its owner.
enum class SocketEventKind { Lookup, Connecting, Connect, Disconnect, Listen, Accept, Write, Read };

enum class LookupState { Idle, ResolvingAddress, ResolvingService };

// The owner of a connection object: its component, or for an accepted
// connection its listening object. Both calls may destroy the connection.
class SocketEventSink {
 public:
  virtual void HandleSocketEvent(TCustomWinSocket& socket, SocketEventKind event) = 0;
  virtual void HandleSocketError(TCustomWinSocket& socket, TErrorEvent errorEvent,
                                 int& errorCode) = 0;

 protected:
  ~SocketEventSink() = default;
};

// One platform socket and its state; the object events pass as Socket.
// Every call that raises an event may end with this object destroyed (a
// handler can close the server that owns it); the code below never touches
// an object after such a call without checking that it still exists.
class TCustomWinSocket : private NotificationSink {
 public:
  TCustomWinSocket(EventLoop& loop, net::SocketHandle socket);
  virtual ~TCustomWinSocket();
  TCustomWinSocket(const TCustomWinSocket&) = delete;
  TCustomWinSocket& operator=(const TCustomWinSocket&) = delete;

  // Received bytes waiting to be read; 0 when not connected. Never 0 while a
  // receive would take bytes.
  int PendingBytes();
  // At most count bytes into buffer: the number read, 0 when not connected
  // or the peer has closed, -1 when nothing could be read.
  int ReceiveBytes(void* buffer, int count);
  // One send of count bytes: the number taken, 0 when not connected, -1 when
  // nothing was taken. What is not taken is never sent.
  int SendBytes(const void* buffer, int count);
  // Sends a block (a line) whole or not at all: what the socket does not take
  // now is kept and sent, in order, when it can take more. A block that would
  // take the kept bytes past kSendQueueLimit is dropped whole and counted.
  // false when the block was dropped or the connection is not connected.
  bool SendQueued(const void* buffer, int count);
  // Bytes kept for the socket; emptied when the connection closes.
  int QueuedBytes() const { return static_cast<int>(queued_.size()); }
  // Bytes of the blocks SendQueued dropped on this connection.
  std::uint64_t DroppedBytes() const { return droppedBytes_; }

  static constexpr int kSendQueueLimit = 64 * 1024;

  // Closes the connection with its disconnect event.
  void Close();

  // Where events and errors go: the owning component or listening object.
  void SetSink(SocketEventSink* sink) { sink_ = sink; }

  bool Connected() const { return connected_; }
  net::SocketHandle SocketHandle() const { return socket_; }
  LookupState GetLookupState() const { return lookupState_; }

 protected:
  // The notification handlers, each given the socket the notification names.
  virtual void HandleAccept(net::SocketHandle socket);
  virtual void HandleConnect(net::SocketHandle socket);
  virtual void HandleClose(net::SocketHandle socket);
  virtual void HandleRead(net::SocketHandle socket);
  virtual void HandleWrite(net::SocketHandle socket);
  // A lookup started by this object has finished.
  virtual void LookupComplete(int error, std::uint32_t address);
  virtual void DestroyRequested() {}

  void Event(SocketEventKind event);
  void Error(TErrorEvent errorEvent, int& errorCode);
  NotificationWindow& Window();
  EventLoop& Loop() const { return loop_; }
  // Expires when this object is destroyed.
  std::weak_ptr<TCustomWinSocket> Life() const { return anchor_; }
  void ResetAddress();
  // Cancels a pending lookup; "WSACancelASyncRequest" on failure.
  void CancelPendingLookup();
  // Closes the socket without any event: abandoning an attempt, destroying.
  void CloseQuietly() noexcept;
  // Sends kept bytes until the socket takes no more.
  void SendQueuedBytes();
  // Registers the socket; "WSAAsyncSelect" on failure.
  void SelectNotifications(unsigned mask);
  // Refuses a port outside 1..65535 as the open's failure from api, rather
  // than using its low 16 bits (70000 would be 4464, 0 a random port).
  static void CheckPort(int port, const char* api);

  net::SocketHandle socket_ = net::kInvalidSocket;
  bool connected_ = false;
  std::uint32_t address_ = 0;  // network byte order
  std::uint16_t port_ = 0;     // network byte order
  LookupState lookupState_ = LookupState::Idle;
  LookupHandle pendingLookup_ = 0;

 private:
  void ForgetSocket() noexcept;

  friend class ConnectionRef;
  friend class TServerWinSocket;  // drives its accepted connections

  void SocketNotification(net::SocketHandle socket, unsigned kind, int error) override;
  void LookupDone(LookupHandle lookup, int error, std::uint32_t address) override;
  void DestroyRequest() override { DestroyRequested(); }

  EventLoop& loop_;
  std::unique_ptr<NotificationWindow> window_;  // made on first need
  SocketEventSink* sink_ = nullptr;
  bool libraryStarted_ = false;
  std::vector<std::uint8_t> queued_;  // taken by SendQueued, not yet by the socket
  std::uint64_t droppedBytes_ = 0;
  // Owns nothing: its weak copies tell whether this object still exists.
  std::shared_ptr<TCustomWinSocket> anchor_;
};

enum TClientType : int { ctNonBlocking = 0, ctBlocking = 1 };
enum TServerType : int { stNonBlocking = 0, stThreadBlocking = 1 };

// The single connection object of a TClientSocket, reused for every attempt.
class TClientWinSocket : public TCustomWinSocket {
 public:
  explicit TClientWinSocket(EventLoop& loop);

  // Starts an attempt to host (looked up without blocking) or, when host is
  // empty, to the dotted address; abandons a pending attempt without events.
  void Open(const std::string& host, const std::string& address, int port);

  TClientType ClientType() const { return ctNonBlocking; }

 protected:
  void HandleConnect(net::SocketHandle socket) override;
  void LookupComplete(int error, std::uint32_t address) override;

 private:
  void StartConnect();

  std::uint16_t lookupPort_ = 0;  // the port saved while the lookup runs
};

// The accepted connections' owner reports their events here.
class ServerClientSink {
 public:
  virtual void HandleClientEvent(TServerWinSocket& server, TCustomWinSocket& client,
                                 SocketEventKind event) = 0;
  virtual void HandleClientError(TServerWinSocket& server, TCustomWinSocket& client,
                                 TErrorEvent errorEvent, int& errorCode) = 0;
  // A peer outside the allow list was closed as it was accepted; address is
  // in network byte order.
  virtual void HandleClientRefused(TServerWinSocket& server, std::uint32_t address) = 0;

 protected:
  ~ServerClientSink() = default;
};

// The listening socket of a TServerSocket and the owner of its accepted
// connections (ConnectionList).
class TServerWinSocket : public TCustomWinSocket, private SocketEventSink {
 public:
  explicit TServerWinSocket(EventLoop& loop);
  ~TServerWinSocket() override;

  // Listens on port at address, dotted IPv4 text (all interfaces when empty).
  // Text that is not an IPv4 address raises; the listener never falls back
  // to all interfaces.
  void Listen(const std::string& address, int port, int backlog);

  // The peers accepted from now on; the others are closed at once, before
  // they become a connection, and reported to the client sink.
  void SetAllowList(AllowList allowList) { allowList_ = std::move(allowList); }
  const AllowList& GetAllowList() const { return allowList_; }

  // ConnectionList, oldest first.
  int ActiveConnections() const { return static_cast<int>(connections_.size()); }
  TServerClientWinSocket* Connections(int index) const;

  void SetClientSink(ServerClientSink* sink) { clientSink_ = sink; }
  TServerType ServerType() const { return stNonBlocking; }

  // How long accepting pauses when the process is out of descriptors.
  static constexpr std::uint32_t kAcceptRetryMs = 200;

 protected:
  void HandleAccept(net::SocketHandle socket) override;
  void HandleClose(net::SocketHandle socket) override;

 private:
  friend class TServerClientWinSocket;

  void HandleSocketEvent(TCustomWinSocket& socket, SocketEventKind event) override;
  void HandleSocketError(TCustomWinSocket& socket, TErrorEvent errorEvent, int& errorCode) override;
  void DestroyConnection(TServerClientWinSocket* connection);
  void DestroyAllConnections() noexcept;
  void PauseAccepting();
  void ResumeAccepting();

  std::vector<std::unique_ptr<TServerClientWinSocket>> connections_;
  ServerClientSink* clientSink_ = nullptr;
  std::unique_ptr<Timer> acceptRetry_;
  AllowList allowList_;
};

// One accepted connection, owned by its TServerWinSocket.
class TServerClientWinSocket : public TCustomWinSocket {
 public:
  TServerClientWinSocket(EventLoop& loop, net::SocketHandle socket, TServerWinSocket& server);

  TServerWinSocket& ServerWinSocket() const { return server_; }

 private:
  friend class TServerWinSocket;

  void DestroyRequested() override;

  TServerWinSocket& server_;
};

}  // namespace keldo
