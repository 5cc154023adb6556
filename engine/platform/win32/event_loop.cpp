#include "engine/platform/win32/event_loop.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "engine/platform/platform_event_loop.h"
#include "engine/platform/win32/notification_window.h"

namespace keldo {
namespace {

constexpr UINT kRunTaskMessage = WM_APP + 1;
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr UINT kQuitRequestMessage = WM_APP + 2;
constexpr char kLoopWindowClass[] = "KeldoLoopWindow";

// The console control handler runs on a thread of its own; it may only post
// to the loop's window, and for a closing console wait until the loop is gone.
std::atomic<HWND> gQuitWindow{nullptr};
HANDLE gLoopGone = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type) {
  const HWND window = gQuitWindow.load();
  if (window == nullptr) {
    return FALSE;
  }
  ::PostMessageA(window, kQuitRequestMessage, 0, 0);
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
    // The system ends the process when this returns: give the program time to close.
    ::WaitForSingleObject(gLoopGone, 5000);
  }
  return TRUE;
}

}  // namespace

class Win32Timer final : public Timer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Win32Timer(Win32EventLoop& loop) : loop_(loop) {}
  ~Win32Timer() override { Stop(); }

  // Runs the handler; the next tick is due one interval from now.
  void Fire() {
    due_ = Clock::now() + std::chrono::milliseconds(Interval());
    Tick();
  }
  Clock::time_point Due() const { return due_; }
  bool IsDue(Clock::time_point now) const { return id_ != 0 && now >= due_; }
  // For the SetTimer twin, which runs on the system's coarse clock: a tick
  // that comes within half an interval of the last run would be a second in
  // a row.
  bool RanJustNow(Clock::time_point now) const {
    return now + std::chrono::milliseconds(Interval()) / 2 < due_;
  }

 private:
  void Reschedule() override {
    Stop();
    if (Running()) {
      // A fresh id each start: a WM_TIMER already taken from the queue for
      // the old one finds no timer and is dropped.
      due_ = Clock::now() + std::chrono::milliseconds(Interval());
      id_ = loop_.StartTimer(*this, Interval());
    }
  }
  void Stop() {
    if (id_ != 0) {
      loop_.StopTimer(id_);
      id_ = 0;
    }
  }

  Win32EventLoop& loop_;
  UINT_PTR id_ = 0;
  Clock::time_point due_{};
};

Win32EventLoop::Win32EventLoop() {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  if (::GetClassInfoA(instance, kLoopWindowClass, &windowClass) == FALSE) {
    windowClass.lpfnWndProc = &Win32EventLoop::WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kLoopWindowClass;
    ::RegisterClassA(&windowClass);
  }
  window_ = ::CreateWindowExA(0, kLoopWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              instance, nullptr);
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // High resolution where the system has it (Windows 10 1803 on); elsewhere a
  // plain waitable timer, as fine as the timer resolution the link holds.
  waitableTimer_ = ::CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer,
                                            TIMER_MODIFY_STATE | SYNCHRONIZE);
  if (waitableTimer_ == nullptr) {
    waitableTimer_ = ::CreateWaitableTimerW(nullptr, FALSE, nullptr);
  }
}

Win32EventLoop::~Win32EventLoop() {
  if (consoleHandlerInstalled_) {
    gQuitWindow.store(nullptr);
    ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
    ::SetEvent(gLoopGone);
  }
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
  if (waitableTimer_ != nullptr) {
    ::CloseHandle(waitableTimer_);
  }
}

std::unique_ptr<Timer> Win32EventLoop::CreateTimer() {
  return std::make_unique<Win32Timer>(*this);
}

std::unique_ptr<NotificationWindow> Win32EventLoop::CreateNotificationWindow(
    NotificationSink& sink) {
  return std::make_unique<Win32NotificationWindow>(*this, sink);
}

UINT_PTR Win32EventLoop::StartTimer(Win32Timer& timer, std::uint32_t ms) {
  const UINT_PTR id = nextTimerId_++;
  timers_[id] = &timer;
  ::SetTimer(window_, id, ms, nullptr);
  return id;
}

void Win32EventLoop::StopTimer(UINT_PTR id) {
  ::KillTimer(window_, id);
  timers_.erase(id);
}

void Win32EventLoop::Post(std::function<void()> task) {
  // One message per task keeps tasks in order with everything else posted.
  tasks_.push_back(std::move(task));
  ::PostMessageA(window_, kRunTaskMessage, 0, 0);
}

