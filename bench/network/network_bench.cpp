// Measures what the socket component costs over a direct readiness loop:
// round-trip latency of a 16-byte message echoed by the server side, and
// receive throughput with 1024-byte reads. The far side is the same plain
// blocking socket on a thread of its own in both runs, so the ratio is the
// component's (and its event loop's) overhead.
//
// Usage: network_bench [round-trips] [megabytes]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/network/readiness.h"
#include "engine/platform/platform_event_loop.h"
#include "engine/platform/socket_api.h"
#include "engine/socket_components.h"

namespace keldo::bench {
namespace {

using Clock = std::chrono::steady_clock;

const std::uint32_t kLoopback = net::InetAddr("127.0.0.1");

struct Latency {
  double p50Us = 0;
  double p99Us = 0;
};

struct Throughput {
  double megabytesPerSecond = 0;
  long long bytes = 0;
};

net::SocketHandle ConnectedPeer(std::uint16_t portNet) {
  const net::SocketHandle s = net::CreateTcpSocket();
  net::SetNoDelay(s);
  if (net::Connect(s, kLoopback, portNet) != 0) {
    std::fprintf(stderr, "connect failed\n");
    std::exit(1);
  }
  return s;
}

// The far side of the latency runs: send 16 bytes, wait for all 16 back.
std::vector<double> PingPong(std::uint16_t portNet, int roundTrips) {
  const net::SocketHandle s = ConnectedPeer(portNet);
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(roundTrips));
  char message[16] = "keldo-bench-pin";
  char reply[16];
  for (int i = 0; i < roundTrips; ++i) {
    const auto start = Clock::now();
    net::Send(s, message, sizeof message);
    int got = 0;
    while (got < 16) {
      const net::IoResult r = net::Recv(s, reply + got, 16 - got);
      if (r.count <= 0) {
        std::fprintf(stderr, "echo lost\n");
        std::exit(1);
      }
      got += r.count;
    }
    samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  net::CloseSocket(s);
  return samples;
}

// The far side of the throughput runs: send everything as fast as possible.
void Flood(std::uint16_t portNet, long long total) {
  const net::SocketHandle s = ConnectedPeer(portNet);
  const std::string chunk(64 * 1024, 'k');
  long long sent = 0;
  while (sent < total) {
    const int n = static_cast<int>(std::min<long long>(total - sent, chunk.size()));
    const net::IoResult r = net::Send(s, chunk.data(), n);
    if (r.count <= 0) {
      break;
    }
    sent += r.count;
  }
  net::CloseSocket(s);
}

Latency Percentiles(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const auto at = [&](double q) {
    return samples[static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1))];
  };
  return {at(0.50), at(0.99)};
}

// Runs the loop until done, looking at done every few milliseconds too
// (the far side finishes on its own thread).
void RunLoopUntil(EventLoop& loop, const std::atomic<bool>& done) {
  auto waker = loop.CreateTimer();
  waker->SetInterval(5);
  waker->SetOnTimer([] {});
  waker->SetEnabled(true);
  loop.RunUntil([&] { return done.load(); });
}

std::uint16_t ListeningPort(TServerSocket& server) {
  return net::LocalPort(server.Socket().SocketHandle());
}

Latency ComponentLatency(EventLoop& loop, int roundTrips) {
  TServerSocket server(loop);
  server.OnClientRead = [](void*, TCustomWinSocket* socket) {
    char buffer[1024];
    const int n = socket->ReceiveBytes(buffer, std::min(socket->PendingBytes(), 1024));
    if (n > 0) {
      socket->SendBytes(buffer, n);
    }
  };
  server.SetActive(true);
  std::atomic<bool> done{false};
  std::vector<double> samples;
  std::thread far([&] {
    samples = PingPong(ListeningPort(server), roundTrips);
    done = true;
  });
  RunLoopUntil(loop, done);
  far.join();
  server.SetActive(false);
  return Percentiles(samples);
}

