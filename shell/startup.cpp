#include "shell/startup.h"

#include <exception>
#include <optional>
#include <stdexcept>

#include "shell/toolkit/messages.h"

namespace keldo {

int RunKeldoLink(ui::Toolkit& toolkit) {
  ui::Application& app = toolkit.App();
  // The running copy is neither activated nor told anything.
  if (toolkit.TopLevelWindowExists(TfrmKELDO::kClassName)) {
    app.ShowMessageBox(kProgramRunText, kProgramRunCaption, ui::kMbOk);
    return 0;
  }
  // Errors escaping a handler, also one inside FormCreate or FormShow, are
  // shown and the program goes on.
  toolkit.Loop().SetErrorReport(
      [&app](const std::exception& error) { app.HandleException(error); });
  std::optional<TfrmKELDO> window;
  try {
    app.SetTitle(kApplicationTitle);
    window.emplace(toolkit);
    window->Show();
    app.Run();
  } catch (const std::exception& error) {
    app.ShowException(error);
  } catch (...) {
    app.ShowException(std::runtime_error(""));
  }
  window.reset();
  toolkit.Loop().SetErrorReport(nullptr);
  return 0;
}

}  // namespace keldo
