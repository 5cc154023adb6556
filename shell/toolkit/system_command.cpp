#include "shell/toolkit/system_command.h"

#include "shell/toolkit/form.h"
#include "shell/toolkit/messages.h"

namespace keldo::ui {

void PerformSystemCommand(Application& app, std::uintptr_t command) {
  if (command == kScMinimize) {
    app.Minimize();
  } else if (command == kScRestore) {
    app.Restore();
  } else if (Form* main = app.MainForm(); command == kScClose && main != nullptr) {
    main->Close();
  }
}

}  // namespace keldo::ui
