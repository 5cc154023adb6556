#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace keldo::test {

struct ChildProcess::State {
  pid_t pid = -1;
  std::filesystem::path output;
  std::optional<int> exitCode;
};

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::filesystem::path& outputFile,
                           const std::vector<std::string>& args)
    : state_(std::make_unique<State>()) {
  state_->output = outputFile;
  const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out < 0) {
    return;
  }
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out, STDOUT_FILENO);
    ::dup2(out, STDERR_FILENO);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, STDIN_FILENO);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out);
  state_->pid = pid;
}

ChildProcess::~ChildProcess() {
  if (state_->pid > 0 && !state_->exitCode) {
    ::kill(state_->pid, SIGKILL);
    ::waitpid(state_->pid, nullptr, 0);
  }
}

bool ChildProcess::Started() const {
  return state_->pid > 0;
}

bool ChildProcess::RequestTermination() {
  return state_->pid > 0 && !state_->exitCode && ::kill(state_->pid, SIGTERM) == 0;
}

bool ChildProcess::RequestReload() {
  return state_->pid > 0 && !state_->exitCode && ::kill(state_->pid, SIGHUP) == 0;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (state_->pid > 0 && !state_->exitCode) {
    int status = 0;
    if (::waitpid(state_->pid, &status, WNOHANG) == state_->pid) {
      state_->exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return state_->exitCode;
}

std::string ChildProcess::Output() const {
  std::ifstream in(state_->output, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace keldo::test
