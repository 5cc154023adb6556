#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <optional>
#include <string>
#include <vector>

#include "shell/toolkit/control_state.h"
#include "shell/toolkit/controls.h"
#include "shell/toolkit/win32/gdi.h"

namespace keldo::ui::win32 {

class Win32Form;
class Win32GroupBox;

// A control's native child window and the state the interface promises.
// Every control is a child of its form's window, whatever its group box: a
// group box only offsets its controls, hides and disables them with it, and
// groups radio buttons. So every notification reaches the form's window
// procedure, which hands it here.
class Win32Widget {
 public:
  Win32Widget(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  virtual ~Win32Widget();
  Win32Widget(const Win32Widget&) = delete;
  Win32Widget& operator=(const Win32Widget&) = delete;

  virtual Control& AsControl() = 0;
  Win32Form& OwnerForm() const { return form_; }
  Win32GroupBox* ParentBox() const { return box_; }
  HWND Handle() const { return window_; }

  virtual bool Focusable() const { return true; }
  // Visible and enabled, and so is its group box.
  bool Usable() const;
  bool ShownWithBox() const;
  bool EnabledWithBox() const;
  // Puts the window's visibility and enabled state in line with the flags
  // (its own and its group box's).
  virtual void ApplyState();
  virtual void SetFontHandle(HFONT font);

  // From the form's window procedure.
  virtual void Command(WORD /*code*/) {}
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // A brush for WM_CTLCOLOR*; nullptr leaves the default.
  virtual HBRUSH CtlColor(HDC /*dc*/) { return nullptr; }
  virtual void Scroll(WORD /*code*/) {}
  // A key the form's navigation does not take (true: the control uses it).
  virtual bool WantsKey(int /*virtualKey*/) const { return false; }
  // The user's press of a button (a click, Space, Enter, an access key).
  virtual void Press() {}

  static Win32Widget* FromHandle(HWND window);

 protected:
  // Creates the child window at the bounds (offset by the group box).
  void CreateWindowFor(const char* windowClass, DWORD style, DWORD exStyle,
                       const std::string& text = {}, int extraHeight = 0);
  void DestroyNativeWindow();
  // Runs handler guarded; a copy, as it may destroy the control.
  void Fire(const NotifyEvent& event);
  void Redraw() const;

  Win32Form& form_;
  Win32GroupBox* box_;
  Bounds bounds_;
  HWND window_ = nullptr;
  bool visible_ = true;
  bool enabled_ = true;
};

template <class I>
class Win32Control : public I, public Win32Widget {
 public:
  using Win32Widget::Win32Widget;

  Control& AsControl() override { return *this; }
  ControlKind Kind() const override { return I::kKind; }
  Bounds GetBounds() const override { return bounds_; }
  void SetVisible(bool visible) override;
  bool Visible() const override { return visible_; }
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  void SetFocus() override;
  bool Focused() const override;
};

class Win32Label final : public Win32Control<Captioned<Label>> {
 public:
  Win32Label(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetAlignment(Alignment alignment) override;
  void SetLayout(VerticalLayout layout) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  void ShowCaption() override { Redraw(); }

  Alignment alignment_ = Alignment::Left;
  VerticalLayout layout_ = VerticalLayout::Top;
};

class Win32Panel final : public Win32Control<Captioned<Panel>> {
 public:
  Win32Panel(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetAlignment(Alignment alignment) override;
  void SetBevel(Bevel outer, Bevel inner, int borderWidth) override;
  void SetColor(Color color) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  void ShowCaption() override { Redraw(); }

  Alignment alignment_ = Alignment::Center;
  Bevel outer_ = Bevel::Raised;
  Bevel inner_ = Bevel::None;
  int borderWidth_ = 0;
  Color color_ = Color::ButtonFace();
};

class Win32Button final : public Win32Control<ButtonState> {
 public:
  Win32Button(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  ~Win32Button() override;
  void SetGlyph(const art::Picture& picture, int glyphs) override;

  void Command(WORD code) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;
  void Press() override { Fire(OnClick); }

 private:
  void ShowCaption() override;
  void ShowHint(const std::string& hint) override;
  void ShowDefault() override { Redraw(); }
  void BecameDefault() override;

  std::optional<art::Picture> glyph_;
  std::optional<art::Picture> greyed_;
  int glyphs_ = 1;
};

class Win32CheckBox final : public Win32Control<CheckBoxState> {
 public:
  Win32CheckBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;

