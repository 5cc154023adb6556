// Runs the same request/response and streaming load through each bridge and
// prints one table: keldo-linkd (and, under Wine, keldo-linkd.exe) beside
// plain raw bridges built from socat and ser2net, each joining the same
// simulated device to a TCP port on loopback.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bridge_process.h"
#include "device_simulator.h"
#include "free_port.h"
#include "payload.h"
#include "tcp_peer.h"

namespace keldo::bench {
namespace {

struct Options {
  std::string keldo;       // path of keldo-linkd
  std::string keldoExe;    // path of keldo-linkd.exe, run under Wine
  std::string winePrefix;  // the Wine prefix for it, created on first use
  std::vector<std::string> bridges = {"keldo-linkd", "socat", "ser2net"};
  int exchanges = 2000;
  int spaced = 300;
  int baud = 19200;
  double seconds = 60;
  double idleSeconds = 5;
  std::size_t replySize = 1000;
};

struct Row {
  std::string bridge;
  LatencyResult latency;
  LatencyResult spaced;
  LineStreamResult lines;
  ThroughputResult exchanges;
  ThroughputResult stream;
  double idleCpuMsPerS = 0;
  double busyCpuMsPerS = 0;
  double linesCpuMsPerS = 0;  // while the device streams lines at --baud
  long rssKiB = 0;
  std::string note;
};

std::string Hex8(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

// The COMBaud index of "<baud>,e,8,1".
unsigned ComBaudIndex(int baud) {
  const int speeds[] = {4800, 9600, 19200, 38400, 57600, 115200, 230400};
  for (unsigned i = 0; i < std::size(speeds); ++i) {
    if (speeds[i] == baud) {
      return 2 * i + 1;
    }
  }
  std::fprintf(stderr, "--baud must be one of 4800 ... 230400\n");
  std::exit(2);
}

std::string SettingsKey(const Options& o, int port) {
  std::ostringstream key;
  key << "[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\n"
      << "\"ServerID\"=dword:00000001\n"
      << "\"ServerName\"=\"BENCH\"\n"
      << "\"ServerMode\"=dword:00000001\n"
      << "\"ServerHost\"=\"127.0.0.1\"\n"
      << "\"ServerPort\"=dword:" << Hex8(static_cast<unsigned>(port)) << "\n"
      << "\"ServerAutoStart\"=dword:00000000\n"
      << "\"COMPort\"=dword:00000063\n"
      << "\"COMBaud\"=dword:" << Hex8(ComBaudIndex(o.baud)) << "\n";
  return key.str();
}

std::vector<std::string> WineEnvironment(const Options& o) {
  return {"WINEPREFIX=" + o.winePrefix, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="};
}

int RunWithEnvironment(const std::vector<std::string>& env, const std::string& command) {
  std::string line;
  for (const std::string& e : env) {
    line += e + " ";
  }
  return std::system((line + command).c_str());
}

// keldo-linkd.exe in a Wine prefix of its own: COM99 is a link to the
// device's terminal, the settings go into Wine's registry.
std::unique_ptr<BridgeProcess> StartKeldoUnderWine(const Options& o, const std::string& device,
                                                   int port, const std::filesystem::path& work) {
  const auto env = WineEnvironment(o);
  const std::filesystem::path prefix = o.winePrefix;
  if (!std::filesystem::exists(prefix / ".keldo-ready")) {
    std::fprintf(stderr, "creating the Wine prefix %s\n", o.winePrefix.c_str());
    RunWithEnvironment(env, "wineboot -i >/dev/null 2>&1 </dev/null && " +
                                std::string("WINEPREFIX=") + o.winePrefix + " wineserver -w");
    std::ofstream(prefix / ".keldo-ready");
  }
  std::filesystem::remove(prefix / "dosdevices" / "com99");
  std::filesystem::create_symlink(device, prefix / "dosdevices" / "com99");
  const auto reg = work / "settings.reg";
  std::ofstream(reg) << "REGEDIT4\n\n" << SettingsKey(o, port);
  RunWithEnvironment(env, "wine regedit /S 'Z:" + reg.string() + "' >/dev/null 2>&1 </dev/null");
  return std::make_unique<BridgeProcess>("keldo-linkd.exe",
                                         std::vector<std::string>{"wine", o.keldoExe}, env,
                                         (work / "keldo-linkd.exe.log").string());
}

// keldo-linkd reads its settings and its COM number map from hive files only.
// keldo-linkd-trace is the same with --trace into a file of the work folder.
std::unique_ptr<BridgeProcess> StartKeldo(const Options& o, const std::string& device, int port,
                                          const std::filesystem::path& work, bool trace) {
  const auto hives = work / "registry";
  std::filesystem::create_directories(hives);
  std::ofstream(hives / "HKEY_LOCAL_MACHINE.reg")
      << "REGEDIT4\n\n"
      << "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n"
      << "\"" << device << "\"=\"COM99\"\n\n"
      << SettingsKey(o, port);
  std::vector<std::string> argv{o.keldo};
  if (trace) {
    argv.push_back("--trace=" + (work / "trace.txt").string());
  }
  return std::make_unique<BridgeProcess>(
      trace ? "keldo-linkd-trace" : "keldo-linkd", argv,
      std::vector<std::string>{"KELDO_REGISTRY_DIR=" + hives.string(),
                               "XDG_CONFIG_HOME=" + (work / "config").string()},
      (work / "keldo-linkd.log").string());
}

std::unique_ptr<BridgeProcess> StartBridge(const Options& o, const std::string& name,
                                           const std::string& device, int port,
                                           const std::filesystem::path& work) {
  const std::string p = std::to_string(port);
  const std::string log = (work / (name + ".log")).string();
  if (name == "keldo-linkd" || name == "keldo-linkd-trace")
    return StartKeldo(o, device, port, work, name == "keldo-linkd-trace");
  if (name == "keldo-linkd.exe")
    return StartKeldoUnderWine(o, device, port, work);
  const std::string baud = std::to_string(o.baud);
  if (name == "socat") {
    return std::make_unique<BridgeProcess>(
        name,
        std::vector<std::string>{"socat", "TCP-LISTEN:" + p + ",bind=127.0.0.1,reuseaddr,nodelay",
                                 "FILE:" + device + ",rawer,b" + baud + ",parenb=1,parodd=0,cs8"},
        std::vector<std::string>{}, log);
  }
  if (name == "ser2net") {
    return std::make_unique<BridgeProcess>(
        name,
        std::vector<std::string>{"ser2net", "-n", "-u", "-Y",
                                 "connection: &bench#  accepter: tcp,127.0.0.1," + p, "-Y",
                                 "  connector: serialdev," + device + "," + baud + "e81,local"},
        std::vector<std::string>{}, log);
  }
  return nullptr;
}

double Percentile(std::vector<double> v, double q) {
  if (v.empty())
    return 0;
  std::sort(v.begin(), v.end());
  const auto i = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

Row Measure(const Options& o, const std::string& name) {
  Row row;
  row.bridge = name;
  const auto work = std::filesystem::temp_directory_path() /
                    ("keldo-e2e-" + std::to_string(getpid()) + "-" + name);
  std::filesystem::create_directories(work);
  DeviceSimulator device;
  device.Start();
  const int port = FreeLoopbackPort();
  auto bridge = StartBridge(o, name, device.DevicePath(), port, work);
  TcpPeer peer;
  if (!bridge || !peer.ConnectAndWarmUp(port, 15)) {
    row.note = "bridge did not answer; see " + work.string();
    return row;
  }
  std::fprintf(stderr, "%s: idle %.0f s\n", name.c_str(), o.idleSeconds);
  const double idle0 = bridge->CpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(o.idleSeconds));
  row.idleCpuMsPerS = (bridge->CpuSeconds() - idle0) * 1000 / o.idleSeconds;

  std::fprintf(stderr, "%s: %d exchanges\n", name.c_str(), o.exchanges);
  row.latency = peer.Exchanges(o.exchanges, 16);
  std::fprintf(stderr, "%s: %d exchanges at random moments\n", name.c_str(), o.spaced);
  row.spaced = peer.SpacedExchanges(o.spaced, 16);

  std::fprintf(stderr, "%s: %.0f s of %zu-byte replies, %.0f s of stream\n", name.c_str(),
               o.seconds, o.replySize, o.seconds);
  const double busy0 = bridge->CpuSeconds();
  row.exchanges = peer.ExchangesFor(o.seconds, o.replySize);
  row.stream = peer.StreamFor(o.seconds, device);
  row.busyCpuMsPerS =
      (bridge->CpuSeconds() - busy0) * 1000 / (row.exchanges.seconds + row.stream.seconds);
  std::fprintf(stderr, "%s: %.0f s of device lines at %d baud\n", name.c_str(), o.seconds, o.baud);
  const double lines0 = bridge->CpuSeconds();
  row.lines = peer.LinesFor(o.seconds, device, o.baud / 11.0);
  row.linesCpuMsPerS = (bridge->CpuSeconds() - lines0) * 1000 / o.seconds;
  row.rssKiB = bridge->PeakResidentKiB();
  if (device.BadCommands() != 0) {
    row.note = std::to_string(device.BadCommands()) + " garbled commands reached the device";
  }
  bridge->Stop();
  if (name == "keldo-linkd.exe") {
    RunWithEnvironment(WineEnvironment(o), "wineserver -k >/dev/null 2>&1");
  }
  device.Stop();
  std::filesystem::remove_all(work);
  return row;
}

void Print(const Options& o, const std::vector<Row>& rows) {
  std::printf(
      "| bridge | RTT p50 ms | RTT p99 ms | RTT max ms | failed | spaced RTT p50 ms | spaced RTT "
      "p99 ms | %zu-B replies KiB/s | lost | net->serial MiB/s | lost | device lines | at peer "
      "once | lost | repeated | extra bytes | CPU idle ms/s | CPU busy ms/s | CPU lines ms/s | "
      "peak "
      "RSS MiB |\n",
      o.replySize);
  std::printf(
      "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const Row& r : rows) {
    const auto& l = r.latency.microseconds;
    const auto& sp = r.spaced.microseconds;
    std::printf(
        "| %s | %.2f | %.2f | %.2f | %llu | %.2f | %.2f | %.1f | %llu | %.2f | %llu | %llu | %llu "
        "| "
        "%llu | %llu | %llu | %.2f | %.1f | %.1f | %.1f |%s%s\n",
        r.bridge.c_str(), Percentile(l, 0.5) / 1000, Percentile(l, 0.99) / 1000,
        l.empty() ? 0.0 : *std::max_element(l.begin(), l.end()) / 1000,
        static_cast<unsigned long long>(r.latency.failures + r.spaced.failures),
        Percentile(sp, 0.5) / 1000, Percentile(sp, 0.99) / 1000,
        r.exchanges.seconds > 0
            ? static_cast<double>(r.exchanges.bytes) / 1024 / r.exchanges.seconds
            : 0.0,
        static_cast<unsigned long long>(r.exchanges.errors),
        r.stream.seconds > 0 ? static_cast<double>(r.stream.bytes) / 1048576 / r.stream.seconds
                             : 0.0,
        static_cast<unsigned long long>(r.stream.errors),
        static_cast<unsigned long long>(r.lines.sent),
        static_cast<unsigned long long>(r.lines.once),
        static_cast<unsigned long long>(r.lines.lost),
        static_cast<unsigned long long>(r.lines.repeated),
        static_cast<unsigned long long>(r.lines.extraBytes), r.idleCpuMsPerS, r.busyCpuMsPerS,
        r.linesCpuMsPerS, static_cast<double>(r.rssKiB) / 1024, r.note.empty() ? "" : " ",
        r.note.c_str());
  }
  std::printf(
      "\n%d exchanges of 16-byte replies back to back and %d at random moments for latency; "
      "%.0f s per throughput phase; device lines of %zu bytes at %d baud (e,8,1).\n",
      o.exchanges, o.spaced, o.seconds, kStreamLineSize, o.baud);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const std::string value = argv[i + 1];
    if (key == "--keldo") {
      o.keldo = value;
    } else if (key == "--keldo-exe") {
      o.keldoExe = value;
    } else if (key == "--wine-prefix") {
      o.winePrefix = value;
    } else if (key == "--spaced") {
      o.spaced = std::atoi(value.c_str());
    } else if (key == "--baud") {
      o.baud = std::atoi(value.c_str());
      ComBaudIndex(o.baud);
    } else if (key == "--bridges") {
      o.bridges.clear();
      std::stringstream list(value);
      for (std::string b; std::getline(list, b, ',');)
        o.bridges.push_back(b);
    } else if (key == "--exchanges") {
      o.exchanges = std::atoi(value.c_str());
    } else if (key == "--seconds") {
      o.seconds = std::atof(value.c_str());
    } else if (key == "--idle") {
      o.idleSeconds = std::atof(value.c_str());
    } else if (key == "--reply") {
      o.replySize = static_cast<std::size_t>(std::clamp(std::atoi(value.c_str()), 32, 1023));
    } else {
      std::fprintf(stderr, "unknown option %s\n", key.c_str());
      std::exit(2);
    }
  }
  return o;
}

}  // namespace
}  // namespace keldo::bench

int main(int argc, char** argv) {
  using namespace keldo::bench;
  const Options o = Parse(argc, argv);
  std::vector<Row> rows;
  for (const std::string& b : o.bridges) {
    if ((b == "keldo-linkd" || b == "keldo-linkd-trace") && o.keldo.empty()) {
      std::fprintf(stderr, "--keldo <path of keldo-linkd> is needed for that bridge\n");
      return 2;
    }
    if (b == "keldo-linkd.exe" && (o.keldoExe.empty() || o.winePrefix.empty())) {
      std::fprintf(stderr, "--keldo-exe and --wine-prefix are needed for that bridge\n");
      return 2;
    }
    rows.push_back(Measure(o, b));
  }
  Print(o, rows);
  return 0;
}
