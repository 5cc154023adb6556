#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "shell/toolkit/form_base.h"
#include "shell/toolkit/form_controls.h"
#include "shell/toolkit/win32/controls.h"

namespace keldo::ui::win32 {

class Win32Toolkit;

// A fixed-size top-level window of its own class, owned by the
// application's window (so it has no taskbar entry of its own).
class Win32Form final : public FormBase {
 public:
  Win32Form(Win32Toolkit& toolkit, const std::string& className);
  ~Win32Form() override;

  Control& CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) override;

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetClientSize(Size size) override;
  Size ClientSize() const override;
  void SetBorderIcons(BorderIcons icons) override;
  void RemoveCloseCommand() override;
  void SetIcon(const art::Picture& picture) override;
  void SetFont(const Font& font) override;
  Font GetFont() const override { return font_; }
  void SetColor(Color color) override;
  void SetAlwaysOnTop(bool onTop) override;

  void SetForeground() override;

  void SetTabOrder(const std::vector<Control*>& chain) override;
  Control* ActiveControl() const override;

  // For the backend.
  HWND Handle() const { return window_; }
  Win32Toolkit& Toolkit() const { return toolkit_; }
  HFONT FontHandle() const { return fontHandle_.get(); }
  COLORREF BackColor() const;
  HBRUSH BackBrush() const { return brush_.get(); }
  HWND Tooltip();
  // The widget behind window (or the control that holds it, as a combo box
  // holds its field), nullptr if none of this form's.
  Win32Widget* WidgetOf(HWND window) const;
  Win32Widget* FindWidget(Control& control) const { return controls_.Find(control); }
  // The keyboard's navigation; true when the message was used.
  bool HandleKey(const MSG& message);
  // Moves the focus to widget (it must be able to take it).
  void Focus(Win32Widget* widget);
  Win32Widget* FocusedWidget() const;
  // A control that can no longer take the focus gives it on.
  void FocusLost(Win32Widget& widget);
  void DefaultChanged(Win32Button& button);
  void RadioTicked(Win32RadioButton& button);
  // A group box was shown, hidden, enabled or disabled: so are its controls.
  void BoxChanged(Win32GroupBox& box);
  // Forms blocked by a modal showing or a message box take no input.
  void Block();
  void Unblock();
  // The application leaves the screen and comes back: the window hides and
  // shows while Visible stays as it is.
  void ScreenHide();
  void ScreenShow();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void DoShow() override;
  void DoHide() override;
  void BeginModal() override;
  void EndModal() override;
  void EnabledChanged() override { ApplyEnabled(); }
  void ApplicationTerminated() override;
  void ApplyEnabled();
  void PlaceForShow();
  bool MoveFocus(bool backwards);
  bool IsMainForm() const;
  bool Active() const;

  Win32Toolkit& toolkit_;
  std::string className_;
  HWND window_ = nullptr;
  FormControls<Win32Widget> controls_;
  Win32Widget* focused_ = nullptr;
  HWND tooltip_ = nullptr;
  Font font_{"MS Sans Serif", 13, Charset::Default};
  OwnedFont fontHandle_;
  Color color_ = Color::ButtonFace();
  Brush brush_;
  OwnedIcon icon_;
  Size clientSize_{};
  bool shownBefore_ = false;
  bool closeCommand_ = true;
  int blocked_ = 0;
  // The forms each modal showing under way blocked, innermost last.
  std::vector<std::vector<Win32Form*>> modalBlocked_;
};

}  // namespace keldo::ui::win32
