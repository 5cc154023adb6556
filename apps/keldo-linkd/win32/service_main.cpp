#include "apps/keldo-linkd/win32/service.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <atomic>
#include <memory>
#include <mutex>

#include "apps/keldo-linkd/daemon.h"
#include "apps/keldo-linkd/terminal_view.h"
#include "apps/keldo-linkd/trace.h"
#include "apps/keldo-linkd/win32/service_log.h"
#include "engine/platform/platform_event_loop.h"
#include "engine/settings_store.h"

namespace keldo {
namespace {

// The service manager's controls arrive on the dispatcher's thread; they
// reach the link's loop as messages to a window of that loop's thread.
constexpr UINT kStopMessage = WM_APP + 20;
constexpr UINT kReloadMessage = WM_APP + 21;
constexpr char kControlWindowClass[] = "KeldoServiceControl";
// The start-up takes a moment, the Stop sequence well under 10 s (systemd's
// TimeoutStopSec for the same daemon).
constexpr DWORD kStartWaitHintMs = 5000;
constexpr DWORD kStopWaitHintMs = 10000;

struct Service {
  DaemonCommand command;
  std::string name;
  SERVICE_STATUS_HANDLE handle = nullptr;
  std::mutex statusMutex;
  SERVICE_STATUS status{};
  std::atomic<HWND> window{nullptr};
  int exitCode = kExitOk;
};

Service* gService = nullptr;

void Report(DWORD state, int exitCode = kExitOk) {
  const std::lock_guard lock(gService->statusMutex);
  SERVICE_STATUS& status = gService->status;
  const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted =
      state == SERVICE_RUNNING
          ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PARAMCHANGE
          : 0;
  // A non-zero exit code is the service's own, so that the failure actions apply.
  status.dwWin32ExitCode = exitCode == kExitOk ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
  status.dwServiceSpecificExitCode = static_cast<DWORD>(exitCode);
  status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
  status.dwWaitHint = state == SERVICE_START_PENDING  ? kStartWaitHintMs
                      : state == SERVICE_STOP_PENDING ? kStopWaitHintMs
                                                      : 0;
  ::SetServiceStatus(gService->handle, &status);
}

void PostToLink(UINT message) {
  if (const HWND window = gService->window.load()) {
    ::PostMessageA(window, message, 0, 0);
  }
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      Report(SERVICE_STOP_PENDING);
      PostToLink(kStopMessage);
      return NO_ERROR;
    case SERVICE_CONTROL_PARAMCHANGE:
      PostToLink(kReloadMessage);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* loop = reinterpret_cast<EventLoop*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (loop != nullptr && message == kStopMessage) {
    loop->Quit();
    return 0;
  }
  if (loop != nullptr && message == kReloadMessage) {
    loop->HandleReloadRequest();
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateControlWindow(EventLoop& loop) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &ControlWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kControlWindowClass;
  ::RegisterClassA(&windowClass);
  const HWND window = ::CreateWindowExA(0, kControlWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, instance, nullptr);
  ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&loop));
  return window;
}

// The link on this thread's loop until a stop control or a failure.
int RunLink(ServiceLog& log) {
  const DaemonCommand& command = gService->command;
  const DaemonOutput output{[&log](const std::string& line) { log.Write(line, false); },
                            [&log](const std::string& line) { log.Write(line, true); }};
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> traceFile(nullptr, &std::fclose);
  if (command.trace) {
    std::string why;
    traceFile.reset(OpenTraceFile(*command.trace, why));
    if (!traceFile) {
      output.alert(
          EscapeControls("keldo-linkd: cannot open the trace file " + *command.trace + ": " + why));
      return kExitFailed;
    }
  }
  TraceWriter trace(traceFile.get());
  DaemonOptions options;
  options.settingsKey = InstanceSettingsKey(command.instance);
  options.trace = traceFile ? &trace : nullptr;
  options.consoleRequests = false;
  options.onStarted = [] { Report(SERVICE_RUNNING); };
  const auto loop = CreatePlatformEventLoop();
  const HWND window = CreateControlWindow(*loop);
  gService->window.store(window);
  const int exitCode = RunDaemon(*loop, output, options);
  gService->window.store(nullptr);
  ::DestroyWindow(window);
  return exitCode;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  gService->handle = ::RegisterServiceCtrlHandlerExA(gService->name.c_str(), &Control, nullptr);
  if (gService->handle == nullptr) {
    gService->exitCode = kExitFailed;
    return;
  }
  Report(SERVICE_START_PENDING);
  {
    ServiceLog log(gService->command.instance);
    gService->exitCode = RunLink(log);
  }
  Report(SERVICE_STOPPED, gService->exitCode);
}

}  // namespace

int RunAsService(const DaemonCommand& command, std::FILE* err) {
  Service service;
  service.command = command;
  service.name = ServiceName(command.instance);
  gService = &service;
  SERVICE_TABLE_ENTRYA table[] = {{service.name.data(), &ServiceMain}, {nullptr, nullptr}};
  const bool dispatched = ::StartServiceCtrlDispatcherA(table) != FALSE;
  const DWORD code = ::GetLastError();
  gService = nullptr;
  if (!dispatched) {
    std::fprintf(err,
                 "keldo-linkd: --run-service is for the service manager (--install-service "
                 "registers the service): error %lu\n",
                 static_cast<unsigned long>(code));
    return kExitFailed;
  }
  return service.exitCode;
}

}  // namespace keldo