 private:
  void ShowCaption() override;
  void ShowChecked() override;
};

class Win32RadioButton final : public Win32Control<RadioButtonState> {
 public:
  Win32RadioButton(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;

 private:
  void ShowCaption() override;
  void ShowChecked() override;
  void Ticked() override;
};

class Win32ScrollBar final : public Win32Control<ScrollBarState> {
 public:
  Win32ScrollBar(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void Scroll(WORD code) override;
  bool WantsKey(int virtualKey) const override;

 private:
  void ShowPosition() override;
};

class Win32Edit final : public Win32Control<Edit> {
 public:
  Win32Edit(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void SetReadOnly(bool readOnly) override;
  bool ReadOnly() const override { return readOnly_; }
  void SetMaxLength(int maxLength) override;
  int MaxLength() const override { return maxLength_; }
  bool WantsKey(int virtualKey) const override;

 private:
  bool readOnly_ = false;
  int maxLength_ = 0;
};

class Win32ComboBox final : public Win32Control<ComboBoxState> {
 public:
  Win32ComboBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void SetItemHeight(int pixels) override;
  std::string Text() const override;
  void Command(WORD code) override;
  bool WantsKey(int virtualKey) const override;
  bool DroppedDown() const;

 private:
  void Build();
  void ShowStyle() override;
  void ShowCleared() override;
  void ShowAdded(const std::string& text) override;
  void ShowChoice() override;
  void ShowEditText(const std::string& text) override;

  int itemHeight_ = 16;
};

class Win32Memo final : public Win32Control<MemoState> {
 public:
  Win32Memo(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  ~Win32Memo() override;
  void SetReadOnly(bool readOnly) override;
  void SetVerticalScrollBar(bool shown) override;
  void SetColor(Color color) override;
  HBRUSH CtlColor(HDC dc) override;
  bool WantsKey(int virtualKey) const override;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  int DisplayLines() const override;
  void ShowAppended(const std::string& text, bool first) override;
  void ShowCleared() override;

  Color color_ = Color::Window();
  Brush brush_;
  WNDPROC original_ = nullptr;
};

class Win32StatusBar final : public Win32Control<StatusBarState> {
 public:
  Win32StatusBar(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  void ShowPanels() override { Redraw(); }
};

class Win32Image final : public Win32Control<Image> {
 public:
  Win32Image(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetPicture(const art::Picture& picture) override;
  void ClearPicture() override;
  const art::Picture* Picture() const override { return picture_ ? &*picture_ : nullptr; }
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  std::optional<art::Picture> picture_;
};

class Win32GroupBox final : public Win32Control<Captioned<GroupBox>> {
 public:
  Win32GroupBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void ApplyState() override;
  HBRUSH CtlColor(HDC dc) override;
  // Where its controls' bounds start, in the form's client area.
  POINT Origin() const;

 private:
  void ShowCaption() override;
};

// The class of each kind, for MakeControl.
struct Win32Kinds {
  using Label = Win32Label;
  using Panel = Win32Panel;
  using Button = Win32Button;
  using CheckBox = Win32CheckBox;
  using RadioButton = Win32RadioButton;
  using ScrollBar = Win32ScrollBar;
  using Edit = Win32Edit;
  using ComboBox = Win32ComboBox;
  using Memo = Win32Memo;
  using StatusBar = Win32StatusBar;
  using Image = Win32Image;
  using GroupBox = Win32GroupBox;
};

}  // namespace keldo::ui::win32
