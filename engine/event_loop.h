#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "engine/platform/notification_window.h"

namespace keldo {

// A millisecond timer owned by its user and driven by the loop that made it.
// Starts disabled with an interval of 1000 ms.
class Timer {
 public:
  using Handler = std::function<void()>;

  virtual ~Timer() = default;

  // Enabling a disabled timer starts its interval afresh; enabling an enabled
  // one changes nothing; disabling cancels a tick that is already due.
  void SetEnabled(bool enabled) {
    if (enabled != enabled_) {
      enabled_ = enabled;
      Reschedule();
    }
  }
  bool Enabled() const { return enabled_; }
  // A new interval restarts a running timer. 0 keeps the timer from ticking.
  void SetInterval(std::uint32_t ms) {
    if (ms != interval_) {
      interval_ = ms;
      Reschedule();
    }
  }
  std::uint32_t Interval() const { return interval_; }

  // The handler may disable, re-enable or destroy the timer.
  void SetOnTimer(Handler handler) { onTimer_ = std::move(handler); }

 protected:
  // For backends: cancel what is scheduled and, if Running(), schedule the
  // next tick one interval from now.
  virtual void Reschedule() = 0;
  bool Running() const { return enabled_ && interval_ > 0; }
  // For backends: runs the handler. Nothing of the timer may be touched
  // afterwards, as the handler may have destroyed it.
  void Tick() const {
    Handler handler = onTimer_;
    if (handler) {
      handler();
    }
  }

 private:
  Handler onTimer_;
  bool enabled_ = false;
  std::uint32_t interval_ = 1000;
};

// The single event loop of the user-interface thread. Timers, socket
// notifications, host lookups and posted tasks all arrive here one at a time.
//
// A handler that throws never unwinds into the loop: the exception goes to the
// error report (the application's global error display) and the loop goes on.
class EventLoop {
 public:
  using ErrorReport = std::function<void(const std::exception& error)>;

  EventLoop();
  virtual ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Timers are made here, never by naming a backend, so a test loop can fake
  // the clock.
  virtual std::unique_ptr<Timer> CreateTimer() = 0;

  // The per-connection notification window (socket notifications, lookups,
  // destruction requests). Kept apart from timers so that a virtual-time loop
  // can hand these to a real loop while faking time.
  virtual std::unique_ptr<NotificationWindow> CreateNotificationWindow(NotificationSink& sink) = 0;

  // Runs the task later, from the loop, after what is already queued.
  virtual void Post(std::function<void()> task) = 0;

  // Handles the events pending right now and returns without waiting. May be
  // called from inside a handler.
  virtual void ProcessEvents() = 0;

  // Blocks the thread for the given time; nothing is handled meanwhile.
  virtual void Sleep(std::uint32_t ms) = 0;

  // Handles events until Quit(). May be called again from a handler (a modal
  // dialog); Quit() ends every level, as the Win32 quit message does.
  virtual void Run() = 0;
  // Handles events until done() is true after an event, or Quit() (then the
  // outer levels end as well). Returns false when ended by Quit().
  virtual bool RunUntil(const std::function<bool()>& done) = 0;
  // Ends Run(). Called before Run(), it makes the next Run() return at once.
  virtual void Quit() = 0;
  // Turns the OS's termination requests (SIGINT, SIGTERM, SIGHUP on Linux; a
  // console control event on Windows) into Quit() on the loop's thread. On
  // Linux it also unblocks those signals: a program may block them from its
  // first line, and a request made meanwhile then arrives here.
  virtual void QuitOnTerminationRequest() = 0;
  // Makes the OS's request to read the configuration again (SIGHUP on Linux)
  // run handler on the loop's thread instead of Quit(); without a handler it
  // stays a termination request. Set it before QuitOnTerminationRequest.
  // Windows has no such request; a service's paramchange control is its own.
  void SetOnReloadRequest(std::function<void()> handler) { onReload_ = std::move(handler); }
  // Runs that handler as the OS's request does (for a request that comes
  // another way); false when there is none.
  bool HandleReloadRequest() {
    const std::function<void()> handler = onReload_;
    if (!handler) {
      return false;
    }
    Guard(handler);
    return true;
  }

  // The application's global error report. The default writes to stderr.
  void SetErrorReport(ErrorReport report) { errorReport_ = std::move(report); }
  void ReportError(const std::exception& error) noexcept;

  // Runs f and hands anything it throws to the error report. Backends call
  // every handler through this.
  template <class F>
  void Guard(F&& f) noexcept {
    try {
      f();
    } catch (const std::exception& e) {
      ReportError(e);
    } catch (...) {
      ReportUnknownError();
    }
  }

 private:
  void ReportUnknownError() noexcept;

  ErrorReport errorReport_;
  std::function<void()> onReload_;
};

}  // namespace keldo
