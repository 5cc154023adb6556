#pragma once

#include <cstdint>

// The portable vocabulary of the widget set: Windows message numbers, command
// codes and flags, under names that do not collide with <windows.h>. The Win32
// backend passes them through; the Qt and memory backends synthesise them.
namespace keldo::ui {

// Window messages.
inline constexpr unsigned kWmQueryEndSession = 0x0011;  // answer 1: the session may end
inline constexpr unsigned kWmEndSession = 0x0016;       // WParam != 0: the session really ends
inline constexpr unsigned kWmSysCommand = 0x0112;       // WParam: an SC_ code
inline constexpr unsigned kWmMouseMove = 0x0200;
inline constexpr unsigned kWmLButtonDown = 0x0201;
inline constexpr unsigned kWmLButtonUp = 0x0202;
inline constexpr unsigned kWmLButtonDblClk = 0x0203;
inline constexpr unsigned kWmRButtonDown = 0x0204;
inline constexpr unsigned kWmRButtonUp = 0x0205;
inline constexpr unsigned kWmRButtonDblClk = 0x0206;
inline constexpr unsigned kWmMButtonDown = 0x0207;
inline constexpr unsigned kWmMButtonUp = 0x0208;
inline constexpr unsigned kWmMButtonDblClk = 0x0209;
inline constexpr unsigned kWmUser = 0x0400;

// Announcements that Windows makes through registered messages, under fixed
// numbers of the application range. Every message window receives them.
//   kWmTaskbarCreated: the notification area exists again (Windows: the
//   "TaskbarCreated" broadcast after the shell restarts; Qt: the system tray
//   became available). Icons must be added again.
//   kWmTaskbarLost: the notification area went away (Qt: the system tray is
//   no longer available; Windows never says so). Icons are gone.
inline constexpr unsigned kWmTaskbarCreated = 0x8001;
inline constexpr unsigned kWmTaskbarLost = 0x8002;

// WM_SYSCOMMAND codes, compared exactly (the low four bits included).
inline constexpr std::uintptr_t kScMinimize = 0xF020;
inline constexpr std::uintptr_t kScRestore = 0xF120;
inline constexpr std::uintptr_t kScClose = 0xF060;

// ShowWindow commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowMinNoActive = 7;
inline constexpr int kSwRestore = 9;

// Notification icon requests and record flags.
inline constexpr unsigned kNimAdd = 0;
inline constexpr unsigned kNimModify = 1;
inline constexpr unsigned kNimDelete = 2;
inline constexpr unsigned kNifMessage = 1;
inline constexpr unsigned kNifIcon = 2;
inline constexpr unsigned kNifTip = 4;

// Message box styles and answers.
inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbOkCancel = 0x01;
inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbIconStop = 0x10;
inline constexpr unsigned kMbTypeMask = 0x0F;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Virtual key codes.
inline constexpr int kVkTab = 0x09;
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkMenu = 0x12;  // Alt
inline constexpr int kVkEscape = 0x1B;
inline constexpr int kVkSpace = 0x20;
inline constexpr int kVkPrior = 0x21;  // Page Up
inline constexpr int kVkNext = 0x22;   // Page Down
inline constexpr int kVkEnd = 0x23;
inline constexpr int kVkHome = 0x24;
inline constexpr int kVkLeft = 0x25;
inline constexpr int kVkUp = 0x26;
inline constexpr int kVkRight = 0x27;
inline constexpr int kVkDown = 0x28;

}  // namespace keldo::ui
