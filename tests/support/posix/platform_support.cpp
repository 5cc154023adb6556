#include "tests/support/platform_support.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

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

bool SendUrgent(net::SocketHandle socket, char byte) {
  return ::send(static_cast<int>(socket), &byte, 1, MSG_OOB) == 1;
}

void ClearOobInline(net::SocketHandle socket) {
  const int off = 0;
  ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_OOBINLINE, &off, sizeof off);
}

std::vector<net::SocketHandle> ConnectAtOnce(std::uint16_t port, int count, int timeoutMs) {
  std::vector<pollfd> pending;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (int i = 0; i < count; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    pending.push_back({fd, POLLOUT, 0});
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<net::SocketHandle> connected;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || ::poll(pending.data(), pending.size(), static_cast<int>(left)) <= 0) {
      break;
    }
    for (pollfd& p : pending) {
      if (p.fd >= 0 && p.revents != 0) {
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error == 0) {
          connected.push_back(static_cast<net::SocketHandle>(p.fd));
        } else {
          ::close(p.fd);
        }
        p.fd = -1;  // poll skips it from now on
      }
    }
  }
  for (const pollfd& p : pending) {
    if (p.fd >= 0) {
      ::close(p.fd);
    }
  }
  return connected;
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

bool RunUnixProgram(const std::string& program, const std::string& arguments) {
  return std::system((program + " " + arguments).c_str()) == 0;
}

}  // namespace keldo::test
