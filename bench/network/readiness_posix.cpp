#include "bench/network/readiness.h"

#include <QCoreApplication>

#include <poll.h>

namespace keldo::bench {

bool WaitReadable(net::SocketHandle socket, int timeoutMs) {
  pollfd entry{static_cast<int>(socket), POLLIN, 0};
  return ::poll(&entry, 1, timeoutMs) > 0;
}

void EnsureApplication(int& argc, char** argv) {
  static QCoreApplication application(argc, argv);
}

}  // namespace keldo::bench
