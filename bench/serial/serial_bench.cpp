// Usage: serial_bench [megabytes to drain, default 8]
// Measures on a pseudo-terminal: how fast ReadLine drains lines that arrive as
// fast as the device side can write them, and what one ReadLine on an empty
// queue and on a vanished device costs in wall and CPU time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/serial/thread_cpu.h"
#include "engine/serial_channel.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/registry_sandbox.h"

namespace keldo::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kPort = 21;
constexpr int kIdleCalls = 2000;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Wall time of each call, and the thread's CPU time over all of them.
void MeasureIdle(SerialChannel& channel, const char* what) {
  std::vector<double> wall;
  wall.reserve(kIdleCalls);
  const double cpuStart = ThreadCpuMilliseconds();
  for (int i = 0; i < kIdleCalls; ++i) {
    const auto start = Clock::now();
    channel.ReadLine();
    wall.push_back(MillisecondsSince(start));
  }
  const double cpu = ThreadCpuMilliseconds() - cpuStart;
  std::sort(wall.begin(), wall.end());
  std::printf("ReadLine, %s: wall p50 %.3f ms, p99 %.3f ms, max %.3f ms; CPU %.1f us per call\n",
              what, wall[kIdleCalls / 2], wall[kIdleCalls * 99 / 100], wall.back(),
              cpu * 1000.0 / kIdleCalls);
}

void MeasureDrain(SerialChannel& channel, test::FakeSerialDevice& device, long megabytes) {
  std::string line(63, 'x');
  line += '\r';
  std::string block;
  while (block.size() < 64 * 1024) {
    block += line;
  }
  const long blocks = megabytes * 16;
  const long long total = static_cast<long long>(block.size()) * blocks;

  const auto start = Clock::now();
  const double cpuStart = ThreadCpuMilliseconds();
  std::thread writer([&] {
    for (long i = 0; i < blocks; ++i) {
      device.Send(block);
    }
  });
  long long drained = 0;
  long long lines = 0;
  while (drained < total && MillisecondsSince(start) < 120000) {
    if (channel.ReadLine()) {
      drained += channel.LineLength();
      ++lines;
      channel.WritePort(nullptr, 0);  // the controller's next write empties it too
    }
  }
  const double seconds = MillisecondsSince(start) / 1000.0;
  const double cpu = ThreadCpuMilliseconds() - cpuStart;
  writer.join();
  std::printf(
      "ReadLine drain: %lld of %lld bytes in %lld lines, %.3f s: %.2f MB/s, "
      "reader CPU %.1f ns per byte\n",
      drained, total, lines, seconds, drained / seconds / 1e6, cpu * 1e6 / drained);
}

int Run(long megabytes) {
  test::RegistrySandbox registry;
  test::FakeSerialDevice device(kPort);
  if (!device.Error().empty()) {
    std::fprintf(stderr, "no test device: %s\n", device.Error().c_str());
    return 1;
  }
  SerialChannel channel;
  if (!channel.OpenPort(kPort, "230400,n,8,1")) {
    std::fprintf(stderr, "cannot open COM%d\n", kPort);
    return 1;
  }
  MeasureIdle(channel, "empty queue");
  MeasureDrain(channel, device, megabytes);
  device.Vanish();
  MeasureIdle(channel, "vanished device");
  channel.ClosePort();
  return 0;
}

}  // namespace
}  // namespace keldo::bench

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::max(1L, std::atol(argv[1])) : 8;
  return keldo::bench::Run(megabytes);
}
