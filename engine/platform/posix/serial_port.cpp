#include "engine/platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <exception>

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
};

namespace {

// What a device that stops taking bytes still gets to drain before a write or a
// close gives up: twice the time the bytes need on the wire, plus this.
constexpr std::int64_t kDrainSlackMs = 200;

enum class Io { kDone, kRetry, kFailed };

// The one place errno is read. kFailed covers a device that went away: reads then
// give EIO or 0, writes EIO.
Io Outcome(ssize_t result) {
  if (result > 0) {
    return Io::kDone;
  }
  if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    return Io::kRetry;
  }
  return Io::kFailed;
}

timespec Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

timespec After(timespec t, std::int64_t ms) {
  const std::int64_t ns = t.tv_nsec + (ms % 1000) * 1000000;
  t.tv_sec += static_cast<time_t>(ms / 1000 + ns / 1000000000);
  t.tv_nsec = static_cast<long>(ns % 1000000000);
  return t;
}

// Time left until deadline; false once it has passed.
bool TimeLeft(const timespec& deadline, timespec& left) {
  const timespec now = Now();
  std::int64_t ns = (static_cast<std::int64_t>(deadline.tv_sec) - now.tv_sec) * 1000000000 +
                    (deadline.tv_nsec - now.tv_nsec);
  if (ns <= 0) {
    return false;
  }
  left.tv_sec = static_cast<time_t>(ns / 1000000000);
  left.tv_nsec = static_cast<long>(ns % 1000000000);
  return true;
}

void SleepUntil(const timespec& deadline) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

std::int64_t DrainTimeMs(const LineMode& mode, std::int64_t bytes) {
  return 2 * bytes * mode.BitsPerByte() * 1000 / mode.baud + kDrainSlackMs;
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
  if (Outcome(got) != Io::kDone) {
    return false;
  }
  port.readPos = 0;
  port.readEnd = static_cast<std::size_t>(got);
  return true;
}

// Bytes the device never took would otherwise hold up close for the driver's
// closing wait, and would go out at the restored speed.
void DrainOutput(const SerialPort::Native& port) {
  const timespec deadline = After(Now(), DrainTimeMs(port.mode, QueuedOutput(port.fd)));
  timespec left{};
  while (QueuedOutput(port.fd) > 0) {
    if (!TimeLeft(deadline, left)) {
      tcflush(port.fd, TCOFLUSH);
      return;
    }
    SleepUntil(After(Now(), 1));
  }
}

}  // namespace

SerialPort::SerialPort() : native_(std::make_unique<Native>()) {}

SerialPort::~SerialPort() {
  Close();
}

bool SerialPort::Open(std::int32_t portNumber, std::string_view mode) {
  Close();
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
  Native& port = *native_;
  port.fd = fd;
  port.saved = found;
  port.mode = *lineMode;
  port.readPos = port.readEnd = 0;
  return true;
}

void SerialPort::Close() {
  Native& port = *native_;
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

bool SerialPort::IsOpen() const {
  return native_->fd >= 0;
}

bool SerialPort::ReadByte(std::uint8_t& byte) {
  Native& port = *native_;
  if (port.readPos == port.readEnd && !TakeWaiting(port)) {
    const timespec deadline = After(Now(), kReadTimeoutMs);
    timespec left{};
    pollfd ready{port.fd, POLLIN, 0};
    const bool arrived = TimeLeft(deadline, left) && ppoll(&ready, 1, &left, nullptr) > 0 &&
                         (ready.revents & POLLIN) != 0 && TakeWaiting(port);
    if (!arrived) {
      // A device that went away reports ready at once, forever; waiting out the
      // timeout keeps a caller that polls in a loop from spinning.
      SleepUntil(deadline);
      return false;
    }
  }
  byte = port.readAhead[port.readPos++];
  return true;
}

// A device that stops reading (a stalled adapter, a terminal nobody reads) would
// block a plain write for ever and hang the link; once the bytes have had twice
// their time on the wire the rest is dropped, like any other failed write.
void SerialPort::Write(const std::uint8_t* bytes, std::size_t count) {
  const Native& port = *native_;
  const timespec deadline = After(
      Now(), DrainTimeMs(port.mode, QueuedOutput(port.fd) + static_cast<std::int64_t>(count)));
  timespec left{};
  while (count > 0) {
    const ssize_t put = write(port.fd, bytes, count);
    const Io outcome = Outcome(put);
    if (outcome == Io::kDone) {
      bytes += put;
      count -= static_cast<std::size_t>(put);
      continue;
    }
    if (outcome == Io::kFailed || !TimeLeft(deadline, left)) {
      return;
    }
    pollfd ready{port.fd, POLLOUT, 0};
    ppoll(&ready, 1, &left, nullptr);
  }
}

void RefreshSerialPortMap() {
  try {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    if (key.OpenPath(kSerialCommKey, true)) {
      AssignComNumbers(key, FindSerialDevices("/dev", "/sys/class/tty"));
    }
  } catch (const std::exception&) {
    // The numbers already stored still resolve.
  }
}

}  // namespace keldo