void Win32EventLoop::Dispatch(MSG& message) {
  if (message.message == WM_TIMER && message.hwnd == window_) {
    // This loop runs its timers from their due times; the twin's tick is
    // for loops that are not this one.
    RunDueTimers();
    return;
  }
  if (filter_ && filter_(message)) {
    return;
  }
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
  // A steady stream of socket messages must not hold a timer back.
  RunDueTimers();
}

void Win32EventLoop::RunDueTimers() {
  if (timers_.empty()) {
    return;
  }
  const Clock::time_point now = Clock::now();
  std::vector<std::pair<Clock::time_point, UINT_PTR>> due;
  for (const auto& [id, timer] : timers_) {
    if (timer->IsDue(now)) {
      due.emplace_back(timer->Due(), id);
    }
  }
  std::sort(due.begin(), due.end());
  // A handler may stop, restart or destroy any timer: each is looked up again.
  for (const auto& [when, id] : due) {
    const auto found = timers_.find(id);
    if (found != timers_.end() && found->second->IsDue(now)) {
      Win32Timer* timer = found->second;
      Guard([timer] { timer->Fire(); });
    }
  }
}

void Win32EventLoop::WaitForWork() {
  bool timing = false;
  Clock::time_point next = Clock::time_point::max();
  for (const auto& [id, timer] : timers_) {
    next = std::min(next, timer->Due());
    timing = true;
  }
  DWORD handles = 0;
  if (timing && waitableTimer_ != nullptr) {
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - Clock::now());
    if (wait.count() <= 0) {
      return;
    }
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = -std::max<LONGLONG>(1, wait.count() / 100);  // relative, 100 ns units
    if (::SetWaitableTimer(waitableTimer_, &dueTime, 0, nullptr, nullptr, FALSE) != FALSE) {
      handles = 1;
    }
  }
  ::MsgWaitForMultipleObjectsEx(handles, handles != 0 ? &waitableTimer_ : nullptr, INFINITE,
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32EventLoop::ProcessEvents() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (message.message == WM_QUIT) {
      // Left for the Run that is meant to end.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
  RunDueTimers();
}

void Win32EventLoop::Sleep(std::uint32_t ms) {
  ::Sleep(ms);
}

void Win32EventLoop::Run() {
  RunUntil([] { return false; });
}

bool Win32EventLoop::RunUntil(const std::function<bool()>& done) {
  if (done()) {
    return true;
  }
  ++runDepth_;
  bool quit = false;
  int exitCode = 0;
  MSG message;
  for (;;) {
    bool finished = false;
    while (!finished && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      if (message.message == WM_QUIT) {
        quit = true;
        exitCode = static_cast<int>(message.wParam);
        break;
      }
      Dispatch(message);
      finished = done();
    }
    if (quit || finished) {
      break;
    }
    RunDueTimers();
    if (done()) {
      break;
    }
    WaitForWork();
  }
  --runDepth_;
  if (quit && runDepth_ > 0) {
    ::PostQuitMessage(exitCode);  // the outer levels end too
  }
  return !quit;
}

void Win32EventLoop::Quit() {
  ::PostQuitMessage(0);
}

void Win32EventLoop::QuitOnTerminationRequest() {
  if (consoleHandlerInstalled_) {
    return;
  }
  if (gLoopGone == nullptr) {
    gLoopGone = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  ::ResetEvent(gLoopGone);
  gQuitWindow.store(window_);
  consoleHandlerInstalled_ = ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE) != FALSE;
}

LRESULT CALLBACK Win32EventLoop::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  auto* loop = reinterpret_cast<Win32EventLoop*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (loop == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_TIMER: {
      // Only a loop that is not this one dispatches the twin's tick.
      const auto found = loop->timers_.find(wParam);
      if (found != loop->timers_.end()) {
        Win32Timer* timer = found->second;
        if (!timer->RanJustNow(Win32Timer::Clock::now())) {
          loop->Guard([timer] { timer->Fire(); });
        }
      }
      return 0;
    }
    case kRunTaskMessage: {
      if (!loop->tasks_.empty()) {
        std::function<void()> task = std::move(loop->tasks_.front());
        loop->tasks_.pop_front();
        loop->Guard(task);
      }
      return 0;
    }
    case kQuitRequestMessage:
      loop->Quit();
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

std::unique_ptr<EventLoop> CreatePlatformEventLoop() {
  return std::make_unique<Win32EventLoop>();
}

}  // namespace keldo
