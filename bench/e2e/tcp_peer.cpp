#include "tcp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "device_simulator.h"
#include "payload.h"

namespace keldo::bench {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

}  // namespace

TcpPeer::~TcpPeer() {
  if (fd_ >= 0)
    close(fd_);
}

bool TcpPeer::ConnectAndWarmUp(int port, double timeoutSeconds) {
  const auto start = Clock::now();
  while (SecondsSince(start) < timeoutSeconds) {
    if (fd_ < 0) {
      fd_ = Connect(port);
      if (fd_ < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        continue;
      }
    }
    // A bridge may accept before its serial side is ready: retry the first
    // exchange, once a late reply to the last try has arrived and gone.
    if (Exchange(seq_++, 16, 1.0))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    char buf[4096];
    while (recv(fd_, buf, sizeof buf, MSG_DONTWAIT) > 0) {
    }
    pending_.clear();
  }
  return false;
}

bool TcpPeer::SendAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd_, data, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool TcpPeer::Exchange(std::uint64_t seq, std::size_t replySize, double timeoutSeconds) {
  const std::string command = "Q" + std::to_string(seq) + " " + std::to_string(replySize) + "\r";
  if (!SendAll(command.data(), command.size()))
    return false;
  const std::string expected = ReplyLine(seq, replySize);
  const auto start = Clock::now();
  char buf[4096];
  while (pending_.size() < expected.size()) {
    const double left = timeoutSeconds - SecondsSince(start);
    if (left <= 0)
      return false;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0)
      continue;
    const ssize_t n = recv(fd_, buf, sizeof buf, 0);
    if (n <= 0)
      return false;
    pending_.append(buf, static_cast<std::size_t>(n));
  }
  const bool ok = pending_.compare(0, expected.size(), expected) == 0;
  pending_.erase(0, expected.size());
  return ok;
}

LatencyResult TcpPeer::Exchanges(int count, std::size_t replySize) {
  LatencyResult result;
  for (int i = 0; i < count; ++i) {
    const auto start = Clock::now();
    if (Exchange(seq_++, replySize, 2.0)) {
      result.microseconds.push_back(SecondsSince(start) * 1e6);
    } else {
      ++result.failures;
      pending_.clear();
    }
  }
  return result;
}

ThroughputResult TcpPeer::ExchangesFor(double seconds, std::size_t replySize) {
  ThroughputResult result;
  const auto start = Clock::now();
  while (SecondsSince(start) < seconds) {
    if (Exchange(seq_++, replySize, 2.0)) {
      result.bytes += replySize;
    } else {
      ++result.errors;
      pending_.clear();
    }
  }
  result.seconds = SecondsSince(start);
  return result;
}

LatencyResult TcpPeer::SpacedExchanges(int count, std::size_t replySize) {
  LatencyResult result;
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> gapUs(0, 20000);
  for (int i = 0; i < count; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
    const auto start = Clock::now();
    if (Exchange(seq_++, replySize, 2.0)) {
      result.microseconds.push_back(SecondsSince(start) * 1e6);
    } else {
      ++result.failures;
      pending_.clear();
    }
  }
  return result;
}

LineStreamResult TcpPeer::LinesFor(double seconds, DeviceSimulator& device, double bytesPerSecond) {
  LineStreamResult result;
  std::string line;
  std::uint64_t next = 0;
  char buf[65536];
  const auto take = [&](const char* data, std::size_t size) {
    result.bytes += size;
    for (std::size_t i = 0; i < size; ++i) {
      line.push_back(data[i]);
      if (data[i] != '\r') {
        continue;
      }
      unsigned long long seq = 0;
      char tail = 0;
      if (line.size() == kStreamLineSize &&
          std::sscanf(line.c_str(), "S%10llu%c", &seq, &tail) == 2 && tail == '\r' &&
          line == StreamLine(seq) && seq >= next) {
        ++result.once;
        next = seq + 1;
      } else {
        ++result.repeated;
      }
      line.clear();
    }
  };
  const auto receive = [&](int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) {
      return false;
    }
    const ssize_t n = recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) {
      return false;
    }
    take(buf, static_cast<std::size_t>(n));
    return true;
  };
  const auto start = Clock::now();
  device.StartEmitting(bytesPerSecond);
  while (SecondsSince(start) < seconds) {
    receive(50);
  }
  result.sent = device.StopEmitting();
  // The tail: whatever is still on its way, until the link has been quiet for 1 s.
  auto lastByte = Clock::now();
  while (SecondsSince(lastByte) < 1.0) {
    if (receive(100)) {
      lastByte = Clock::now();
    }
  }
  result.seconds = SecondsSince(start);
  result.lost = result.sent - std::min(result.sent, result.once);
  const std::uint64_t sentBytes = result.sent * kStreamLineSize;
  result.extraBytes = result.bytes > sentBytes ? result.bytes - sentBytes : 0;
  return result;
}

ThroughputResult TcpPeer::StreamFor(double seconds, DeviceSimulator& device) {
  device.SetStreamMode(true);
  std::string chunk(65536, '\0');
  std::uint64_t sent = 0;
  const auto start = Clock::now();
  while (SecondsSince(start) < seconds) {
    for (std::size_t i = 0; i < chunk.size(); ++i)
      chunk[i] = PayloadByte(sent + i);
    if (!SendAll(chunk.data(), chunk.size()))
      break;
    sent += chunk.size();
  }
  // Wait for the tail to drain through the bridge, as long as it keeps moving.
  std::uint64_t last = device.StreamBytes();
  auto lastMove = Clock::now();
  while (device.StreamBytes() < sent && SecondsSince(lastMove) < 3.0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (device.StreamBytes() != last) {
      last = device.StreamBytes();
      lastMove = Clock::now();
    }
  }
  ThroughputResult result;
  result.seconds = std::chrono::duration<double>(lastMove - start).count();
  result.bytes = device.StreamBytes();
  result.errors = device.StreamErrors() + (sent - std::min(sent, result.bytes));
  device.SetStreamMode(false);
  return result;
}

}  // namespace keldo::bench
