#pragma once

#include <cstdint>
#include <string>

// The socket calls the network endpoint makes, one thin function per call.
// Every error comes back as a Winsock error code (WSAEWOULDBLOCK is 10035
// everywhere), translated from the OS's own code in one place per backend.
// Sockets are blocking when made; registering them with a notification
// window makes them non-blocking.
namespace keldo::net {

// A platform socket: SOCKET on Windows, a file descriptor on POSIX.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};

// Winsock error codes the endpoint and its callers look at.
inline constexpr int kWsaEIntr = 10004;
inline constexpr int kWsaEInval = 10022;
inline constexpr int kWsaEMFile = 10024;
inline constexpr int kWsaEWouldBlock = 10035;
inline constexpr int kWsaENotSock = 10038;
inline constexpr int kWsaEAddrInUse = 10048;
inline constexpr int kWsaEAddrNotAvail = 10049;
inline constexpr int kWsaENetUnreach = 10051;
inline constexpr int kWsaEConnAborted = 10053;
inline constexpr int kWsaEConnReset = 10054;
inline constexpr int kWsaENoBufs = 10055;
inline constexpr int kWsaENotConn = 10057;
inline constexpr int kWsaETimedOut = 10060;
inline constexpr int kWsaEConnRefused = 10061;
inline constexpr int kWsaEHostUnreach = 10065;
inline constexpr int kWsaHostNotFound = 11001;
inline constexpr int kWsaTryAgain = 11002;
inline constexpr int kWsaNoRecovery = 11003;
inline constexpr int kWsaNoData = 11004;

// A count or -1, with the error code when -1.
struct IoResult {
  int count = -1;
  int error = 0;
};

struct AcceptResult {
  SocketHandle socket = kInvalidSocket;
  int error = 0;
  std::uint32_t peer = 0;  // the peer's IPv4 address, network byte order
};

// WSAStartup asking for 1.1 / WSACleanup; nothing to do on POSIX. 0 or an error code.
int SocketLibraryStartup();
int SocketLibraryCleanup();

// A TCP/IPv4 socket, or kInvalidSocket.
SocketHandle CreateTcpSocket();
// Addresses and ports in network byte order. Each returns 0 or an error code.
int Bind(SocketHandle socket, std::uint32_t address, std::uint16_t port);
int Listen(SocketHandle socket, int backlog);
int Connect(SocketHandle socket, std::uint32_t address, std::uint16_t port);
int CloseSocket(SocketHandle socket);
AcceptResult Accept(SocketHandle socket);
IoResult Send(SocketHandle socket, const void* data, int count);
IoResult Recv(SocketHandle socket, void* buffer, int count);
// FIONREAD; -1 with the error when the query fails.
IoResult PendingBytes(SocketHandle socket);
// SO_ERROR: the socket's pending error (read and cleared), or 0.
int PendingError(SocketHandle socket);
// One byte peeked without taking it: 1, 0 at the end of the stream, or -1.
IoResult PeekByte(SocketHandle socket);
// Whether the socket has a peer (getpeername succeeds).
bool HasPeer(SocketHandle socket);
// The peer's IPv4 address and port (getpeername), in network byte order.
bool PeerAddress(SocketHandle socket, std::uint32_t& address, std::uint16_t& port);
int SetNonBlocking(SocketHandle socket);
// The bound port in network byte order, or 0.
std::uint16_t LocalPort(SocketHandle socket);

// Options. TCP_NODELAY so that small writes leave at once.
int SetNoDelay(SocketHandle socket);
bool NoDelay(SocketHandle socket);
// TCP keepalive with short times on a connection: a peer that vanished
// without a word (a crashed host, a NAT that forgot the connection) is taken
// for gone kDeadPeerSeconds after it last answered, and the connection then
// fails with WSAETIMEDOUT. A peer that is there answers the first probe after
// each idle spell and notices nothing. Probes wait while sent bytes are
// unacknowledged; SentBytesUnanswered covers that case where needed.
inline constexpr int kKeepAliveIdleSeconds = 10;
inline constexpr int kKeepAliveIntervalSeconds = 5;
inline constexpr int kKeepAliveProbes = 3;
inline constexpr int kDeadPeerSeconds =
    kKeepAliveIdleSeconds + kKeepAliveProbes * kKeepAliveIntervalSeconds;
int SetKeepAlive(SocketHandle socket);
bool KeepAlive(SocketHandle socket);  // whether keepalive is on
// Whether bytes sent on the connection have gone kDeadPeerSeconds without an
// acknowledgement: the peer is gone, though the system would go on
// retransmitting for minutes. A peer that answers but takes nothing (its
// window shut) is not gone. Always false where SetKeepAlive bounds the wait
// in the system itself (Windows).
bool SentBytesUnanswered(SocketHandle socket);
// Before bind: lets a restarted listener take its port out of TIME_WAIT
// without letting a second program listen on the same port.
int PrepareListener(SocketHandle socket);
// TCP urgent data read in line, in order with the other bytes. Left out of
// band, an urgent byte at the head of the queue makes FIONREAD count 0 while
// the socket reads as ready.
int SetOobInline(SocketHandle socket);
// The longest listen queue the platform allows (SOMAXCONN; the kernel may cap it).
int MaxBacklog();

// inet_addr: the dotted IPv4 text in network byte order, or 0xFFFFFFFF.
std::uint32_t InetAddr(const std::string& text);
// inet_pton for IPv4: only the four dotted decimal parts, nothing around them.
// The address in network byte order; false when text is not one.
bool ParseIpv4(const std::string& text, std::uint32_t& address);
// inet_ntop for IPv4: the dotted text of an address in network byte order.
std::string Ipv4Text(std::uint32_t address);
std::uint16_t HostToNetShort(std::uint16_t value);
std::uint32_t NetToHostLong(std::uint32_t value);

// The platform's message text for a code returned above.
std::string SocketErrorText(int code);

}  // namespace keldo::net
