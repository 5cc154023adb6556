#include "engine/platform/socket_api.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace keldo::net {
namespace {

// errno and the Winsock code for the same condition; the one place where
// codes are translated, in both directions.
struct ErrorPair {
  int posix;
  int winsock;
};

constexpr ErrorPair kErrors[] = {
    {EINTR, kWsaEIntr},
    {EBADF, 10009},
    {EACCES, 10013},
    {EFAULT, 10014},
    {EINVAL, kWsaEInval},
    {EMFILE, kWsaEMFile},
    {ENFILE, kWsaEMFile},
    {EAGAIN, kWsaEWouldBlock},
    // A non-blocking connect under way: Winsock reports it as would-block.
    {EINPROGRESS, kWsaEWouldBlock},
    {EALREADY, 10037},
    {ENOTSOCK, kWsaENotSock},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {EOPNOTSUPP, 10045},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, kWsaEAddrInUse},
    {EADDRNOTAVAIL, kWsaEAddrNotAvail},
    {ENETDOWN, 10050},
    {ENETUNREACH, kWsaENetUnreach},
    {ENETRESET, 10052},
    {ECONNABORTED, kWsaEConnAborted},
    {ECONNRESET, kWsaEConnReset},
    // Linux reports a send on a connection the peer has reset as EPIPE;
    // Winsock as a reset.
    {EPIPE, kWsaEConnReset},
    {ENOBUFS, kWsaENoBufs},
    {ENOMEM, kWsaENoBufs},
    {EISCONN, 10056},
    {ENOTCONN, kWsaENotConn},
    {ESHUTDOWN, 10058},
    {ETIMEDOUT, kWsaETimedOut},
    {ECONNREFUSED, kWsaEConnRefused},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, kWsaEHostUnreach},
};

int Translate(int posixError) {
  for (const ErrorPair& pair : kErrors) {
    if (pair.posix == posixError) {
      return pair.winsock;
    }
  }
  return posixError;
}

int LastError() {
  return Translate(errno);
}

int Result(int rc) {
  return rc == 0 ? 0 : LastError();
}

int Fd(SocketHandle socket) {
  return static_cast<int>(socket);
}

// Whether a yes/no option is on.
bool OptionOn(SocketHandle socket, int level, int name) {
  int on = 0;
  socklen_t size = sizeof on;
  return ::getsockopt(Fd(socket), level, name, &on, &size) == 0 && on != 0;
}

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = port;
  a.sin_addr.s_addr = address;
  return a;
}

}  // namespace

int SocketLibraryStartup() {
  return 0;
}
int SocketLibraryCleanup() {
  return 0;
}

SocketHandle CreateTcpSocket() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return fd < 0 ? kInvalidSocket : static_cast<SocketHandle>(fd);
}

