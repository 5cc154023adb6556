#include "bridge_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace keldo::bench {

BridgeProcess::BridgeProcess(std::string name, std::vector<std::string> argv,
                             std::vector<std::string> env, std::string logPath)
    : name_(std::move(name)) {
  pid_ = fork();
  if (pid_ < 0) {
    throw std::runtime_error("fork failed");
  }
  if (pid_ == 0) {
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    }
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0)
      dup2(devNull, 0);
    setpgid(0, 0);
    for (auto& e : env)
      putenv(e.data());
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::fprintf(stderr, "cannot start %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }
}

BridgeProcess::~BridgeProcess() {
  Stop();
}

bool BridgeProcess::Running() {
  if (pid_ <= 0)
    return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void BridgeProcess::Stop() {
  if (pid_ <= 0)
    return;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 300; ++i) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(-pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

double BridgeProcess::CpuSeconds() const {
  std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos)
    return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long utime = 0, stime = 0;
  // Fields after the command name start at "state" (field 3); utime is 14, stime 15.
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14)
      utime = std::stoul(field);
    if (i == 15)
      stime = std::stoul(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long BridgeProcess::StatusField(const char* field) const {
  std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  const std::size_t len = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, len, field) == 0)
      return std::atol(line.c_str() + len);
  }
  return 0;
}

long BridgeProcess::ResidentKiB() const {
  return StatusField("VmRSS:");
}
long BridgeProcess::PeakResidentKiB() const {
  return StatusField("VmHWM:");
}

}  // namespace keldo::bench
