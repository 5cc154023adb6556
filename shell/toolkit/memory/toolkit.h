#pragma once

// The in-memory widget set, the tests' display.
//
// Implements: every interface of shell/toolkit/ on the shared rules
// (FormBase, FormBook, FormControls and the state classes), and a test's
// hands (MemoryToolkit's methods below the overrides) that act as the user
// would and say whether the user could.
// Differs: nothing is drawn; the memo wraps by a fixed metric of the font;
// message boxes are answered by OnMessageBox or else their first button;
// the notification area is a model that can refuse, restart and go away.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "shell/toolkit/form_book.h"
#include "shell/toolkit/memory/controls.h"
#include "shell/toolkit/memory/form.h"
#include "shell/toolkit/message_windows.h"
#include "shell/toolkit/messages.h"
#include "shell/toolkit/toolkit.h"

namespace keldo::ui::memory {

class MemoryToolkit;

class MemoryApplication final : public Application {
 public:
  explicit MemoryApplication(MemoryToolkit& toolkit) : toolkit_(toolkit) {}

  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  void SetIcon(const art::Picture& picture) override { icon_ = MakeIcon(picture); }
  Icon GetIcon() const override { return icon_; }
  Form* MainForm() const override;
  void Minimize() override;
  void Restore() override;
  bool Minimized() const override { return minimized_; }
  void ShowWindow(int command) override;
  bool TaskbarEntryVisible() const override { return taskbarEntry_; }
  void SetForeground() override { ++foregroundCount_; }
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void Run() override;

  // A message to the application's window: the hooks, then the
  // application's own handling of minimise, restore and close commands.
  void Perform(Message& message);

  int ForegroundCount() const { return foregroundCount_; }

 private:
  MemoryToolkit& toolkit_;
  std::string title_;
  Icon icon_;
  bool minimized_ = false;
  bool taskbarEntry_ = true;
  int foregroundCount_ = 0;
};

// A message box as shown, with the answer it got.
struct ShownMessageBox {
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int answer = 0;
};

// A notification-area request as it reached the area.
struct IconRequest {
  unsigned request = 0;
  NotifyIconData data;
  bool accepted = false;
};

// The in-memory widget set. Every widget keeps its state; the methods below
// the Toolkit overrides are a test's hands: they act as the user would and
// return false where the user could not (a disabled control, a form behind a
// modal dialog, a refused tray action). Handlers run inside the loop's guard,
// as the real backends run them.
class MemoryToolkit final : public Toolkit {
 public:
  explicit MemoryToolkit(EventLoop& loop);
  ~MemoryToolkit() override;

  EventLoop& Loop() override { return loop_; }
  Application& App() override { return app_; }
  std::unique_ptr<Form> CreateForm(const std::string& className) override;
  std::unique_ptr<PopupMenu> CreatePopupMenu() override;
  std::unique_ptr<MessageWindow> CreateMessageWindow(MessageWindow::Handler handler) override;
  bool TopLevelWindowExists(const std::string& className) override;
  Form* ActiveForm() override { return book_.ActiveForm(); }
  Point CursorPos() override { return cursor_; }
  bool KeyDown(int virtualKey) override;
  void ResetCursor() override { ++cursorResets_; }
  bool ShellNotifyIcon(unsigned request, const NotifyIconData& data) override;

  MemoryApplication& MemoryApp() { return app_; }

  // --- Pointer and keyboard ------------------------------------------------
  void SetCursorPos(Point at) { cursor_ = at; }
  void SetKeyDown(int virtualKey, bool down);
  int CursorResets() const { return cursorResets_; }

  // --- Controls --------------------------------------------------------------
  // A left click: focuses the control (if it takes the focus) and presses,
  // toggles or ticks it.
  bool Click(Control& control);
  bool DoubleClick(Control& control);
  // Types at the end of the text, or over all of it (replace), as far as
  // MaxLength allows; a read-only field takes nothing.
  bool Type(Control& control, const std::string& text, bool replace = false);
  bool ChooseItem(ComboBox& combo, int index);
  bool Scroll(ScrollBar& bar, ScrollAction action);
  bool DragThumb(ScrollBar& bar, int position);
  // A key to the active form (Tab, Enter, Space, arrows, ...).
  bool PressKey(int virtualKey, bool shift = false);
  // Alt+key on the active form: the button, check box or radio button whose
  // caption marks the key takes the focus and is pressed.
  bool PressAccessKey(char key);
  // A character key alone on the active form: typed into the focused text
  // field, memo or combo box, else the control whose access key it is.
  bool PressCharKey(char key);

