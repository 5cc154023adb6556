#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

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

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Dispatch(MSG& message);
  void RunStarvedTimers();
  UINT_PTR StartTimer(Win32Timer& timer, std::uint32_t ms);
  void StopTimer(UINT_PTR id);

  HWND window_ = nullptr;  // message-only: timers, posted tasks, quit requests
  MessageFilter filter_;
  std::deque<std::function<void()>> tasks_;
  std::map<UINT_PTR, Win32Timer*> timers_;
  UINT_PTR nextTimerId_ = 1;
  int runDepth_ = 0;
  bool consoleHandlerInstalled_ = false;
};

}  // namespace keldo
