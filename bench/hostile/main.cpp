// keldo-linkd against hostile peers, each phase on a fresh daemon in server
// mode with a pseudo-terminal for a device:
// - urgent: a peer sends one TCP urgent byte, then a line; measured are the
//   daemon's CPU while the peer stays connected, whether the line reached the
//   device, and whether the peer's close is seen ("Socket Disconnect.");
// - burst: N peers connect at once; measured is the time until the daemon has
//   accepted them all ("Socket Connect." N times);
// - churn, allowed: connections from one address, one after the other, each
//   closed by the peer at once: how many a second the daemon accepts, without
//   ServerAllow and with a list of 16 entries that admits the peer only at
//   its last;
// - refused: how many a second it refuses from an address outside that list
//   (each peer waits for the daemon's close).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bridge_process.h"
#include "free_port.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
  std::string keldo;
  int peers = 200;
  double seconds = 5;
  int connections = 2000;
  std::string phases = "urgent,burst,churn,allowed,refused";
};

// 15 ranges that do not hold the peers, then the one that does.
constexpr const char* kAllowList =
    "10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16, 100.64.0.0/10, 169.254.0.0/16, 192.0.2.0/24, "
    "198.51.100.0/24, 203.0.113.0/24, 198.18.0.0/15, 224.0.0.0/4, 240.0.0.0/4, 1.1.1.1, "
    "8.8.8.8, 9.9.9.9, 127.0.0.2/32, 127.0.0.1";

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// One daemon with its hive, its device and its log.
class Daemon {
 public:
  Daemon(const Options& o, const std::string& name, const std::string& allow = "")
      : port_(keldo::bench::FreeLoopbackPort()) {
    work_ = fs::temp_directory_path() / ("keldo-hostile-" + std::to_string(getpid()) + "-" + name);
    fs::create_directories(work_);
    int slave = -1;
    char path[256] = {};
    openpty(&master_, &slave, path, nullptr, nullptr);
    close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    char port[16];
    std::snprintf(port, sizeof port, "%08x", port_);
    std::ofstream(work_ / "HKEY_LOCAL_MACHINE.reg")
        << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n\"" << path
        << "\"=\"COM99\"\n\n[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\n"
        << "\"ServerMode\"=dword:00000001\n\"ServerPort\"=dword:" << port << "\n"
        << "\"COMPort\"=dword:00000063\n\"COMBaud\"=dword:00000005\n"
        << "\"ServerAllow\"=\"" << allow << "\"\n";
    process_ = std::make_unique<keldo::bench::BridgeProcess>(
        "keldo-linkd", std::vector<std::string>{o.keldo},
        std::vector<std::string>{"KELDO_REGISTRY_DIR=" + work_.string()}, (work_ / "log").string());
  }
  ~Daemon() {
    process_.reset();
    close(master_);
    fs::remove_all(work_);
  }

