#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "engine/event_loop.h"

namespace keldo {

class Win32Timer;

// The Windows loop: the thread's message queue. Run dispatches every message
// of the thread, including windows the shell creates and thread messages.
//
// Timers run from their own due times: the loop waits on the message queue
// and a high-resolution waitable timer together, so intervals under the 10 ms
// that SetTimer allows are kept. Each timer also has a SetTimer twin, which
// keeps it ticking (at SetTimer's pace) while a loop that is not this one
// runs: a menu, a message box, a window being moved.
class Win32EventLoop final : public EventLoop {
 public:
  // Sees each message before it is dispatched; true means it was handled
  // (the shell's dialog-message processing).
  using MessageFilter = std::function<bool(MSG& message)>;

  Win32EventLoop();
  ~Win32EventLoop() override;

  std::unique_ptr<Timer> CreateTimer() override;
  std::unique_ptr<NotificationWindow> CreateNotificationWindow(NotificationSink& sink) override;
  void Post(std::function<void()> task) override;
  void ProcessEvents() override;
  void Sleep(std::uint32_t ms) override;
  void Run() override;
  bool RunUntil(const std::function<bool()>& done) override;
  void Quit() override;
  void QuitOnTerminationRequest() override;

  void SetMessageFilter(MessageFilter filter) { filter_ = std::move(filter); }

 private:
  friend class Win32Timer;

  using Clock = std::chrono::steady_clock;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Dispatch(MSG& message);
  void RunDueTimers();
  // Blocks until a message arrives or the next timer is due.
  void WaitForWork();
  UINT_PTR StartTimer(Win32Timer& timer, std::uint32_t ms);
  void StopTimer(UINT_PTR id);

  HWND window_ = nullptr;  // message-only: timers, posted tasks, quit requests
  HANDLE waitableTimer_ = nullptr;
  MessageFilter filter_;
  std::deque<std::function<void()>> tasks_;
  std::map<UINT_PTR, Win32Timer*> timers_;
  UINT_PTR nextTimerId_ = 1;
  int runDepth_ = 0;
  bool consoleHandlerInstalled_ = false;
};

}  // namespace keldo
