#include "device_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "payload.h"

namespace keldo::bench {

DeviceSimulator::DeviceSimulator() {
  char name[256] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    throw std::runtime_error("openpty failed");
  }
  slavePath_ = name;
  termios tio{};
  tcgetattr(slave_, &tio);
  cfmakeraw(&tio);
  tcsetattr(slave_, TCSANOW, &tio);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    throw std::runtime_error("pipe failed");
  }
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
}

DeviceSimulator::~DeviceSimulator() {
  Stop();
  for (int fd : {master_, slave_, wakeRead_, wakeWrite_}) {
    if (fd >= 0)
      close(fd);
  }
}

void DeviceSimulator::Start() {
  thread_ = std::thread([this] { Run(); });
}

void DeviceSimulator::Stop() {
  StopEmitting();
  if (thread_.joinable()) {
    const char b = 'x';
    (void)!write(wakeWrite_, &b, 1);
    thread_.join();
  }
}

void DeviceSimulator::StartEmitting(double bytesPerSecond) {
  emitted_ = 0;
  emitting_ = true;
  emitter_ = std::thread([this, bytesPerSecond] {
    const auto start = std::chrono::steady_clock::now();
    const double linesPerSecond = bytesPerSecond / static_cast<double>(kStreamLineSize);
    std::uint64_t sent = 0;
    while (emitting_) {
      const double elapsed =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const auto due = static_cast<std::uint64_t>(elapsed * linesPerSecond);
      std::string bytes;
      for (; sent < due; ++sent) {
        bytes += StreamLine(sent);
      }
      if (!bytes.empty()) {
        WriteAll(bytes);
        emitted_ = sent;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
}

std::uint64_t DeviceSimulator::StopEmitting() {
  emitting_ = false;
  if (emitter_.joinable()) {
    emitter_.join();
  }
  return emitted_;
}

void DeviceSimulator::SetStreamMode(bool on) {
  streamBytes_ = 0;
  streamErrors_ = 0;
  streamMode_ = on;
}

void DeviceSimulator::WriteAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
      return;
    } else {
      pollfd p{master_, POLLOUT, 0};
      poll(&p, 1, 10);
    }
  }
}

void DeviceSimulator::HandleCommand(const std::string& line) {
  unsigned long long seq = 0;
  unsigned long size = 0;
  if (std::sscanf(line.c_str(), "Q%llu %lu", &seq, &size) != 2 || size < 2 || size > 1023) {
    ++badCommands_;
    return;
  }
  WriteAll(ReplyLine(seq, size));
}

void DeviceSimulator::Run() {
  std::string line;
  char buf[65536];
  for (;;) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    if (fds[1].revents != 0)
      return;
    if ((fds[0].revents & POLLIN) == 0) {
      // No reader on the slave side yet (POLLHUP): wait instead of spinning.
      poll(nullptr, 0, 5);
      continue;
    }
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0)
      continue;
    if (streamMode_) {
      std::uint64_t pos = streamBytes_.load();
      std::uint64_t errors = 0;
      for (ssize_t i = 0; i < n; ++i, ++pos) {
        if (buf[i] != PayloadByte(pos))
          ++errors;
      }
      streamErrors_ += errors;
      streamBytes_ = pos;
      continue;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == '\r') {
        HandleCommand(line);
        line.clear();
      } else if (line.size() < 4096) {
        line.push_back(buf[i]);
      }
    }
  }
}

}  // namespace keldo::bench
