#pragma once

#include <cstdint>

#include "shell/toolkit/application.h"

namespace keldo::ui {

// The application's own handling of a window-menu or taskbar command that no
// hook took: kScMinimize minimises, kScRestore restores, kScClose closes the
// main form (if any). Other commands do nothing.
void PerformSystemCommand(Application& app, std::uintptr_t command);

}  // namespace keldo::ui
