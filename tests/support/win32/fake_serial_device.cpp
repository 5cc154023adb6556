#include "tests/support/fake_serial_device.h"

#include <windows.h>
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/platform_support.h"

namespace keldo::test {

// A Windows program cannot make a pseudo-terminal, but under Wine it can start a
// Unix program that does. socat makes the terminal for a shell that links it into
// the prefix's dosdevices as comN (so COMN opens it through Wine's serial layer),
// reports "R" through it and sleeps, holding it as its controlling terminal: had
// Wine's server opened it first, it would take it as its own and get SIGHUP when
// it goes away. socat relays the terminal to a loopback connection accepted here;
// shutting that down ends socat, which closes the terminal for good, and the shell
// removes the link.
struct FakeSerialDevice::State {
  std::int32_t portNumber = 0;
  std::string error;
  std::string deviceName;  // \\.\COMn
  SOCKET peer = INVALID_SOCKET;
  bool winsock = false;
};

namespace {

using Clock = std::chrono::steady_clock;

bool WaitReadable(SOCKET s, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &tv) == 1;
}

// Listens on an ephemeral loopback port, so there is no race for a free one.
SOCKET Listen(unsigned short& port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof addr;
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
      listen(s, 1) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    if (s != INVALID_SOCKET) {
      closesocket(s);
    }
    return INVALID_SOCKET;
  }
  port = ntohs(addr.sin_port);
  return s;
}

bool StartSocat(const std::string& link, unsigned short port) {
  // The shell removes the link once the terminal hangs up (trap, so wait returns).
  return RunUnixProgram("/usr/bin/socat",
                        "-t 0.05 \"system:trap true HUP; ln -sf $(tty) " + link +
                            "; printf R; sleep 86400 & wait; rm -f " + link +
                            ",pty,setsid,ctty,raw,echo=0\" tcp:127.0.0.1:" + std::to_string(port));
}

bool PortExists(const std::string& deviceName) {
  HANDLE h = CreateFileA(deviceName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(h);
  return true;
}

}  // namespace

FakeSerialDevice::FakeSerialDevice(std::int32_t portNumber) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.portNumber = portNumber;
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix == nullptr) {
    s.error = "WINEPREFIX is not set: the serial tests need Wine and socat";
    return;
  }
  WSADATA data;
  s.winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  unsigned short port = 0;
  SOCKET listener = s.winsock ? Listen(port) : INVALID_SOCKET;
  if (listener == INVALID_SOCKET) {
    s.error = "cannot listen on loopback";
    return;
  }
  const std::string link = std::string(prefix) + "/dosdevices/com" + std::to_string(portNumber);
  s.deviceName = "\\\\.\\COM" + std::to_string(portNumber);
  if (!StartSocat(link, port)) {
    s.error = "cannot start /usr/bin/socat";
  } else if (!WaitReadable(listener, 10000)) {
    s.error = "socat did not connect";
  } else {
    s.peer = accept(listener, nullptr, nullptr);
    if (s.peer == INVALID_SOCKET) {
      s.error = "accept failed";
    } else if (Receive(1, 10000) != "R") {
      s.error = "the terminal did not come up";
    }
  }
  closesocket(listener);
}

FakeSerialDevice::~FakeSerialDevice() {
  Vanish();
  if (state_->winsock) {
    WSACleanup();
  }
}

const std::string& FakeSerialDevice::Error() const {
  return state_->error;
}

std::int32_t FakeSerialDevice::PortNumber() const {
  return state_->portNumber;
}

void FakeSerialDevice::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const int sent = send(state_->peer, bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent <= 0) {
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

std::string FakeSerialDevice::Receive(std::size_t count, int timeoutMs) {
  std::string bytes;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char chunk[4096];
  while (bytes.size() < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !WaitReadable(state_->peer, static_cast<int>(left))) {
      break;
    }
    const int want = static_cast<int>(std::min(sizeof chunk, count - bytes.size()));
    const int got = recv(state_->peer, chunk, want, 0);
    if (got <= 0) {
      break;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return bytes;
}

void FakeSerialDevice::Vanish() {
  State& s = *state_;
  if (s.peer == INVALID_SOCKET) {
    return;
  }
  // End of input makes socat close the terminal and the connection; the port is
  // really gone once it no longer opens.
  shutdown(s.peer, SD_SEND);
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  char sink[4096];
  while (Clock::now() < deadline) {
    if (WaitReadable(s.peer, 100) && recv(s.peer, sink, sizeof sink, 0) <= 0) {
      break;
    }
  }
  closesocket(s.peer);
  s.peer = INVALID_SOCKET;
  while (Clock::now() < deadline && PortExists(s.deviceName)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool FakeSerialDevice::ComesBack() {
  return true;
}

std::intptr_t FakeSerialDevice::NativeHandle() const {
  return static_cast<std::intptr_t>(state_->peer);
}

}  // namespace keldo::test
