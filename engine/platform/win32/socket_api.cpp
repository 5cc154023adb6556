#include "engine/platform/socket_api.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <mstcpip.h>
// clang-format on

#include <string>

namespace keldo::net {
namespace {

// Winsock's codes are the endpoint's codes; the only translation is fetching them.
int LastError() {
  return ::WSAGetLastError();
}

int Result(int rc) {
  return rc == 0 ? 0 : LastError();
}

SOCKET Sock(SocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

// Whether a yes/no option is on.
bool OptionOn(SocketHandle socket, int level, int name) {
  BOOL on = FALSE;
  int size = sizeof on;
  return ::getsockopt(Sock(socket), level, name, reinterpret_cast<char*>(&on), &size) == 0 &&
         on != FALSE;
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
  WSADATA data{};
  return ::WSAStartup(0x0101, &data);
}

int SocketLibraryCleanup() {
  return Result(::WSACleanup());
}

SocketHandle CreateTcpSocket() {
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

int Bind(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  return Result(::bind(Sock(socket), reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

int Listen(SocketHandle socket, int backlog) {
  return Result(::listen(Sock(socket), backlog));
}

int Connect(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
  const sockaddr_in a = MakeAddress(address, port);
  return Result(::connect(Sock(socket), reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

int CloseSocket(SocketHandle socket) {
  return Result(::closesocket(Sock(socket)));
}

AcceptResult Accept(SocketHandle socket) {
  sockaddr_in from{};
  int size = sizeof from;
  const SOCKET s = ::accept(Sock(socket), reinterpret_cast<sockaddr*>(&from), &size);
  if (s == INVALID_SOCKET) {
    return {kInvalidSocket, LastError()};
  }
  return {static_cast<SocketHandle>(s), 0, from.sin_addr.s_addr};
}

IoResult Send(SocketHandle socket, const void* data, int count) {
  const int n = ::send(Sock(socket), static_cast<const char*>(data), count, 0);
  if (n == SOCKET_ERROR) {
    return {-1, LastError()};
  }
  return {n, 0};
}

IoResult Recv(SocketHandle socket, void* buffer, int count) {
  const int n = ::recv(Sock(socket), static_cast<char*>(buffer), count, 0);
  if (n == SOCKET_ERROR) {
    return {-1, LastError()};
  }
  return {n, 0};
}

IoResult PendingBytes(SocketHandle socket) {
  u_long count = 0;
  if (::ioctlsocket(Sock(socket), FIONREAD, &count) != 0) {
    return {-1, LastError()};
  }
  return {static_cast<int>(count), 0};
}

int PendingError(SocketHandle socket) {
  int error = 0;
  int size = sizeof error;
  if (::getsockopt(Sock(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) !=
      0) {
    return LastError();
  }
  return error;
}

IoResult PeekByte(SocketHandle socket) {
  // The socket may be blocking: look first, so that a peek never waits.
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Sock(socket), &readable);
  timeval now{0, 0};
  if (::select(0, &readable, nullptr, nullptr, &now) == 0) {
    return {-1, WSAEWOULDBLOCK};
  }
  char byte = 0;
  const int n = ::recv(Sock(socket), &byte, 1, MSG_PEEK);
  if (n == SOCKET_ERROR) {
    return {-1, LastError()};
  }
  return {n, 0};
}

bool HasPeer(SocketHandle socket) {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  return PeerAddress(socket, address, port);
}

bool PeerAddress(SocketHandle socket, std::uint32_t& address, std::uint16_t& port) {
  sockaddr_in a{};
  int size = sizeof a;
  if (::getpeername(Sock(socket), reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
      a.sin_family != AF_INET) {
    return false;
  }
  address = a.sin_addr.s_addr;
  port = a.sin_port;
  return true;
}

int SetNonBlocking(SocketHandle socket) {
  u_long on = 1;
  return Result(::ioctlsocket(Sock(socket), FIONBIO, &on));
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in a{};
  int size = sizeof a;
  if (::getsockname(Sock(socket), reinterpret_cast<sockaddr*>(&a), &size) != 0) {
    return 0;
  }
  return a.sin_port;
}

int SetNoDelay(SocketHandle socket) {
  const BOOL on = TRUE;
  return Result(::setsockopt(Sock(socket), IPPROTO_TCP, TCP_NODELAY,
                             reinterpret_cast<const char*>(&on), sizeof on));
}

bool NoDelay(SocketHandle socket) {
  return OptionOn(socket, IPPROTO_TCP, TCP_NODELAY);
}

int SetKeepAlive(SocketHandle socket) {
  const SOCKET s = Sock(socket);
  // Options of Windows 10 1703 and later that older headers do not name.
  constexpr int kTcpMaxRt = 5;     // TCP_MAXRT: seconds of unanswered retransmission
  constexpr int kTcpKeepCnt = 16;  // TCP_KEEPCNT
  // Where the probe count cannot be set (older systems, Wine), Windows sends
  // its fixed ten: they come closer together, so the peer is still taken for
  // gone after kDeadPeerSeconds. Only an unanswered probe is followed by the
  // next, so a peer that is there sees no more of them.
  constexpr DWORD kFixedProbes = 10;
  const BOOL on = TRUE;
  const DWORD probes = kKeepAliveProbes;
  const bool counted = ::setsockopt(s, IPPROTO_TCP, kTcpKeepCnt,
                                    reinterpret_cast<const char*>(&probes), sizeof probes) == 0;
  tcp_keepalive values{};
  values.onoff = 1;
  values.keepalivetime = kKeepAliveIdleSeconds * 1000;
  values.keepaliveinterval = counted
                                 ? kKeepAliveIntervalSeconds * 1000
                                 : (kDeadPeerSeconds - kKeepAliveIdleSeconds) * 1000 / kFixedProbes;
  DWORD returned = 0;
  if (::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on) !=
          0 ||
      ::WSAIoctl(s, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr,
                 nullptr) != 0) {
    return LastError();
  }
  // Probes wait while sent bytes are unacknowledged; this ends that wait at
  // the same time where the system knows the option.
  const DWORD maxRetransmit = kDeadPeerSeconds;
  ::setsockopt(s, IPPROTO_TCP, kTcpMaxRt, reinterpret_cast<const char*>(&maxRetransmit),
               sizeof maxRetransmit);
  return 0;
}

// TCP_MAXRT bounds the wait where the system knows it; a shut receive window
// is not a retransmission.
bool SentBytesUnanswered(SocketHandle) {
  return false;
}

bool KeepAlive(SocketHandle socket) {
  return OptionOn(socket, SOL_SOCKET, SO_KEEPALIVE);
}

int PrepareListener(SocketHandle socket) {
  // Windows lets SO_REUSEADDR steal a port that another program listens on;
  // exclusive use keeps "address in use" the outcome for a second listener.
  const BOOL on = TRUE;
  return Result(::setsockopt(Sock(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                             reinterpret_cast<const char*>(&on), sizeof on));
}

int SetOobInline(SocketHandle socket) {
  const BOOL on = TRUE;
  return Result(::setsockopt(Sock(socket), SOL_SOCKET, SO_OOBINLINE,
                             reinterpret_cast<const char*>(&on), sizeof on));
}

int MaxBacklog() {
  return SOMAXCONN;
}

std::uint32_t InetAddr(const std::string& text) {
  return ::inet_addr(text.c_str());
}

bool ParseIpv4(const std::string& text, std::uint32_t& address) {
  IN_ADDR parsed{};
  if (::InetPtonA(AF_INET, text.c_str(), &parsed) != 1) {
    return false;
  }
  address = parsed.s_addr;
  return true;
}

std::string Ipv4Text(std::uint32_t address) {
  IN_ADDR a{};
  a.s_addr = address;
  char text[INET_ADDRSTRLEN] = {};
  ::InetNtopA(AF_INET, &a, text, sizeof text);
  return text;
}

std::uint16_t HostToNetShort(std::uint16_t value) {
  return ::htons(value);
}

std::uint32_t NetToHostLong(std::uint32_t value) {
  return ::ntohl(value);
}

std::string SocketErrorText(int code) {
  char buffer[512];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
  // The system's texts end in a period and a line break.
  while (n > 0 && (static_cast<unsigned char>(buffer[n - 1]) <= ' ' || buffer[n - 1] == '.')) {
    --n;
  }
  return n > 0 ? std::string(buffer, n) : "Unknown error";
}

}  // namespace keldo::net
