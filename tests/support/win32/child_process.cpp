#include "tests/support/child_process.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace keldo::test {

struct ChildProcess::State {
  PROCESS_INFORMATION process{};
  std::filesystem::path output;
  std::optional<int> exitCode;
};

namespace {

// The build machine's paths are Unix paths; Wine shows its root as drive Z:.
std::string WindowsPath(const std::filesystem::path& path) {
  std::string text = path.string();
  if (!text.empty() && text.front() == '/') {
    text = "Z:" + text;
  }
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::filesystem::path& outputFile,
                           const std::vector<std::string>& args)
    : state_(std::make_unique<State>()) {
  state_->output = outputFile;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE out = ::CreateFileA(WindowsPath(outputFile).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    return;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out;
  startup.hStdError = out;
  // Arguments without quotes or spaces are all the tests pass.
  std::string command = "\"" + WindowsPath(program) + "\"";
  for (const std::string& arg : args) {
    command += " " + arg;
  }
  // A console of its own, so that a Ctrl+C can be raised there and nowhere else.
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &state_->process)) {
    state_->process = {};
  }
  ::CloseHandle(out);
}

ChildProcess::~ChildProcess() {
  if (state_->process.hProcess != nullptr) {
    if (!state_->exitCode) {
      ::TerminateProcess(state_->process.hProcess, 1);
      ::WaitForSingleObject(state_->process.hProcess, 5000);
    }
    ::CloseHandle(state_->process.hProcess);
    ::CloseHandle(state_->process.hThread);
  }
}

bool ChildProcess::Started() const {
  return state_->process.hProcess != nullptr;
}

// Joins the program's console for a moment and raises Ctrl+C there, ignoring
// it in this process.
bool ChildProcess::RequestTermination() {
  if (!Started() || state_->exitCode) {
    return false;
  }
  ::FreeConsole();
  if (!::AttachConsole(state_->process.dwProcessId)) {
    return false;
  }
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  const bool raised = ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE;
  ::FreeConsole();
  Sleep(100);
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  return raised;
}

bool ChildProcess::RequestReload() {
  return false;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (Started() && !state_->exitCode &&
      ::WaitForSingleObject(state_->process.hProcess, static_cast<DWORD>(timeout.count())) ==
          WAIT_OBJECT_0) {
    DWORD code = 0;
    ::GetExitCodeProcess(state_->process.hProcess, &code);
    state_->exitCode = static_cast<int>(code);
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