Throughput ComponentThroughput(EventLoop& loop, long long total) {
  TServerSocket server(loop);
  long long received = 0;
  Clock::time_point first;
  Clock::time_point last;
  std::atomic<bool> done{false};
  server.OnClientConnect = [&](void*, TCustomWinSocket*) { first = Clock::now(); };
  server.OnClientRead = [&](void*, TCustomWinSocket* socket) {
    char buffer[1024];
    const int n = socket->ReceiveBytes(buffer, std::min(socket->PendingBytes(), 1024));
    received += std::max(n, 0);
  };
  server.OnClientDisconnect = [&](void*, TCustomWinSocket*) {
    last = Clock::now();
    done = true;
  };
  server.SetActive(true);
  std::thread far([&] { Flood(ListeningPort(server), total); });
  RunLoopUntil(loop, done);
  far.join();
  server.SetActive(false);
  const double seconds = std::chrono::duration<double>(last - first).count();
  return {static_cast<double>(received) / (1024.0 * 1024.0) / seconds, received};
}

// The baselines: one accepted socket and a bare readiness wait around recv.
net::SocketHandle BaselineListen(std::uint16_t& portNet) {
  const net::SocketHandle listener = net::CreateTcpSocket();
  net::Bind(listener, kLoopback, 0);
  net::Listen(listener, 5);
  portNet = net::LocalPort(listener);
  return listener;
}

Latency BaselineLatency(int roundTrips) {
  std::uint16_t portNet = 0;
  const net::SocketHandle listener = BaselineListen(portNet);
  std::vector<double> samples;
  std::thread far([&] { samples = PingPong(portNet, roundTrips); });
  const net::SocketHandle s = net::Accept(listener).socket;
  net::SetNoDelay(s);
  char buffer[1024];
  for (;;) {
    if (!WaitReadable(s, 1000)) {
      continue;
    }
    const net::IoResult r = net::Recv(s, buffer, sizeof buffer);
    if (r.count <= 0) {
      break;
    }
    net::Send(s, buffer, r.count);
  }
  far.join();
  net::CloseSocket(s);
  net::CloseSocket(listener);
  return Percentiles(samples);
}

Throughput BaselineThroughput(long long total) {
  std::uint16_t portNet = 0;
  const net::SocketHandle listener = BaselineListen(portNet);
  std::thread far([&] { Flood(portNet, total); });
  const net::SocketHandle s = net::Accept(listener).socket;
  const auto first = Clock::now();
  long long received = 0;
  char buffer[1024];
  for (;;) {
    if (!WaitReadable(s, 1000)) {
      continue;
    }
    const net::IoResult r = net::Recv(s, buffer, sizeof buffer);
    if (r.count <= 0) {
      break;
    }
    received += r.count;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - first).count();
  far.join();
  net::CloseSocket(s);
  net::CloseSocket(listener);
  return {static_cast<double>(received) / (1024.0 * 1024.0) / seconds, received};
}

}  // namespace
}  // namespace keldo::bench

int main(int argc, char** argv) {
  using namespace keldo;
  using namespace keldo::bench;
  const int roundTrips = argc > 1 ? std::atoi(argv[1]) : 20000;
  const long long megabytes = argc > 2 ? std::atoll(argv[2]) : 256;
  EnsureApplication(argc, argv);
  net::SocketLibraryStartup();
  std::unique_ptr<EventLoop> loop = CreatePlatformEventLoop();

  const Latency direct = BaselineLatency(roundTrips);
  const Latency component = ComponentLatency(*loop, roundTrips);
  const Throughput directRate = BaselineThroughput(megabytes * 1024 * 1024);
  const Throughput componentRate = ComponentThroughput(*loop, megabytes * 1024 * 1024);

  std::printf("16-byte round trip over loopback, %d round trips (microseconds)\n", roundTrips);
  std::printf("  %-22s p50 %8.1f   p99 %8.1f\n", "direct readiness loop", direct.p50Us,
              direct.p99Us);
  std::printf("  %-22s p50 %8.1f   p99 %8.1f\n", "socket component", component.p50Us,
              component.p99Us);
  std::printf("  ratio                  p50 %8.2f   p99 %8.2f\n", component.p50Us / direct.p50Us,
              component.p99Us / direct.p99Us);
  std::printf("Receive throughput, 1024-byte reads, %lld MiB (MiB/s)\n", megabytes);
  std::printf("  %-22s %8.1f  (%lld bytes)\n", "direct readiness loop",
              directRate.megabytesPerSecond, directRate.bytes);
  std::printf("  %-22s %8.1f  (%lld bytes)\n", "socket component", componentRate.megabytesPerSecond,
              componentRate.bytes);
  std::printf("  ratio                  %8.2f\n",
              directRate.megabytesPerSecond / componentRate.megabytesPerSecond);
  return 0;
}
