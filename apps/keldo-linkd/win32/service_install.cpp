#include "apps/keldo-linkd/win32/service.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <chrono>
#include <thread>

#include "apps/keldo-linkd/terminal_view.h"
#include "apps/keldo-linkd/win32/service_log.h"
#include "engine/settings_store.h"

namespace keldo {
namespace {

// As a systemd unit's RestartSec.
constexpr DWORD kRestartDelayMs = 5000;
constexpr DWORD kResetFailuresAfterS = 24 * 60 * 60;
// Longer than the Stop sequence ever takes.
constexpr auto kStopPatience = std::chrono::seconds(15);

constexpr const char* kEventLogsKey =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

std::string SystemText(DWORD code) {
  char text[512];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
  while (n > 0 && (static_cast<unsigned char>(text[n - 1]) <= ' ' || text[n - 1] == '.')) {
    --n;
  }
  return n > 0 ? std::string(text, n) : "error " + std::to_string(code);
}

void Say(std::FILE* file, const std::string& text) {
  std::fputs((EscapeControls(text) + "\n").c_str(), file);
}

int Refused(std::FILE* err, const char* doing, const std::string& name, DWORD code) {
  if (code == ERROR_ACCESS_DENIED) {
    Say(err, std::string("keldo-linkd: ") + doing + " the service " + name +
                 " needs an administrator (a prompt started with \"Run as administrator\"): " +
                 SystemText(code));
  } else {
    Say(err, std::string("keldo-linkd: ") + doing + " the service " + name +
                 " failed: " + SystemText(code));
  }
  return kExitFailed;
}

std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string FullPath(const std::string& path) {
  char full[4 * MAX_PATH];
  const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return n > 0 && n < sizeof full ? std::string(full, n) : path;
}

// The service starts in the system folder: the trace file is made absolute.
std::string ServiceCommandLine(const DaemonCommand& command) {
  std::string line = "\"" + ModulePath() + "\" --run-service";
  if (!command.instance.empty()) {
    line += " --instance " + command.instance;
  }
  if (command.trace) {
    line += " \"--trace=" + FullPath(*command.trace) + "\"";
  }
  return line;
}

bool Configure(SC_HANDLE service, const std::string& key) {
  std::string description = "Links a serial port to TCP with the settings in HKEY_LOCAL_MACHINE" +
                            key + " (keldo-linkd).";
  SERVICE_DESCRIPTIONA text{description.data()};
  SC_ACTION restart{SC_ACTION_RESTART, kRestartDelayMs};
  SERVICE_FAILURE_ACTIONSA actions{};
  actions.dwResetPeriod = kResetFailuresAfterS;
  actions.cActions = 1;  // the last action repeats for every later failure
  actions.lpsaActions = &restart;
  return ::ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &text) &&
         ::ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &actions);
}

// A stop with a non-zero exit code (the port could not be listened on)
// counts as a failure, not only a crash. Wine does not take it.
bool FailOnExitCode(SC_HANDLE service) {
  SERVICE_FAILURE_ACTIONS_FLAG onExitCode{TRUE};
  return ::ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onExitCode);
}

// The Event Log finds the text of the source's events in this program's
// message table. Shared by every instance, and left in place by an uninstall.
bool RegisterLogSource() {
  const std::string path = std::string(kEventLogsKey) + ServiceLog::kSource;
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::string module = ModulePath();
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  const bool done =
      ::RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(module.c_str()),
                       static_cast<DWORD>(module.size() + 1)) == ERROR_SUCCESS &&
      ::RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                       sizeof types) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return done;
}

// Handles closed on every path.
struct ServiceHandle {
  SC_HANDLE handle;
  ~ServiceHandle() {
    if (handle != nullptr) {
      ::CloseServiceHandle(handle);
    }
  }
};

bool WaitUntilStopped(SC_HANDLE service) {
  const auto deadline = std::chrono::steady_clock::now() + kStopPatience;
  SERVICE_STATUS status{};
  while (::QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

}  // namespace

std::string ServiceName(const std::string& instance) {
  return instance.empty() ? "KELDOLink" : "KELDOLink-" + instance;
}

int InstallService(const DaemonCommand& command, std::FILE* out, std::FILE* err) {
  const std::string name = ServiceName(command.instance);
  const ServiceHandle manager{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE)};
  if (manager.handle == nullptr) {
    return Refused(err, "installing", name, ::GetLastError());
  }
  const std::string display =
      command.instance.empty() ? "KELDO Link" : "KELDO Link (" + command.instance + ")";
  const std::string line = ServiceCommandLine(command);
  const ServiceHandle service{::CreateServiceA(
      manager.handle, name.c_str(), display.c_str(), SERVICE_CHANGE_CONFIG | DELETE,
      SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, line.c_str(), nullptr,
      nullptr, nullptr, nullptr, nullptr)};
  if (service.handle == nullptr) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_SERVICE_EXISTS) {
      Say(err, "keldo-linkd: the service " + name +
                   " is installed already; --uninstall-service removes it");
      return kExitFailed;
    }
    return Refused(err, "installing", name, code);
  }
  if (!Configure(service.handle, InstanceSettingsKey(command.instance))) {
    const DWORD code = ::GetLastError();
    ::DeleteService(service.handle);
    return Refused(err, "configuring", name, code);
  }
  if (!FailOnExitCode(service.handle)) {
    Say(err,
        "keldo-linkd: the service manager did not take the failure actions for an exit code (" +
            SystemText(::GetLastError()) + "): it restarts " + name + " after a crash only");
  }
  if (!RegisterLogSource()) {
    Say(err,
        "keldo-linkd: the Event Log source \"KELDO Link\" could not be registered; the "
        "service's events will show without their text");
  }
  Say(out, "keldo-linkd: installed the service " + name + " (" + line +
               "), started with Windows; start it now with: net start " + name);
  return kExitOk;
}

int UninstallService(const DaemonCommand& command, std::FILE* out, std::FILE* err) {
  const std::string name = ServiceName(command.instance);
  const ServiceHandle manager{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
  if (manager.handle == nullptr) {
    return Refused(err, "removing", name, ::GetLastError());
  }
  const ServiceHandle service{
      ::OpenServiceA(manager.handle, name.c_str(), DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS)};
  if (service.handle == nullptr) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_SERVICE_DOES_NOT_EXIST) {
      Say(err, "keldo-linkd: no service " + name + " is installed");
      return kExitFailed;
    }
    return Refused(err, "removing", name, code);
  }
  // Stopped first, so its Stop sequence runs before it goes.
  SERVICE_STATUS status{};
  if (::ControlService(service.handle, SERVICE_CONTROL_STOP, &status) &&
      !WaitUntilStopped(service.handle)) {
    Say(err, "keldo-linkd: the service " + name + " did not stop; it goes once it has");
  }
  if (!::DeleteService(service.handle)) {
    return Refused(err, "removing", name, ::GetLastError());
  }
  Say(out, "keldo-linkd: removed the service " + name);
  return kExitOk;
}

}  // namespace keldo
