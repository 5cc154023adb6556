#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/event_loop.h"
#include "shell/toolkit/component.h"
#include "shell/toolkit/image_list.h"
#include "shell/toolkit/messages.h"
#include "shell/toolkit/notify_icon.h"
#include "shell/toolkit/popup_menu.h"
#include "shell/toolkit/toolkit.h"

namespace keldo {

// The pointer action that restores the application or pops up the menu.
enum TTrayIconMessage : std::uint8_t {
  imClick = 0,        // left button released, while OnClick is attached
  imDoubleClick = 1,  // double-click with any button
  imMouseDown = 2,    // any button pressed
  imMouseUp = 3,      // any button released
  imLeftClickUp = 4,
  imLeftDoubleClick = 5,
  imRightClickUp = 6,
  imRightDoubleClick = 7,
  imNone = 8,
};

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// A set of the flags below.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;
inline constexpr TShiftState ssLeft = 8;
inline constexpr TShiftState ssRight = 16;
inline constexpr TShiftState ssMiddle = 32;

// The string table's messages of the icon's errors.
inline constexpr const char* kCannotCreateIcon = "Cannot Create System Shell Notification Icon";
inline constexpr const char* kCannotRemoveIcon = "Cannot Remove System Shell Notification Icon";

// The application's icon in the desktop's notification area. It adds,
// changes and removes the icon, turns pointer actions on it into Restore,
// ShowMenu or the handlers, hides the application to the notification area
// (Minimize) and brings it back (Restore).
//
// Where the notification area refuses the icon (not there yet at logon, or
// none on this desktop) the add is retried every kAddRetryMs and whenever the
// area announces itself (kWmTaskbarCreated); until the icon is shown,
// Minimize leaves the taskbar entry in place, so the window can always be
// reached. The icon is removed at the end of a session only when the session
// really ends.
class TTrayIcon : public ui::Component {
 public:
  using TMouseEvent =
      std::function<void(void* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
  using TMouseMoveEvent = std::function<void(void* Sender, TShiftState Shift, int X, int Y)>;

  static constexpr unsigned kCallbackMessage = ui::kWmUser + 1;
  static constexpr std::size_t kMaxHintLength = 63;
  static constexpr std::size_t kTipFieldLength = 127;
  static constexpr std::uint32_t kDefaultAnimateInterval = 1000;
  static constexpr std::uint32_t kAddRetryMs = 1000;

  // Loading (see Loaded) until Loaded() is called.
  explicit TTrayIcon(ui::Toolkit& toolkit);
  ~TTrayIcon() override;

  // true adds the icon (or keeps trying to, see above); false removes it and
  // raises EOutOfResources(kCannotRemoveIcon) when the area refuses. Visible
  // takes the new value first, whatever follows.
  virtual void SetVisible(bool value);
  bool Visible() const { return visible_; }
  // Whether the icon is in the notification area now.
  bool Shown() const { return shown_; }

  // Taken only when it differs and has at most kMaxHintLength characters.
  void SetHint(const std::string& value);
  const std::string& Hint() const { return hint_; }

  void SetPopupMenu(ui::PopupMenu* menu);
  ui::PopupMenu* PopupMenu() const { return popupMenu_; }
  void SetIcons(ui::ImageList* icons);
  ui::ImageList* Icons() const { return icons_; }

  // Stored only; a successful add sets it true, a successful removal false.
  void SetHide(bool value) { hide_ = value; }
  bool Hide() const { return hide_; }

  TTrayIconMessage RestoreOn = imDoubleClick;
  TTrayIconMessage PopupMenuOn = imNone;

  // Shows image index of Icons (no range test: outside the list the icon has
  // no image); without Icons only the index is stored.
  virtual void SetIconIndex(int index);
  int IconIndex() const { return iconIndex_; }

  void SetAnimateInterval(std::uint32_t ms);
  std::uint32_t GetAnimateInterval() const;
  // Stored only with Icons attached or while loading; runs the timer only
  // with Icons attached.
  void SetAnimate(bool value);
  bool GetAnimate() const { return animate_; }

  // The hidden window that receives the icon's callbacks.
  ui::WindowHandle GetHandle() const;

  ui::NotifyEvent OnMinimize;
  ui::NotifyEvent OnRestore;
  ui::NotifyEvent OnClick;
  ui::NotifyEvent OnDblClick;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseEvent OnMouseDown;

  // Ends loading, once the owner has set every property: takes image
  // IconIndex of Icons (or the application's icon and no animation without
  // Icons) and sends it.
  virtual void Loaded();
  // The hidden window's messages.
  virtual void DoMessage(ui::Message& message);
  virtual void DoClick();
  virtual void DoDblClick();
  virtual void DoMouseMove(TShiftState Shift, int X, int Y);
  virtual void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DoOnAnimate(void* Sender);
  // Minimises the application and, while the icon is shown, takes it off
  // the taskbar; then OnMinimize.
  virtual void Minimize();
  // Restores the application, puts it back on the taskbar and brings it to
  // the front; then OnRestore.
  virtual void Restore();
  // Sends the current image and hint while the icon is shown.
  virtual void Update();
  // Pops PopupMenu up at the pointer.
  virtual void ShowMenu();
  virtual void SetDefaultIcon();
  // The session ends: removes the icon, ignoring the answer.
  void EndSession();
  // Sees the application window's messages while the icon is shown:
  // kScMinimize runs Minimize, kScRestore runs Restore. Never handles them.
  bool ApplicationHookProc(ui::Message& message);

  // The keyboard's Shift, Ctrl and Alt.
  static TShiftState ShiftState(ui::Toolkit& toolkit);

  // The record as sent with the next request.
  const ui::NotifyIconData& IconData() const { return data_; }

 protected:
  void Notification(ui::Component* component, ui::Operation operation) override;

 private:
  // Adds the icon (or finds it already there); on refusal arms the retry.
  bool AddIcon();
  void RetryAdd();
  void IconGone();
  void RegisterHook();
  void WithdrawHook();

  ui::Toolkit& toolkit_;
  ui::Application& app_;
  ui::NotifyIconData data_;
  ui::Icon current_;
  ui::ImageList* icons_ = nullptr;
  ui::PopupMenu* popupMenu_ = nullptr;
  std::unique_ptr<Timer> animateTimer_;
  std::unique_ptr<Timer> retryTimer_;
  std::unique_ptr<ui::MessageWindow> window_;
  std::string hint_;
  int iconIndex_ = 0;
  bool visible_ = false;
  bool hide_ = true;
  bool animate_ = false;
  bool loading_ = true;
  bool shown_ = false;         // the notification area holds the icon
  bool entryHidden_ = false;   // Minimize took the taskbar entry away
  bool sessionEnded_ = false;  // no more adds
  ui::Application::HookId hookId_ = 0;
};

}  // namespace keldo
