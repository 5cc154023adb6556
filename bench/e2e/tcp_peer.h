#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keldo::bench {

class DeviceSimulator;

struct LatencyResult {
  std::vector<double> microseconds;  // one per answered exchange
  std::uint64_t failures = 0;        // wrong, missing or late replies
};

struct ThroughputResult {
  double seconds = 0;
  std::uint64_t bytes = 0;   // payload bytes that arrived intact and in order
  std::uint64_t errors = 0;  // bytes or replies lost, changed or out of order
};

// Device to network: what the peer made of a device's numbered lines.
struct LineStreamResult {
  double seconds = 0;
  std::uint64_t sent = 0;        // lines the device sent
  std::uint64_t once = 0;        // lines that arrived whole, in order, once
  std::uint64_t lost = 0;        // lines that never arrived
  std::uint64_t repeated = 0;    // lines that arrived again, or out of order
  std::uint64_t extraBytes = 0;  // bytes beyond what the device sent
  std::uint64_t bytes = 0;       // bytes received in all
};

// A TCP client on 127.0.0.1 playing the network side of the link.
class TcpPeer {
 public:
  TcpPeer() = default;
  ~TcpPeer();
  TcpPeer(const TcpPeer&) = delete;
  TcpPeer& operator=(const TcpPeer&) = delete;

  // Connects and completes one exchange, retrying until the bridge answers.
  bool ConnectAndWarmUp(int port, double timeoutSeconds);

  // Closed-loop request/response: one command out, its reply line back.
  LatencyResult Exchanges(int count, std::size_t replySize);
  ThroughputResult ExchangesFor(double seconds, std::size_t replySize);

  // Exchanges started at random moments (0 to 20 ms after the last reply):
  // what a request meets when it does not follow a reply at once.
  LatencyResult SpacedExchanges(int count, std::size_t replySize);

  // Network to device: a byte stream checked by the device simulator.
  ThroughputResult StreamFor(double seconds, DeviceSimulator& device);

  // Device to network: the device sends numbered lines as fast as the line
  // allows; every byte is checked here.
  LineStreamResult LinesFor(double seconds, DeviceSimulator& device, double bytesPerSecond);

 private:
  bool Exchange(std::uint64_t seq, std::size_t replySize, double timeoutSeconds);
  bool SendAll(const char* data, std::size_t size);

  int fd_ = -1;
  std::uint64_t seq_ = 1;
  std::string pending_;  // received bytes not yet matched to a reply
};

}  // namespace keldo::bench
