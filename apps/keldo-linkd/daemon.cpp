#include "apps/keldo-linkd/daemon.h"

#include <exception>
#include <string>

#include "apps/keldo-linkd/command_line.h"
#include "apps/keldo-linkd/refusal_report.h"
#include "apps/keldo-linkd/serial_watch.h"
#include "apps/keldo-linkd/terminal_view.h"
#include "apps/keldo-linkd/trace.h"
#include "engine/allow_list.h"
#include "engine/link_controller.h"
#include "engine/settings_store.h"

namespace keldo {
namespace {

std::string NetworkFailure(const LinkSettings& settings, const std::string& reason) {
  if (settings.ServerMode == 1) {
    const std::string bind = JoinAddressList(settings.ServerBind, ' ');
    return "keldo-linkd: cannot listen on TCP port " + std::to_string(settings.ServerPort) +
           (bind.empty() ? "" : " at " + bind) + ": " + reason;
  }
  return "keldo-linkd: cannot connect to " + settings.ServerHost + ":" +
         std::to_string(settings.ServerPort) + ": " + reason;
}

// Reloads asked for while one runs (its Stop sequence handles events) are
// done once it has finished, not inside it.
class Reloader {
 public:
  Reloader(LinkController& controller, std::function<void()> reportUnreadable)
      : controller_(controller), reportUnreadable_(std::move(reportUnreadable)) {}

  void operator()() {
    if (running_) {
      again_ = true;
      return;
    }
    running_ = true;
    do {
      again_ = false;
      controller_.btnStopClick();
      reportUnreadable_();
      controller_.LoadSettingsAndReport();
      controller_.btnPlayClick();
    } while (again_);
    running_ = false;
  }

 private:
  LinkController& controller_;
  std::function<void()> reportUnreadable_;
  bool running_ = false;
  bool again_ = false;
};

}  // namespace

int RunDaemon(EventLoop& loop, const DaemonOutput& output, const DaemonOptions& options) {
  const auto alert = [&output](const std::string& text) { output.alert(EscapeControls(text)); };
  loop.SetErrorReport(
      [alert](const std::exception& error) { alert(std::string("Error: ") + error.what()); });
  int exitCode = kExitOk;
  TerminalView view(loop, output.log);
  LinkController controller(loop, view);
  controller.SetSettingsKey(options.settingsKey);
  controller.SetTrace(options.trace);
  view.SetOnNetworkOpenFailed([&](const std::string& reason) {
    alert(NetworkFailure(controller.Settings(), reason));
    exitCode = kExitFailed;
    loop.Quit();
  });
  RefusalReport refusals(loop, alert);
  view.SetOnPeerRefused([&refusals](const std::string& address) { refusals.Refused(address); });
  // Load gives the defaults both for settings that do not exist and for
  // settings it cannot read; only the second is worth a word.
  const auto reportUnreadable = [&] {
    if (const std::string why = DescribeUnreadableSettings(options.settingsKey); !why.empty()) {
      alert("keldo-linkd: cannot read the settings, " + why + "; using the defaults");
    }
  };
  Reloader reload(controller, reportUnreadable);
  // Before the termination requests: from then on a SIGHUP reloads.
  loop.SetOnReloadRequest([&reload] { reload(); });
  if (options.consoleRequests) {
    // A termination request from here on ends the daemon in order.
    loop.QuitOnTerminationRequest();
  }
  reportUnreadable();
  const SerialWatch watch(
      loop, controller, [alert](const std::string& message) { alert("keldo-linkd: " + message); });
  loop.Guard([&controller] {
    controller.FormShow();
    controller.btnPlayClick();
  });
  if (options.onStarted) {
    options.onStarted();
  }
  loop.Run();
  loop.Guard([&controller] { controller.btnStopClick(); });
  loop.SetOnReloadRequest(nullptr);
  view.Flush();
  refusals.Flush();
  return exitCode;
}

int RunLinkInTerminal(EventLoop& loop, const DaemonCommand& command, std::FILE* out,
                      std::FILE* err) {
  const DaemonOutput output{FileLines(out), FileLines(err)};
  DaemonOptions options;
  options.settingsKey = InstanceSettingsKey(command.instance);
  std::FILE* traceFile = nullptr;
  if (command.trace && !command.trace->empty()) {
    std::string why;
    traceFile = OpenTraceFile(*command.trace, why);
    if (traceFile == nullptr) {
      output.alert(
          EscapeControls("keldo-linkd: cannot open the trace file " + *command.trace + ": " + why));
      return kExitFailed;
    }
  }
  TraceWriter trace(traceFile != nullptr ? traceFile : err);
  if (command.trace) {
    options.trace = &trace;
  }
  const int exitCode = RunDaemon(loop, output, options);
  if (traceFile != nullptr) {
    std::fclose(traceFile);
  }
  return exitCode;
}

}  // namespace keldo
