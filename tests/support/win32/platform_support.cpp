#include "tests/support/platform_support.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <vector>

namespace keldo::test {

void EnsureApplication() {}

void AbortiveClose(net::SocketHandle socket) {
  const linger option{1, 0};
  ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_LINGER,
               reinterpret_cast<const char*>(&option), sizeof option);
  ::closesocket(static_cast<SOCKET>(socket));
}

bool SendUrgent(net::SocketHandle socket, char byte) {
  return ::send(static_cast<SOCKET>(socket), &byte, 1, MSG_OOB) == 1;
}

void ClearOobInline(net::SocketHandle socket) {
  const BOOL off = FALSE;
  ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_OOBINLINE,
               reinterpret_cast<const char*>(&off), sizeof off);
}

// select() takes at most FD_SETSIZE (64) sockets: count stays below that.
std::vector<net::SocketHandle> ConnectAtOnce(std::uint16_t port, int count, int timeoutMs) {
  std::vector<SOCKET> pending;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(port);
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  for (int i = 0; i < count && i < FD_SETSIZE; ++i) {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    u_long on = 1;
    ::ioctlsocket(s, FIONBIO, &on);
    ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    pending.push_back(s);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<net::SocketHandle> connected;
  while (!pending.empty()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      break;
    }
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (SOCKET s : pending) {
      FD_SET(s, &writable);
      FD_SET(s, &failed);
    }
    timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
    if (::select(0, nullptr, &writable, &failed, &wait) <= 0) {
      break;
    }
    std::vector<SOCKET> still;
    for (SOCKET s : pending) {
      if (FD_ISSET(s, &writable)) {
        connected.push_back(static_cast<net::SocketHandle>(s));
      } else if (FD_ISSET(s, &failed)) {
        ::closesocket(s);
      } else {
        still.push_back(s);
      }
    }
    pending.swap(still);
  }
  for (SOCKET s : pending) {
    ::closesocket(s);
  }
  return connected;
}

void SetReceiveBuffer(net::SocketHandle socket, int bytes) {
  ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_RCVBUF,
               reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

void SetSendBuffer(net::SocketHandle socket, int bytes) {
  ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_SNDBUF,
               reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

// Sockets on Windows are not limited by a descriptor table to fill.
bool ExhaustDescriptors(std::vector<int>&) {
  return false;
}
void ReleaseDescriptors(std::vector<int>&) {}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A console control event cannot be raised reliably without a console.
bool RaiseTerminationRequest() {
  return false;
}

bool RaiseTerminationRequestSupported() {
  return false;
}

// Wine runs a Linux executable handed to CreateProcess, named by its Z: path;
// it comes without handles to wait on.
bool RunUnixProgram(const std::string& program, const std::string& arguments) {
  std::string command = "Z:" + program;
  std::replace(command.begin(), command.end(), '/', '\\');
  command += " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  for (const HANDLE handle : {process.hProcess, process.hThread}) {
    if (handle != nullptr) {
      ::CloseHandle(handle);
    }
  }
  return true;
}

}  // namespace keldo::test
