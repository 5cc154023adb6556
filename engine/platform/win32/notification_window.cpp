#include "engine/platform/win32/notification_window.h"

#include <cstring>

#include "engine/platform/win32/event_loop.h"

namespace keldo {
namespace {

constexpr char kWindowClass[] = "KeldoSocketWindow";

}  // namespace

Win32NotificationWindow::Win32NotificationWindow(Win32EventLoop& loop, NotificationSink& sink)
    : loop_(loop), sink_(sink) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  if (::GetClassInfoA(instance, kWindowClass, &windowClass) == FALSE) {
    windowClass.lpfnWndProc = &Win32NotificationWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassA(&windowClass);
  }
  window_ = ::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                              nullptr);
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32NotificationWindow::~Win32NotificationWindow() {
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
  if (lookup_ != nullptr && lookup_ != Refused() && ::WSACancelAsyncRequest(lookup_) != 0) {
    // The lookup may still write its answer: the buffer must outlive it.
    static_cast<void>(lookupBuffer_.release());
  }
}

int Win32NotificationWindow::Select(net::SocketHandle socket, unsigned mask) {
  if (::WSAAsyncSelect(static_cast<SOCKET>(socket), window_, kSocketMessage,
                       static_cast<long>(mask)) != 0) {
    return ::WSAGetLastError();
  }
  return 0;
}

void Win32NotificationWindow::CallMade(net::SocketHandle, unsigned) {
  // Winsock re-arms its notifications inside recv, accept and send.
}

LookupHandle Win32NotificationWindow::StartLookup(const std::string& host, int& error) {
  error = 0;
  if (!IsLookupText(host)) {
    // Answered without asking Winsock, through the queue like its answers.
    lookup_ = Refused();
    ::PostMessageA(window_, kLookupMessage, reinterpret_cast<WPARAM>(lookup_),
                   WSAMAKEASYNCREPLY(0, WSAHOST_NOT_FOUND));
    return reinterpret_cast<LookupHandle>(lookup_);
  }
  if (!lookupBuffer_) {
    lookupBuffer_ = std::make_unique<char[]>(MAXGETHOSTSTRUCT);
  }
  std::memset(lookupBuffer_.get(), 0, MAXGETHOSTSTRUCT);
  const HANDLE lookup = ::WSAAsyncGetHostByName(window_, kLookupMessage, host.c_str(),
                                                lookupBuffer_.get(), MAXGETHOSTSTRUCT);
  if (lookup == nullptr) {
    error = ::WSAGetLastError();
    return 0;
  }
  lookup_ = lookup;
  return reinterpret_cast<LookupHandle>(lookup);
}

int Win32NotificationWindow::CancelLookup(LookupHandle lookup) {
  const auto handle = reinterpret_cast<HANDLE>(lookup);
  if (handle == Refused()) {
    if (handle == lookup_) {
      lookup_ = nullptr;  // its answer, still queued, is then ignored
    }
    return 0;
  }
  const int result = ::WSACancelAsyncRequest(handle) == 0 ? 0 : ::WSAGetLastError();
  if (handle == lookup_) {
    if (result != 0) {
      // Still running: its answer goes to a buffer nobody reads again.
      static_cast<void>(lookupBuffer_.release());
    }
    lookup_ = nullptr;
  }
  return result;
}

void Win32NotificationWindow::PostDestroy() {
  ::PostMessageA(window_, kDestroyMessage, 0, 0);
}

void Win32NotificationWindow::LookupMessage(WPARAM wParam, LPARAM lParam) {
  const auto lookup = reinterpret_cast<HANDLE>(wParam);
  if (lookup != lookup_) {
    return;  // cancelled or replaced
  }
  lookup_ = nullptr;
  const int error = WSAGETASYNCERROR(lParam);
  std::uint32_t address = 0;
  if (error == 0) {
    const auto* entry = reinterpret_cast<const hostent*>(lookupBuffer_.get());
    if (entry->h_addrtype == AF_INET && entry->h_addr_list != nullptr &&
        entry->h_addr_list[0] != nullptr) {
      std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    }
  }
  NotificationSink& sink = sink_;
  loop_.Guard([&] { sink.LookupDone(reinterpret_cast<LookupHandle>(lookup), error, address); });
}

LRESULT CALLBACK Win32NotificationWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
  auto* self =
      reinterpret_cast<Win32NotificationWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  // The sink may destroy this window: nothing of it is touched after the call.
  NotificationSink& sink = self->sink_;
  EventLoop& loop = self->loop_;
  switch (message) {
    case kSocketMessage:
      loop.Guard([&] {
        sink.SocketNotification(static_cast<net::SocketHandle>(wParam), WSAGETSELECTEVENT(lParam),
                                WSAGETSELECTERROR(lParam));
      });
      return 0;
    case kDestroyMessage:
      loop.Guard([&] { sink.DestroyRequest(); });
      return 0;
    case kLookupMessage:
      self->LookupMessage(wParam, lParam);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace keldo
