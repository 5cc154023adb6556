#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <optional>
#include <string>
#include <vector>

#include "shell/toolkit/controls.h"

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

class Win32Label final : public Win32Control<Label> {
 public:
  Win32Label(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetAlignment(Alignment alignment) override;
  void SetLayout(VerticalLayout layout) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  std::string caption_;
  Alignment alignment_ = Alignment::Left;
  VerticalLayout layout_ = VerticalLayout::Top;
};

class Win32Panel final : public Win32Control<Panel> {
 public:
  Win32Panel(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetAlignment(Alignment alignment) override;
  void SetBevel(Bevel outer, Bevel inner, int borderWidth) override;
  void SetColor(Color color) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  std::string caption_;
  Alignment alignment_ = Alignment::Center;
  Bevel outer_ = Bevel::Raised;
  Bevel inner_ = Bevel::None;
  int borderWidth_ = 0;
  Color color_ = Color::ButtonFace();
};

class Win32Button final : public Win32Control<Button> {
 public:
  Win32Button(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  ~Win32Button() override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetGlyph(const art::Picture& picture, int glyphs) override;
  void SetHint(const std::string& hint) override;
  std::string Hint() const override { return hint_; }
  void SetDefault(bool isDefault) override;
  bool Default() const override { return default_; }
  void ClearDefault();

  void Command(WORD code) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;
  // The user pressed it (click, Space, Enter, access key).
  void Press() { Fire(OnClick); }

 private:
  std::string caption_;
  std::string hint_;
  std::optional<art::Picture> glyph_;
  std::optional<art::Picture> greyed_;
  int glyphs_ = 1;
  bool default_ = false;
};

class Win32CheckBox final : public Win32Control<CheckBox> {
 public:
  Win32CheckBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetChecked(bool checked) override;
  bool Checked() const override { return checked_; }
  void Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;

 private:
  std::string caption_;
  bool checked_ = false;
};

class Win32RadioButton final : public Win32Control<RadioButton> {
 public:
  Win32RadioButton(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetChecked(bool checked) override;
  bool Checked() const override { return checked_; }
  // Cleared because a sibling was ticked: no event.
  void Untick();
  void Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;

 private:
  std::string caption_;
  bool checked_ = false;
};

class Win32ScrollBar final : public Win32Control<ScrollBar> {
 public:
  Win32ScrollBar(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void SetRange(int min, int max) override;
  int Min() const override { return min_; }
  int Max() const override { return max_; }
  void SetPosition(int position) override;
  int Position() const override { return position_; }
  void SetSmallChange(int step) override { smallChange_ = step; }
  void SetLargeChange(int step) override { largeChange_ = step; }
  void Scroll(WORD code) override;
  bool WantsKey(int virtualKey) const override;

 private:
  void Sync() const;

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int smallChange_ = 1;
  int largeChange_ = 1;
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

class Win32ComboBox final : public Win32Control<ComboBox> {
 public:
  Win32ComboBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  void SetStyle(ComboStyle style) override;
  void SetItemHeight(int pixels) override;
  void ClearItems() override;
  void AddItem(const std::string& text) override;
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::string Item(int index) const override;
  void SetItemIndex(int index) override;
  int ItemIndex() const override { return itemIndex_; }
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void Command(WORD code) override;
  bool WantsKey(int virtualKey) const override;
  bool DroppedDown() const;

 private:
  void Build();

  ComboStyle style_ = ComboStyle::DropDown;
  int itemHeight_ = 16;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

class Win32Memo final : public Win32Control<Memo> {
 public:
  Win32Memo(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  ~Win32Memo() override;
  void SetReadOnly(bool readOnly) override;
  void SetVerticalScrollBar(bool shown) override;
  void SetColor(Color color) override;
  void AppendLine(const std::string& text) override;
  void Clear() override;
  std::vector<std::string> Lines() const override { return lines_; }
  int LineCount() const override;
  HBRUSH CtlColor(HDC dc) override;
  bool WantsKey(int virtualKey) const override;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::vector<std::string> lines_;
  Color color_ = Color::Window();
  HBRUSH brush_ = nullptr;
  WNDPROC original_ = nullptr;
};

class Win32StatusBar final : public Win32Control<StatusBar> {
 public:
  Win32StatusBar(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  int AddPanel(int width, Alignment alignment) override;
  int PanelCount() const override { return static_cast<int>(panels_.size()); }
  void SetPanelText(int index, const std::string& text) override;
  std::string PanelText(int index) const override;
  void SetColor(Color color) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  struct PanelState {
    int width;
    Alignment alignment;
    std::string text;
  };

  std::vector<PanelState> panels_;
  Color color_ = Color::ButtonFace();
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

class Win32GroupBox final : public Win32Control<GroupBox> {
 public:
  Win32GroupBox(Win32Form& form, Win32GroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void ApplyState() override;
  HBRUSH CtlColor(HDC dc) override;
  // Where its controls' bounds start, in the form's client area.
  POINT Origin() const;

 private:
  std::string caption_;
};

}  // namespace keldo::ui::win32
