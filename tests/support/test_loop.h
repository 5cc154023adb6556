#pragma once

#include <chrono>
#include <functional>

#include "engine/event_loop.h"

namespace keldo::test {

// The process's platform loop, made once (after the application object the
// platform needs).
EventLoop& TestLoop();

// Handles events until done() is true or the time is up; returns done().
bool WaitUntil(EventLoop& loop, const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Handles events for the given time.
void RunFor(EventLoop& loop, std::chrono::milliseconds time);

}  // namespace keldo::test
