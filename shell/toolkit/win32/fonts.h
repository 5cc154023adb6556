#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include "shell/toolkit/types.h"
#include "shell/toolkit/win32/gdi.h"

namespace keldo::ui::win32 {

// A regular font of the face and height given. Where the system lacks the
// face (Wine has no "Courier New"), a metric-compatible one takes its place,
// so texts keep the widths the layouts were made for.
OwnedFont CreateFontFor(const Font& font);

}  // namespace keldo::ui::win32
