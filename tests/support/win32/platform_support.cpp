#include "tests/support/platform_support.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace keldo::test {

void EnsureApplication() {}

void AbortiveClose(net::SocketHandle socket) {
  const linger option{1, 0};
  ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_LINGER,
               reinterpret_cast<const char*>(&option), sizeof option);
  ::closesocket(static_cast<SOCKET>(socket));
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

}  // namespace keldo::test
