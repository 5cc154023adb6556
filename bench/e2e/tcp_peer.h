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

  // Network to device: a byte stream checked by the device simulator.
  ThroughputResult StreamFor(double seconds, DeviceSimulator& device);

 private:
  bool Exchange(std::uint64_t seq, std::size_t replySize, double timeoutSeconds);
  bool SendAll(const char* data, std::size_t size);

  int fd_ = -1;
  std::uint64_t seq_ = 1;
  std::string pending_;  // received bytes not yet matched to a reply
};

}  // namespace keldo::bench