int Bind(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  return Result(::bind(Fd(socket), reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

int Listen(SocketHandle socket, int backlog) {
  return Result(::listen(Fd(socket), backlog));
}

int Connect(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  return Result(::connect(Fd(socket), reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

int CloseSocket(SocketHandle socket) {
  return Result(::close(Fd(socket)));
}

AcceptResult Accept(SocketHandle socket) {
  // Blocking like a socket from CreateTcpSocket; registering it makes it non-blocking.
  sockaddr_in from{};
  socklen_t size = sizeof from;
  const int fd = ::accept4(Fd(socket), reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
  if (fd < 0) {
    return {kInvalidSocket, LastError()};
  }
  return {static_cast<SocketHandle>(fd), 0, from.sin_addr.s_addr};
}

IoResult Send(SocketHandle socket, const void* data, int count) {
  // MSG_NOSIGNAL: a peer that has gone must be an error code, not SIGPIPE.
  const ssize_t n = ::send(Fd(socket), data, static_cast<std::size_t>(count), MSG_NOSIGNAL);
  if (n < 0) {
    return {-1, LastError()};
  }
  return {static_cast<int>(n), 0};
}

IoResult Recv(SocketHandle socket, void* buffer, int count) {
  const ssize_t n = ::recv(Fd(socket), buffer, static_cast<std::size_t>(count), 0);
  if (n < 0) {
    return {-1, LastError()};
  }
  return {static_cast<int>(n), 0};
}

IoResult PendingBytes(SocketHandle socket) {
  int count = 0;
  if (::ioctl(Fd(socket), FIONREAD, &count) != 0) {
    return {-1, LastError()};
  }
  return {count, 0};
}

int PendingError(SocketHandle socket) {
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(Fd(socket), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
    return LastError();
  }
  return error == 0 ? 0 : Translate(error);
}

IoResult PeekByte(SocketHandle socket) {
  char byte = 0;
  const ssize_t n = ::recv(Fd(socket), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n < 0) {
    return {-1, LastError()};
  }
  return {static_cast<int>(n), 0};
}

bool HasPeer(SocketHandle socket) {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  return PeerAddress(socket, address, port);
}

bool PeerAddress(SocketHandle socket, std::uint32_t& address, std::uint16_t& port) {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  if (::getpeername(Fd(socket), reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
      a.sin_family != AF_INET) {
    return false;
  }
  address = a.sin_addr.s_addr;
  port = a.sin_port;
  return true;
}

int SetNonBlocking(SocketHandle socket) {
  const int flags = ::fcntl(Fd(socket), F_GETFL);
  if (flags < 0) {
    return LastError();
  }
  return Result(::fcntl(Fd(socket), F_SETFL, flags | O_NONBLOCK));
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&a), &size) != 0) {
    return 0;
  }
  return a.sin_port;
}

int SetNoDelay(SocketHandle socket) {
  const int on = 1;
  return Result(::setsockopt(Fd(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on));
}

bool NoDelay(SocketHandle socket) {
  return OptionOn(socket, IPPROTO_TCP, TCP_NODELAY);
}

int SetKeepAlive(SocketHandle socket) {
  const int fd = Fd(socket);
  const int on = 1;
  const int idle = kKeepAliveIdleSeconds;
  const int interval = kKeepAliveIntervalSeconds;
  const int probes = kKeepAliveProbes;
  const bool set = ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0 &&
                   ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) == 0 &&
                   ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) == 0 &&
                   ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) == 0;
  return set ? 0 : LastError();
}

// TCP_USER_TIMEOUT would bound the wait too, but Linux applies it to a shut
// receive window as well, cutting off a peer that is there and merely not
// reading, with the bytes still queued for it. The last acknowledgement tells
// the two apart: a peer that is there acknowledges the window probes (and
// the keepalive probes of an idle link).
bool SentBytesUnanswered(SocketHandle socket) {
  tcp_info info{};
  socklen_t size = sizeof info;
  return ::getsockopt(Fd(socket), IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
         info.tcpi_unacked > 0 &&
         info.tcpi_last_ack_recv >= static_cast<std::uint32_t>(kDeadPeerSeconds) * 1000;
}

bool KeepAlive(SocketHandle socket) {
  return OptionOn(socket, SOL_SOCKET, SO_KEEPALIVE);
}

int PrepareListener(SocketHandle socket) {
  // Linux refuses a second listener on a port even with SO_REUSEADDR, so this
  // only lets a restart bind while old connections sit in TIME_WAIT.
  const int on = 1;
  return Result(::setsockopt(Fd(socket), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on));
}

int SetOobInline(SocketHandle socket) {
  const int on = 1;
  return Result(::setsockopt(Fd(socket), SOL_SOCKET, SO_OOBINLINE, &on, sizeof on));
}

int MaxBacklog() {
  return SOMAXCONN;
}

std::uint32_t InetAddr(const std::string& text) {
  return ::inet_addr(text.c_str());
}

bool ParseIpv4(const std::string& text, std::uint32_t& address) {
  in_addr parsed{};
  if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1) {
    return false;
  }
  address = parsed.s_addr;
  return true;
}

std::string Ipv4Text(std::uint32_t address) {
  in_addr a{};
  a.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

std::uint16_t HostToNetShort(std::uint16_t value) {
  return htons(value);
}

std::uint32_t NetToHostLong(std::uint32_t value) {
  return ntohl(value);
}

std::string SocketErrorText(int code) {
  // Lookup codes are WSAHOST_NOT_FOUND.. = 11000 + the resolver's h_errno.
  if (code > 11000 && code <= 11004) {
    return ::hstrerror(code - 11000);
  }
  for (const ErrorPair& pair : kErrors) {
    if (pair.winsock == code) {
      return std::strerror(pair.posix);
    }
  }
  return std::strerror(code);
}

}  // namespace keldo::net
