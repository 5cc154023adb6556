#include "tests/support/platform_support.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>

namespace keldo::test {

void EnsureApplication() {
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "keldo-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
  }
}

void AbortiveClose(net::SocketHandle socket) {
  const linger option{1, 0};
  ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_LINGER, &option, sizeof option);
  ::close(static_cast<int>(socket));
}

void SetReceiveBuffer(net::SocketHandle socket, int bytes) {
  ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void SetSendBuffer(net::SocketHandle socket, int bytes) {
  ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

namespace {
rlimit gSavedLimit{};
}  // namespace

bool ExhaustDescriptors(std::vector<int>& taken) {
  // A low soft limit keeps this quick; ReleaseDescriptors restores it.
  ::getrlimit(RLIMIT_NOFILE, &gSavedLimit);
  rlimit low = gSavedLimit;
  low.rlim_cur = std::min<rlim_t>(gSavedLimit.rlim_cur, 512);
  ::setrlimit(RLIMIT_NOFILE, &low);
  for (;;) {
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      return true;
    }
    taken.push_back(fd);
  }
}

void ReleaseDescriptors(std::vector<int>& taken) {
  for (int fd : taken) {
    ::close(fd);
  }
  taken.clear();
  ::setrlimit(RLIMIT_NOFILE, &gSavedLimit);
}

double ProcessCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

bool RunningUnderWine() {
  return false;
}

bool RaiseTerminationRequest() {
  return ::raise(SIGTERM) == 0;
}

bool RaiseTerminationRequestSupported() {
  return true;
}

}  // namespace keldo::test
