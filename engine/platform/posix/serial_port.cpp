#include "engine/platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <exception>
#include <thread>

#include "engine/platform/posix/serial_identity.h"
#include "engine/platform/posix/serial_port_map.h"
#include "engine/platform/posix/serial_termios.h"
#include "engine/registry.h"

namespace keldo {

struct SerialPort::Native {
  int fd = -1;
  termios saved{};
  LineMode mode;
  // Bytes taken from the driver in one read and handed out one at a time; to the
  // channel they are still the driver's queue.
  std::array<std::uint8_t, 256> readAhead{};
  std::size_t readPos = 0;
  std::size_t readEnd = 0;
  bool gone = false;        // the device hung up or went away
  SerialIdentity identity;  // of the device opened last
};

namespace {

// What a device that stops taking bytes still gets to drain before a write or a
// close gives up: twice the time the bytes need on the wire, plus this.
constexpr std::chrono::milliseconds kDrainSlack{200};

constexpr char kSysDir[] = "/sys";

using Clock = std::chrono::steady_clock;

enum class Io { kDone, kRetry, kFailed, kGone };

// The one place errno is read. kGone is a device that went away: a hung-up
// terminal reads 0 (with VMIN 1 and the descriptor non-blocking, an empty
// queue reads EAGAIN instead), a vanished one fails with EIO or ENXIO.
Io Outcome(ssize_t result) {
  if (result > 0) {
    return Io::kDone;
  }
  if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    return Io::kRetry;
  }
  if (result == 0 || errno == EIO || errno == ENXIO || errno == ENODEV) {
    return Io::kGone;
  }
  return Io::kFailed;
}

timespec ToTimespec(Clock::duration d) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

std::chrono::milliseconds DrainTime(const LineMode& mode, std::int64_t bytes) {
  return std::chrono::milliseconds(2 * bytes * mode.BitsPerByte() * 1000 / mode.baud) + kDrainSlack;
}

std::int64_t QueuedOutput(int fd) {
  int queued = 0;
  return ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
}

// tcsetattr reports success when any part of the change took, and recent kernels
// report failure when a terminal ignores the only change asked (parity on a
// pseudo-terminal), so what the line ends up with decides: raw, and at the speed
// asked, since a device that keeps another speed (one its hardware cannot do)
// must not run at the wrong one.
bool SetLine(int fd, const LineMode& mode, const termios& found) {
  termios wanted = found;
  ApplyLineMode(mode, wanted);
  tcsetattr(fd, TCSANOW, &wanted);
  termios now{};
  return tcgetattr(fd, &now) == 0 && cfgetospeed(&now) == mode.speed &&
         (now.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (now.c_oflag & OPOST) == 0;
}

bool TakeWaiting(SerialPort::Native& port) {
  const ssize_t got = read(port.fd, port.readAhead.data(), port.readAhead.size());
  const Io outcome = Outcome(got);
  if (outcome != Io::kDone) {
    port.gone = port.gone || outcome == Io::kGone;
    return false;
  }
  port.readPos = 0;
  port.readEnd = static_cast<std::size_t>(got);
  return true;
}

// Bytes the device never took would otherwise hold up close for the driver's
// closing wait, and would go out at the restored speed.
void DrainOutput(const SerialPort::Native& port) {
  const auto deadline = Clock::now() + DrainTime(port.mode, QueuedOutput(port.fd));
  while (QueuedOutput(port.fd) > 0) {
    if (Clock::now() >= deadline) {
      tcflush(port.fd, TCOFLUSH);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Puts back the settings found at open and closes; nothing when closed.
void CloseDevice(SerialPort::Native& port) {
  if (port.fd < 0) {
    return;
  }
  DrainOutput(port);
  tcsetattr(port.fd, TCSANOW, &port.saved);
  ioctl(port.fd, TIOCNXCL);
  close(port.fd);
  port.fd = -1;
  port.readPos = port.readEnd = 0;
}

// Why the device open now is not the one that was, or nothing when it is.
std::string Refusal(const std::string& path, const SerialIdentity& before,
                    const SerialIdentity& now) {
  if (SameDevice(before, now)) {
    return {};
  }
  if (before.place.empty()) {
    return path +
           " is a new terminal, not the one that went away: a pseudo-terminal never "
           "comes back, and one at the same number belongs to another session";
  }
  return path + " is another device now (" + DescribeDevice(now) + ", was " +
         DescribeDevice(before) + ")";
}

// Opens COM<portNumber> and takes it for the link. With `expected`, only the
// device it names: another one is closed again before anything about it has
// changed, and `refused` says why.
bool OpenDevice(SerialPort::Native& port, std::int32_t portNumber, std::string_view mode,
                const SerialIdentity* expected, std::string& refused) {
  CloseDevice(port);
  const std::optional<LineMode> lineMode = ParseModeString(mode);
  if (!lineMode) {
    return false;
  }
  RefreshSerialPortMap();
  const std::optional<std::string> path = SerialDevicePath(portNumber);
  if (!path) {
    return false;
  }
  // O_NONBLOCK: the open must not wait for carrier detect, and reads and writes
  // wait through poll with their own limits. O_NOCTTY: a device that goes away
  // must not hang up this process.
  const int fd = open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  struct stat node {};
  if (fstat(fd, &node) != 0 || !S_ISCHR(node.st_mode)) {
    close(fd);
    return false;
  }
  const SerialIdentity identity =
      IdentifySerialDevice(kSysDir, major(node.st_rdev), minor(node.st_rdev));
  if (expected != nullptr) {
    refused = Refusal(*path, *expected, identity);
    if (!refused.empty()) {
      close(fd);
      return false;
    }
  }
  // The lock turns away programs that lock, TIOCEXCL those that do not.
  termios found{};
  if (tcgetattr(fd, &found) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    close(fd);
    return false;
  }
  if (!SetLine(fd, *lineMode, found)) {
    tcsetattr(fd, TCSANOW, &found);
    ioctl(fd, TIOCNXCL);
    close(fd);
    return false;
  }
  port.fd = fd;
  port.saved = found;
  port.mode = *lineMode;
  port.readPos = port.readEnd = 0;
  port.gone = false;
  port.identity = identity;
  return true;
}

}  // namespace

SerialPort::SerialPort() : native_(std::make_unique<Native>()) {}

SerialPort::~SerialPort() {
  Close();
}

bool SerialPort::Open(std::int32_t portNumber, std::string_view mode) {
  std::string refused;
  return OpenDevice(*native_, portNumber, mode, nullptr, refused);
}

SerialPort::Reopening SerialPort::Reopen(std::int32_t portNumber, std::string_view mode) {
  const SerialIdentity before = native_->identity;
  Reopening result;
  result.opened = OpenDevice(*native_, portNumber, mode, &before, result.refused);
  return result;
}

void SerialPort::Close() {
  CloseDevice(*native_);
}

bool SerialPort::IsOpen() const {
  return native_->fd >= 0;
}

bool SerialPort::Gone() const {
  return native_->fd >= 0 && native_->gone;
}

bool SerialPort::ReadByte(std::uint8_t& byte) {
  Native& port = *native_;
  if (port.readPos == port.readEnd && !TakeWaiting(port)) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
    const timespec wait = ToTimespec(std::chrono::milliseconds(kReadTimeoutMs));
    pollfd ready{port.fd, POLLIN, 0};
    const int events = ppoll(&ready, 1, &wait, nullptr);
    if (events > 0 && (ready.revents & POLLIN) != 0 && TakeWaiting(port)) {
      byte = port.readAhead[port.readPos++];
      return true;
    }
    // A device that went away reports ready at once, forever; waiting out the
    // timeout keeps a caller that polls in a loop from spinning.
    if (events > 0 && (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      port.gone = true;
    }
    if (events != 0) {
      std::this_thread::sleep_until(deadline);
    }
    return false;
  }
  byte = port.readAhead[port.readPos++];
  return true;
}

bool SerialPort::InputWaiting() {
  Native& port = *native_;
  return port.fd >= 0 && (port.readPos < port.readEnd || TakeWaiting(port));
}

// A device that stops reading (a stalled adapter, a terminal nobody reads) would
// block a plain write for ever and hang the link; once the bytes have had twice
// their time on the wire the rest is dropped, like any other failed write.
void SerialPort::Write(const std::uint8_t* bytes, std::size_t count) {
  Native& port = *native_;
  const auto deadline =
      Clock::now() + DrainTime(port.mode, QueuedOutput(port.fd) + static_cast<std::int64_t>(count));
  while (count > 0) {
    const ssize_t put = write(port.fd, bytes, count);
    const Io outcome = Outcome(put);
    if (outcome == Io::kDone) {
      bytes += put;
      count -= static_cast<std::size_t>(put);
      continue;
    }
    const auto left = deadline - Clock::now();
    if (outcome == Io::kGone) {
      port.gone = true;
      return;
    }
    if (outcome == Io::kFailed || left <= Clock::duration::zero()) {
      return;
    }
    const timespec wait = ToTimespec(left);
    pollfd ready{port.fd, POLLOUT, 0};
    ppoll(&ready, 1, &wait, nullptr);
  }
}

void RefreshSerialPortMap() {
  try {
    UpdateSerialPortMap(FindSerialDevices("/dev", "/sys/class/tty"));
  } catch (const std::exception&) {
    // The numbers already stored still resolve.
  }
}

}  // namespace keldo
