#pragma once

#include <memory>

#include "engine/event_loop.h"

namespace keldo {

// The production loop of this platform: the Win32 message loop on Windows,
// Qt's on Linux (a QCoreApplication or QApplication must exist first).
std::unique_ptr<EventLoop> CreatePlatformEventLoop();

}  // namespace keldo
