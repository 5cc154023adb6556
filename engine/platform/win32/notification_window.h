#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <memory>
#include <string>

#include "engine/platform/notification_window.h"

namespace keldo {

class Win32EventLoop;

// A hidden message-only window: WSAAsyncSelect notifications (1025),
// deferred destruction (1026) and WSAAsyncGetHostByName completions (1027).
// Destroying the window drops every message still queued for it.
class Win32NotificationWindow final : public NotificationWindow {
 public:
  static constexpr UINT kSocketMessage = 1025;
  static constexpr UINT kDestroyMessage = 1026;
  static constexpr UINT kLookupMessage = 1027;

  Win32NotificationWindow(Win32EventLoop& loop, NotificationSink& sink);
  ~Win32NotificationWindow() override;

  int Select(net::SocketHandle socket, unsigned mask) override;
  void CallMade(net::SocketHandle socket, unsigned kind) override;
  LookupHandle StartLookup(const std::string& host, int& error) override;
  int CancelLookup(LookupHandle lookup) override;
  void PostDestroy() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The handle of a lookup refused without asking Winsock: this window's
  // own address, which no Winsock request handle equals.
  HANDLE Refused() { return this; }
  void LookupMessage(WPARAM wParam, LPARAM lParam);

  Win32EventLoop& loop_;
  NotificationSink& sink_;
  HWND window_ = nullptr;
  // LookupBuffer: the host entry of a lookup lands here; kept until the
  // lookup has answered or has been cancelled.
  std::unique_ptr<char[]> lookupBuffer_;
  HANDLE lookup_ = nullptr;
};

}  // namespace keldo
