#include "engine/event_loop.h"

#include <cstdio>
#include <stdexcept>

namespace keldo {

EventLoop::EventLoop() = default;
EventLoop::~EventLoop() = default;

void EventLoop::ReportError(const std::exception& error) noexcept {
  if (errorReport_) {
    try {
      errorReport_(error);
      return;
    } catch (...) {
      // A report that fails falls back to stderr rather than unwinding into the loop.
    }
  }
  std::fprintf(stderr, "%s\n", error.what());
}

void EventLoop::ReportUnknownError() noexcept {
  ReportError(std::runtime_error("Unknown error"));
}

}  // namespace keldo
