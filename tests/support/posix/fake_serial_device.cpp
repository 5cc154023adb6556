#include "tests/support/fake_serial_device.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <filesystem>
#include <system_error>
#include <thread>

#include "engine/platform/posix/hive_file.h"
#include "engine/platform/serial_port.h"
#include "engine/registry.h"

namespace keldo::test {

// A pseudo-terminal whose far side the test holds; its near side is reached
// through a link "comN" in the registry folder, named in the COM port map by
// hand, as the link's own map keeps any hand-made value. Like a USB adapter
// plugged in again, a second device with the same number takes the same path.
// Its line settings start as the terminal driver's cooked defaults, which the
// port must switch off.
struct FakeSerialDevice::State {
  std::int32_t portNumber = 0;
  std::string error;
  int master = -1;
  std::string link;
};

namespace {

using Clock = std::chrono::steady_clock;

bool MapPort(const std::string& path, std::int32_t portNumber, std::string& error) {
  try {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    if (!key.OpenPath(kSerialCommKey, true)) {
      error = "cannot create the COM port map";
      return false;
    }
    key.WriteText(path, "COM" + std::to_string(portNumber));
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace

FakeSerialDevice::FakeSerialDevice(std::int32_t portNumber) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.portNumber = portNumber;
  int slave = -1;
  char name[256] = {};
  if (openpty(&s.master, &slave, name, nullptr, nullptr) != 0) {
    s.error = "openpty failed";
    return;
  }
  // Nobody else keeps the near side open, so closing the far side is a hang-up.
  close(slave);
  fcntl(s.master, F_SETFL, fcntl(s.master, F_GETFL) | O_NONBLOCK);
  // A program the test starts must not keep the device alive after Vanish.
  fcntl(s.master, F_SETFD, FD_CLOEXEC);
  const std::string folder = platform::RegistryFolder();
  s.link = folder + "/com" + std::to_string(portNumber);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  std::filesystem::remove(s.link, ignored);
  if (symlink(name, s.link.c_str()) != 0) {
    s.error = "cannot link " + s.link;
    return;
  }
  MapPort(s.link, portNumber, s.error);
}

FakeSerialDevice::~FakeSerialDevice() {
  Vanish();
}

const std::string& FakeSerialDevice::Error() const {
  return state_->error;
}

std::int32_t FakeSerialDevice::PortNumber() const {
  return state_->portNumber;
}

void FakeSerialDevice::Send(std::string_view bytes) {
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (!bytes.empty() && Clock::now() < deadline) {
    const ssize_t put = write(state_->master, bytes.data(), bytes.size());
    if (put > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(put));
    } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else {
      pollfd ready{state_->master, POLLOUT, 0};
      poll(&ready, 1, 10);
    }
  }
}

std::string FakeSerialDevice::Receive(std::size_t count, int timeoutMs) {
  std::string bytes;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char chunk[4096];
  while (bytes.size() < count) {
    const ssize_t got = read(state_->master, chunk, std::min(sizeof chunk, count - bytes.size()));
    if (got > 0) {
      bytes.append(chunk, static_cast<std::size_t>(got));
      continue;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      break;
    }
    // With the near side closed the far side reads EIO; keep waiting out the time.
    pollfd ready{state_->master, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(std::min<long long>(left, 10))) < 0) {
      break;
    }
    if ((ready.revents & POLLHUP) != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return bytes;
}

void FakeSerialDevice::Vanish() {
  if (state_->master >= 0) {
    close(state_->master);
    state_->master = -1;
    unlink(state_->link.c_str());
  }
}

bool FakeSerialDevice::ComesBack() {
  return false;
}

std::intptr_t FakeSerialDevice::NativeHandle() const {
  return state_->master;
}

}  // namespace keldo::test