  // --- Forms and the application -------------------------------------------
  // A title-bar or window-menu command of a form (kScMinimize, kScClose). The
  // main form passes minimise on to the application's window.
  bool SystemCommand(Form& form, std::uintptr_t command);
  // A click on the application's taskbar entry; false while it is hidden.
  bool ClickTaskbarEntry();
  // Runs once each time a modal showing begins, from inside it.
  std::function<void(Form& form)> OnModalStart;
  // A window of another program, found by TopLevelWindowExists.
  void AddForeignWindow(const std::string& className) { foreign_.push_back(className); }

  // --- Message boxes ---------------------------------------------------------
  // Answers each box; without it, a box is answered with its first button.
  std::function<int(const ShownMessageBox& box)> OnMessageBox;
  const std::vector<ShownMessageBox>& MessageBoxes() const { return boxes_; }

  // --- Notification area ---------------------------------------------------
  // While unavailable, adds are refused.
  void SetNotificationAreaAvailable(bool available) { areaAvailable_ = available; }
  // Makes the area refuse every request of one kind (kNimAdd, ...).
  void SetRefusing(unsigned request, bool refuse);
  // The shell restarts: icons are gone, kWmTaskbarCreated to every message window.
  void RecreateNotificationArea();
  // The area goes away: icons are gone, adds refused, kWmTaskbarLost sent.
  void LoseNotificationArea();
  const std::vector<IconRequest>& IconRequests() const { return requests_; }
  void ClearIconRequests() { requests_.clear(); }
  std::vector<NotifyIconData> TrayIcons() const;
  // The pointer action (kWmLButtonDown, ...) on the only icon; false without one.
  bool TrayAction(unsigned action);
  // Down, up, double-click, up with the left button (kWmLButtonDown based) or
  // another: pass kWmRButtonDown or kWmMButtonDown.
  bool DoubleClickTrayIcon(unsigned buttonDown = kWmLButtonDown);
  bool RightClickTrayIcon();

  // --- Messages --------------------------------------------------------------
  void Broadcast(Message message);
  // Asks every message window whether the session may end, then ends it (or
  // calls it off when ending is false); returns whether all agreed.
  bool EndSession(bool ending);

  // --- Pop-up menus ----------------------------------------------------------
  PopupMenu* PoppedUpMenu() const { return popped_; }
  Point PopupPoint() const { return popupPoint_; }
  int PopupCount() const { return popupCount_; }
  // Picks the item of the menu that is up (by caption, "&" included, or by
  // access key); the menu closes first. false without a menu or such an item.
  bool ChooseMenuItem(const std::string& caption);
  bool ChooseMenuAccessKey(char key);
  void DismissMenu() { popped_ = nullptr; }

  // --- For the backend's own objects ----------------------------------------
  template <class F>
  void Guard(F&& f) {
    loop_.Guard(std::forward<F>(f));
  }
  const FormBook<MemoryForm>& Book() const { return book_; }
  void FormCreated(MemoryForm& form) { book_.Created(form); }
  void FormDestroyed(MemoryForm& form);
  void FormShown(MemoryForm& form) { book_.Activated(form); }
  void FormHidden(MemoryForm& form) { book_.PassActivation(form); }
  void ModalBegins(MemoryForm& form) { book_.ModalBegins(form); }
  void ModalEnds(MemoryForm& form);
  // The topmost modal form; nullptr when none.
  MemoryForm* ModalForm() const { return book_.ModalForm(); }
  void MenuPoppedUp(PopupMenu& menu, Point at);
  void MenuDestroyed(PopupMenu& menu);
  int AnswerMessageBox(ShownMessageBox box);

 private:
  // The widget behind control, if its form takes input and it is usable.
  MemoryWidget* Reachable(Control& control);
  // Reachable, with its form brought forward and the widget focused where it
  // takes focus, as a pointer press does.
  MemoryWidget* PointAt(Control& control);
  EventLoop& loop_;
  MemoryApplication app_;
  FormBook<MemoryForm> book_;
  std::vector<std::string> foreign_;
  Point cursor_{};
  std::map<int, bool> keys_;
  int cursorResets_ = 0;
  std::vector<ShownMessageBox> boxes_;
  MessageWindows windows_;
  bool areaAvailable_ = true;
  std::map<unsigned, bool> refusing_;
  std::map<std::pair<WindowHandle, std::uintptr_t>, NotifyIconData> icons_;
  std::vector<IconRequest> requests_;
  PopupMenu* popped_ = nullptr;
  Point popupPoint_{};
  int popupCount_ = 0;
};

}  // namespace keldo::ui::memory
