#pragma once

#include <string>
#include <vector>

#include "shell/art/picture.h"
#include "shell/toolkit/controls.h"
#include "shell/toolkit/types.h"

namespace keldo::ui {

// Title-bar commands offered. Maximising is never offered: forms are fixed.
struct BorderIcons {
  bool systemMenu = true;  // the window menu, with Close
  bool minimize = true;
};

enum class FormPosition : std::uint8_t {
  Designed,        // where the platform puts it
  ScreenCenter,    // centred on the screen when first shown
  MainFormCenter,  // centred over the application's main form each time it is shown
};

// A fixed-size top-level window with a single-line border, made by
// Toolkit::CreateForm and holding its controls.
//
// Keyboard, while the form has the focus and takes input:
// - Tab / Shift+Tab move the focus along SetTabOrder's chain, skipping
//   controls that cannot take it (hidden or disabled, their group box's or
//   not the ticked radio button of their group).
// - Enter presses the focused button when the focus is on a button;
//   otherwise it presses the default button if that is visible and enabled,
//   and does nothing when it is not. The memo keeps Enter to itself.
// - Escape does nothing (no form has a cancel button).
// - Space presses the focused button and toggles the focused check box.
class Form {
 public:
  virtual ~Form() = default;

  // Controls, made in the form or in one of its group boxes (parent), with
  // bounds relative to that parent. Owned by the form.
  template <class T>
  T& Create(const Bounds& bounds, GroupBox* parent = nullptr) {
    return dynamic_cast<T&>(CreateControl(T::kKind, parent, bounds));
  }
  virtual Control& CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) = 0;

  // Appearance.
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetClientSize(Size size) = 0;
  virtual Size ClientSize() const = 0;
  virtual void SetBorderIcons(BorderIcons icons) = 0;
  // Takes the Close command out of the window menu, which disables the
  // title bar's close button; the platform's own close requests (log-off)
  // still reach OnCloseQuery.
  virtual void RemoveCloseCommand() = 0;
  virtual void SetIcon(const art::Picture& picture) = 0;
  // The font of the form and every control in it, the status bar included.
  virtual void SetFont(const Font& font) = 0;
  virtual Font GetFont() const = 0;
  virtual void SetColor(Color color) = 0;  // default ButtonFace
  virtual void SetAlwaysOnTop(bool onTop) = 0;
  virtual void SetPosition(FormPosition position) = 0;

  // Showing. Show on a hidden form makes it visible and runs OnShow (an
  // exception from OnShow goes to the loop's error report and the showing
  // goes on); showing a visible form only brings it to the front. Minimising
  // and restoring the application (Application::Minimize, ShowWindow) change
  // neither Visible nor raise OnShow. A form shown while the application is
  // minimised comes on the screen (a dialog asked for from the tray); the
  // forms that were on it stay off.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  // Shows the form modally: every other form stops taking input (the
  // notification icon and its menu still work), and a nested level of the
  // engine's event loop runs until the modal result is set (Close sets
  // mrCancel) or the loop is quit. Then the form is hidden, the others take
  // input again, and the result comes back (mrCancel after a quit).
  virtual int ShowModal() = 0;
  virtual void SetModalResult(int result) = 0;
  virtual int ModalResult() const = 0;
  // A close request: OnCloseQuery may refuse it. Accepted, it hides the form,
  // ends a modal showing with mrCancel, and, for the main form, terminates
  // the application.
  virtual void Close() = 0;

  // The input-enabled flag. While false the form and its controls ignore the
  // mouse and keyboard; nothing else changes.
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  // Makes the form the foreground window (SetForegroundWindow).
  virtual void SetForeground() = 0;

  // The keyboard focus chain, first to last. Controls not in it are never
  // reached by Tab.
  virtual void SetTabOrder(const std::vector<Control*>& chain) = 0;
  // The control that has (or, while the form is inactive, will get) the
  // focus; nullptr when none.
  virtual Control* ActiveControl() const = 0;

  NotifyEvent OnShow;
  CloseQueryEvent OnCloseQuery;
};

}  // namespace keldo::ui
