#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/platform/socket_api.h"

namespace keldo {

// Notification kinds with the platform's bit values.
inline constexpr unsigned kNotifyRead = 1;
inline constexpr unsigned kNotifyWrite = 2;
inline constexpr unsigned kNotifyAccept = 8;
inline constexpr unsigned kNotifyConnect = 16;
inline constexpr unsigned kNotifyClose = 32;
inline constexpr unsigned kNotifyConnection =
    kNotifyRead | kNotifyWrite | kNotifyConnect | kNotifyClose;

// An outstanding host lookup; 0 is none.
using LookupHandle = std::uintptr_t;

// Whether a lookup asks about host at all. Names and dotted addresses hold no
// blanks or control characters, and resolvers disagree on text that does (one
// finds no address in " 127.0.0.1", another reads "127.0.0.1 x" as
// 127.0.0.1), so every backend fails the lookup of such text with
// kWsaHostNotFound, as a name that does not resolve, without asking.
inline bool IsLookupText(std::string_view host) {
  return std::none_of(host.begin(), host.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
  });
}

// Receives what a notification window delivers. Every call comes from the
// event loop, one at a time; the receiver may destroy the window (and itself)
// inside any of them.
class NotificationSink {
 public:
  // kind is one notification bit; error is a Winsock code or 0.
  virtual void SocketNotification(net::SocketHandle socket, unsigned kind, int error) = 0;
  // address is the first IPv4 address found, in network byte order, when error is 0.
  virtual void LookupDone(LookupHandle lookup, int error, std::uint32_t address) = 0;
  virtual void DestroyRequest() = 0;

 protected:
  ~NotificationSink() = default;
};

// What a connection object receives its notifications through: on Windows a
// hidden window with WSAAsyncSelect, elsewhere the same model on the
// platform's poll. Destroying it drops everything still queued for it.
//
// The model: a read notification only while bytes are waiting, and not again
// until the socket is read; a close notification once the peer's bytes are
// read (with an error code at once after a reset); a connect notification
// with the socket's pending error; write notifications after a connect and
// after a send that would block; one accept notification per pending
// connection; nothing after the close notification or once the socket is
// deregistered.
class NotificationWindow {
 public:
  virtual ~NotificationWindow() = default;

  // Registers socket for the kinds in mask (0: none); replaces any earlier
  // registration and makes the socket non-blocking. Deregister before closing
  // a socket. 0 or an error code.
  virtual int Select(net::SocketHandle socket, unsigned mask) = 0;

  // Winsock re-arms a notification inside the call that consumes it (recv for
  // read, accept for accept, a send that would block for write). The socket
  // layer reports each such call here so that a backend emulating the model
  // can do the same; on Windows this does nothing.
  virtual void CallMade(net::SocketHandle socket, unsigned kind) = 0;

  // Starts resolving host (a name or dotted IPv4 text) without blocking; the
  // answer comes as LookupDone, also for text IsLookupText refuses. Returns 0
  // with error set when it cannot start.
  virtual LookupHandle StartLookup(const std::string& host, int& error) = 0;
  // 0 or an error code. A cancelled lookup never reports.
  virtual int CancelLookup(LookupHandle lookup) = 0;

  // Asks for DestroyRequest from the loop, after what is already queued.
  virtual void PostDestroy() = 0;
};

}  // namespace keldo
