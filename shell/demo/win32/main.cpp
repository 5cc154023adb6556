// The widget demo as a Windows program (GUI subsystem).
//
// Usage: keldo-widget-demo [--report FILE] [--control FILE]
//   --report   writes the demo's report lines to FILE (default: standard
//              output), one line each, flushed at once
//   --control  checks FILE every 100 ms; a line "minimize" in it sends the
//              window the minimise command its title bar would send, "close"
//              a close request. The file is removed once read.
// The report also says "painted" once the window has painted itself first,
// and "exit <peak working set KiB>" at the end.

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "engine/platform/platform_event_loop.h"
#include "shell/demo/widget_demo.h"
#include "shell/toolkit/toolkit.h"

namespace {

std::string Argument(const char* name) {
  for (int i = 1; i + 1 < __argc; ++i) {
    if (std::strcmp(__argv[i], name) == 0) {
      return __argv[i + 1];
    }
  }
  return {};
}

void RunControl(const std::string& path, const std::function<void(const std::string&)>& say) {
  std::ifstream file(path);
  if (!file) {
    return;
  }
  std::string command;
  std::getline(file, command);
  file.close();
  ::DeleteFileA(path.c_str());
  if (command.rfind("minimize", 0) == 0) {
    HWND window = ::FindWindowA(keldo::demo::WidgetDemo::kClassName, nullptr);
    say(window != nullptr ? "control: minimize" : "control: no window");
    if (window != nullptr) {
      ::PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
  } else if (command.rfind("close", 0) == 0) {
    HWND window = ::FindWindowA(keldo::demo::WidgetDemo::kClassName, nullptr);
    say(window != nullptr ? "control: close" : "control: no window");
    if (window != nullptr) {
      ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
  } else {
    say("control: unknown command " + command);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  const std::string reportPath = Argument("--report");
  const std::string controlPath = Argument("--control");
  std::FILE* report = stdout;
  if (!reportPath.empty()) {
    report = std::fopen(reportPath.c_str(), "w");
    if (report == nullptr) {
      return 1;
    }
  }
  const auto say = [report](const std::string& line) {
    std::fprintf(report, "%s\n", line.c_str());
    std::fflush(report);
  };

  std::unique_ptr<keldo::EventLoop> loop = keldo::CreatePlatformEventLoop();
  std::unique_ptr<keldo::ui::Toolkit> toolkit = keldo::ui::CreatePlatformToolkit(*loop);
  keldo::ui::Application& app = toolkit->App();
  loop->SetErrorReport([&app](const std::exception& error) { app.HandleException(error); });
  app.SetTitle(keldo::demo::WidgetDemo::kCaption);

  std::unique_ptr<keldo::Timer> control;
  {
    keldo::demo::WidgetDemo demo(*toolkit, say);
    demo.Show();
    // Show paints at once; what is still queued for the window goes now.
    loop->ProcessEvents();
    say("painted");
    if (!controlPath.empty()) {
      control = loop->CreateTimer();
      control->SetInterval(100);
      control->SetOnTimer([&controlPath, &say] { RunControl(controlPath, say); });
      control->SetEnabled(true);
    }
    app.Run();
    control.reset();
  }

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
  say("exit " + std::to_string(memory.PeakWorkingSetSize / 1024));
  if (report != stdout) {
    std::fclose(report);
  }
  return 0;
}
