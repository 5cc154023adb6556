#pragma once

// The raw Win32 widget set: windows and common controls of user32 and
// comctl32, the notification area of shell32; no framework.
//
// Implements: every interface of shell/toolkit/. Forms are top-level windows
// of their own class, owned by a hidden application window that carries the
// taskbar entry; controls are child windows of their form (also inside a
// group box) showing the shared state classes; the keyboard rules of
// FormControls run from the loop's message filter before a message is
// dispatched.
// Differs: labels, panels, pictures, the status bar and the picture buttons
// are drawn here; a modal form gives the others input back before it hides,
// so the activation returns to them.

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "shell/toolkit/form_book.h"
#include "shell/toolkit/toolkit.h"
#include "shell/toolkit/win32/bitmaps.h"

namespace keldo {
class Win32EventLoop;
}

namespace keldo::ui::win32 {

class Win32Form;
class Win32Toolkit;

// Registers a window class of this module unless it is; EOutOfResources when
// the system refuses.
void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, UINT style = 0,
                         HCURSOR cursor = nullptr);
// A window made with CreateWindowExA; EOutOfResources naming what when none.
HWND CreateWindowOrThrow(const char* what, DWORD exStyle, const char* windowClass,
                         const char* caption, DWORD style, int x, int y, int width, int height,
                         HWND owner, HINSTANCE instance, void* param);

// The application object with its own hidden top-level window: it carries
// the taskbar entry and the title, owns every form and message box, and its
// messages pass the hooks first.
class Win32Application final : public Application {
 public:
  explicit Win32Application(Win32Toolkit& toolkit);
  ~Win32Application() override;

  void SetTitle(const std::string& title) override;
  std::string Title() const override;
  void SetIcon(const art::Picture& picture) override;
  Icon GetIcon() const override { return icon_; }
  Form* MainForm() const override;
  void Minimize() override;
  void Restore() override;
  bool Minimized() const override { return minimized_; }
  void ShowWindow(int command) override;
  bool TaskbarEntryVisible() const override;
  void SetForeground() override;
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void Run() override;

  HWND Handle() const { return window_; }
  // The main form's first show puts the application on the taskbar.
  void MainFormShown();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  Win32Toolkit& toolkit_;
  HWND window_ = nullptr;
  Icon icon_;
  OwnedIcon iconHandle_;
  bool minimized_ = false;
};

// The raw Win32 widget set: windows and common controls of user32 and
// comctl32, the notification area of shell32. Keyboard navigation (Tab,
// Enter, arrows in radio groups, access keys) is the toolkit's own, run from
// the engine loop's message filter before a message is dispatched.
class Win32Toolkit final : public Toolkit {
 public:
  explicit Win32Toolkit(EventLoop& loop);
  ~Win32Toolkit() override;

  EventLoop& Loop() override { return loop_; }
  Application& App() override { return *app_; }
  std::unique_ptr<Form> CreateForm(const std::string& className) override;
  std::unique_ptr<PopupMenu> CreatePopupMenu() override;
  std::unique_ptr<MessageWindow> CreateMessageWindow(MessageWindow::Handler handler) override;
  bool TopLevelWindowExists(const std::string& className) override;
  Form* ActiveForm() override;
  Point CursorPos() override;
  bool KeyDown(int virtualKey) override;
  void ResetCursor() override;
  bool ShellNotifyIcon(unsigned request, const NotifyIconData& data) override;

  // For the backend's own objects.
  HINSTANCE Instance() const { return instance_; }
  Win32Application& Win32App() { return *app_; }
  UINT TaskbarCreatedMessage() const { return taskbarCreated_; }
  const std::vector<Win32Form*>& Forms() const { return book_.Forms(); }
  Win32Form* MainForm() const { return book_.MainForm(); }
  // The form whose window holds window, or nullptr.
  Win32Form* FormOf(HWND window) const;
  void FormCreated(Win32Form& form) { book_.Created(form); }
  void FormDestroyed(Win32Form& form);
  void FormActivated(Win32Form& form) { book_.Activated(form); }
  void FormHidden(Win32Form& form);
  // Every form but except stops taking input until Unblock; nests.
  std::vector<Win32Form*> BlockForms(Win32Form* except);
  void UnblockForms(const std::vector<Win32Form*>& forms);
  void ModalBegins(Win32Form& form) { book_.ModalBegins(form); }
  void ModalEnds(Win32Form& form) { book_.ModalEnds(form); }
  Win32Form* ModalForm() const { return book_.ModalForm(); }
  HICON NativeIcon(const Icon& icon) { return icons_.Get(icon); }

  template <class F>
  void Guard(F&& f) {
    loop_.Guard(std::forward<F>(f));
  }

 private:
  bool FilterMessage(MSG& message);

  EventLoop& loop_;
  Win32EventLoop* win32Loop_ = nullptr;
  HINSTANCE instance_;
  UINT taskbarCreated_ = 0;
  std::unique_ptr<Win32Application> app_;
  FormBook<Win32Form> book_;
  IconCache icons_;
};

}  // namespace keldo::ui::win32
