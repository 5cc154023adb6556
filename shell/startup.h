#pragma once

#include "shell/frmKELDOU.h"
#include "shell/toolkit/toolkit.h"

namespace keldo {

inline constexpr const char* kApplicationTitle = "KELDO Link";
inline constexpr const char* kProgramRunText = "Program Run!";
inline constexpr const char* kProgramRunCaption = "System Message";

// The program after the platform's own set-up: refuses a second copy on this
// desktop, sets the title, creates and shows the main window, and runs the
// loop until the window has closed for good. Errors that escape the set-up
// are shown by the application's error display; the result is 0 on every
// path.
int RunKeldoLink(ui::Toolkit& toolkit);

}  // namespace keldo