  int Port() const { return port_; }
  std::string Log() const { return ReadFile(work_ / "log"); }
  bool WaitFor(const std::string& line, int times, double seconds) const {
    const auto start = Clock::now();
    while (Count(Log(), line) < times) {
      if (SecondsSince(start) > seconds) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  double CpuSeconds() const { return process_->CpuSeconds(); }
  std::string DeviceReceived() const {
    std::string got;
    char buffer[256];
    ssize_t n = 0;
    while ((n = read(master_, buffer, sizeof buffer)) > 0) {
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  fs::path work_;
  int port_;
  int master_ = -1;
  std::unique_ptr<keldo::bench::BridgeProcess> process_;
};

int Connect(int port, bool blocking, const char* from = nullptr) {
  const int fd = socket(AF_INET, SOCK_STREAM | (blocking ? 0 : SOCK_NONBLOCK), 0);
  if (from != nullptr) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from, &local.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  return fd;
}

bool WaitStarted(const Daemon& daemon, const char* phase) {
  if (!daemon.WaitFor("COM Port Open Ok.", 1, 10)) {
    std::printf("%s: the daemon did not start:\n%s\n", phase, daemon.Log().c_str());
    return false;
  }
  // The link set-up blocks its loop for a second after that line.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  return true;
}

void Urgent(const Options& o) {
  Daemon daemon(o, "urgent");
  if (!daemon.WaitFor("COM Port Open Ok.", 1, 10)) {
    std::printf("urgent: the daemon did not start:\n%s\n", daemon.Log().c_str());
    return;
  }
  const int peer = Connect(daemon.Port(), true);
  daemon.WaitFor("Socket Connect.", 1, 5);
  const char urgent = '!';
  send(peer, &urgent, 1, MSG_OOB);
  send(peer, "hello\r", 6, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double cpu0 = daemon.CpuSeconds();
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(o.seconds));
  const double cpu = (daemon.CpuSeconds() - cpu0) / SecondsSince(start);
  const std::string received = daemon.DeviceReceived();
  close(peer);
  const bool closeSeen = daemon.WaitFor("Socket Disconnect.", 1, 3);
  std::printf("urgent byte: CPU %.1f %% of a core over %.0f s, device received \"%s\", close %s\n",
              100 * cpu, o.seconds,
              received == "!hello\r" ? "!hello\\r"
              : received.empty()     ? ""
                                     : "(other)",
              closeSeen ? "seen" : "never seen");
}

void Burst(const Options& o) {
  Daemon daemon(o, "burst");
  if (!WaitStarted(daemon, "burst")) {
    return;
  }
  std::vector<int> peers;
  const auto start = Clock::now();
  for (int i = 0; i < o.peers; ++i) {
    peers.push_back(Connect(daemon.Port(), false));
  }
  const bool all = daemon.WaitFor("Socket Connect.", o.peers, 60);
  const double took = SecondsSince(start);
  const int accepted = Count(daemon.Log(), "Socket Connect.");
  for (int fd : peers) {
    close(fd);
  }
  if (all) {
    std::printf("burst: %d peers at once, all accepted in %.3f s\n", o.peers, took);
  } else {
    std::printf("burst: %d peers at once, %d accepted after %.0f s\n", o.peers, accepted, took);
  }
}

void ChurnAccepted(const Options& o, const char* label, const std::string& allow) {
  Daemon daemon(o, "churn", allow);
  if (!WaitStarted(daemon, "churn")) {
    return;
  }
  const auto start = Clock::now();
  for (int i = 0; i < o.connections; ++i) {
    close(Connect(daemon.Port(), true));
  }
  const bool all = daemon.WaitFor("Socket Connect.", o.connections, 60);
  const double took = SecondsSince(start);
  std::printf("churn, %s: %d connections from 127.0.0.1 %s in %.3f s: %.0f a second\n", label,
              o.connections, all ? "accepted" : "NOT all accepted", took, o.connections / took);
}

void ChurnRefused(const Options& o) {
  Daemon daemon(o, "refused", kAllowList);
  if (!WaitStarted(daemon, "refused")) {
    return;
  }
  int refused = 0;
  const auto start = Clock::now();
  for (int i = 0; i < o.connections; ++i) {
    const int fd = Connect(daemon.Port(), true, "127.0.0.3");
    pollfd p{fd, POLLIN, 0};
    char byte = 0;
    const bool closed = poll(&p, 1, 2000) == 1 && recv(fd, &byte, 1, 0) <= 0;
    close(fd);
    if (!closed) {
      break;  // a daemon that does not refuse (one without ServerAllow)
    }
    ++refused;
  }
  const double took = SecondsSince(start);
  std::printf(
      "churn, refused: %d of %d connections from 127.0.0.3 closed by the daemon in %.3f "
      "s: %.0f a second; connections accepted: %d\n",
      refused, o.connections, took, refused / took, Count(daemon.Log(), "Socket Connect."));
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    if (key == "--keldo") {
      o.keldo = argv[i + 1];
    } else if (key == "--peers") {
      o.peers = std::atoi(argv[i + 1]);
    } else if (key == "--seconds") {
      o.seconds = std::atof(argv[i + 1]);
    } else if (key == "--connections") {
      o.connections = std::atoi(argv[i + 1]);
    } else if (key == "--phases") {
      o.phases = argv[i + 1];
    }
  }
  if (o.keldo.empty()) {
    std::fprintf(stderr,
                 "usage: %s --keldo PATH [--peers 200] [--seconds 5] [--connections 2000] "
                 "[--phases urgent,burst,churn,allowed,refused]\n",
                 argv[0]);
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  setvbuf(stdout, nullptr, _IOLBF, 0);
  const auto wanted = [&o](const char* phase) { return o.phases.find(phase) != std::string::npos; };
  if (wanted("urgent")) {
    Urgent(o);
  }
  if (wanted("burst")) {
    Burst(o);
  }
  if (wanted("churn")) {
    ChurnAccepted(o, "no ServerAllow", "");
  }
  if (wanted("allowed")) {
    ChurnAccepted(o, "ServerAllow of 16 entries, the peer's last", kAllowList);
  }
  if (wanted("refused")) {
    ChurnRefused(o);
  }
  return 0;
}
