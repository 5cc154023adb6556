#include "bench/network/readiness.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace keldo::bench {

bool WaitReadable(net::SocketHandle socket, int timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(static_cast<SOCKET>(socket), &readable);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return ::select(0, &readable, nullptr, nullptr, &timeout) > 0;
}

void EnsureApplication(int&, char**) {}

}  // namespace keldo::bench
