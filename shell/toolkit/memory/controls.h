#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/toolkit/control_state.h"
#include "shell/toolkit/controls.h"

namespace keldo::ui::memory {

class MemoryForm;
class MemoryGroupBox;

// The state every in-memory control keeps, and its answers to the user's
// input. The form routes clicks and keys here once it has checked that the
// control takes input.
class MemoryWidget {
 public:
  MemoryWidget(MemoryForm& form, MemoryGroupBox* parent, const Bounds& bounds)
      : form_(form), parent_(parent), bounds_(bounds) {}
  virtual ~MemoryWidget() = default;
  MemoryWidget(const MemoryWidget&) = delete;
  MemoryWidget& operator=(const MemoryWidget&) = delete;

  virtual Control& AsControl() = 0;
  MemoryForm& OwnerForm() const { return form_; }
  MemoryGroupBox* ParentBox() const { return parent_; }

  // Whether the kind ever takes the keyboard focus.
  virtual bool Focusable() const { return true; }
  // Visible and enabled, and so is its group box.
  bool Usable() const;

  // A left click, a double click, a key while focused (true if the control
  // used it) and typed text (true if any was taken).
  virtual void UserClick() {}
  virtual void UserDoubleClick() {
    UserClick();
    UserClick();
  }
  virtual bool UserKey(int /*virtualKey*/) { return false; }
  virtual bool UserType(const std::string& /*text*/, bool /*replace*/) { return false; }
  // A press by Enter or an access key: what a click does.
  void Press() { UserClick(); }

 protected:
  MemoryForm& form_;
  MemoryGroupBox* parent_;
  Bounds bounds_;
  bool visible_ = true;
  bool enabled_ = true;
};

// Implements Control on the shared state for one interface I.
template <class I>
class MemoryControl : public I, public MemoryWidget {
 public:
  using MemoryWidget::MemoryWidget;

  Control& AsControl() override { return *this; }
  ControlKind Kind() const override { return I::kKind; }
  Bounds GetBounds() const override { return bounds_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    Changed();
  }
  bool Visible() const override { return visible_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Changed();
  }
  bool Enabled() const override { return enabled_; }
  void SetFocus() override;
  bool Focused() const override;

 private:
  // A control that can no longer take the focus gives it up.
  void Changed();
};

class MemoryLabel final : public MemoryControl<Captioned<Label>> {
 public:
  using MemoryControl::MemoryControl;
  bool Focusable() const override { return false; }
  void SetAlignment(Alignment alignment) override { alignment_ = alignment; }
  void SetLayout(VerticalLayout layout) override { layout_ = layout; }
  Alignment GetAlignment() const { return alignment_; }
  VerticalLayout GetLayout() const { return layout_; }

 private:
  Alignment alignment_ = Alignment::Left;
  VerticalLayout layout_ = VerticalLayout::Top;
};

class MemoryPanel final : public MemoryControl<Captioned<Panel>> {
 public:
  using MemoryControl::MemoryControl;
  bool Focusable() const override { return false; }
  void SetAlignment(Alignment alignment) override { alignment_ = alignment; }
  void SetBevel(Bevel outer, Bevel inner, int borderWidth) override {
    outer_ = outer;
    inner_ = inner;
    borderWidth_ = borderWidth;
  }
  void SetColor(Color color) override { color_ = color; }
  Color GetColor() const { return color_; }

 private:
  Alignment alignment_ = Alignment::Center;
  Bevel outer_ = Bevel::Raised;
  Bevel inner_ = Bevel::None;
  int borderWidth_ = 0;
  Color color_ = Color::ButtonFace();
};

class MemoryButton final : public MemoryControl<ButtonState> {
 public:
  using MemoryControl::MemoryControl;
  void SetGlyph(const art::Picture& picture, int glyphs) override {
    glyph_ = picture;
    glyphs_ = glyphs;
  }

  const std::optional<art::Picture>& Glyph() const { return glyph_; }
  int GlyphCount() const { return glyphs_; }

  void UserClick() override;
  bool UserKey(int virtualKey) override;

 private:
  void BecameDefault() override;

  std::optional<art::Picture> glyph_;
  int glyphs_ = 0;
};

class MemoryCheckBox final : public MemoryControl<CheckBoxState> {
 public:
  using MemoryControl::MemoryControl;
  void UserClick() override { SetChecked(!Checked()); }
  bool UserKey(int virtualKey) override;
};

class MemoryRadioButton final : public MemoryControl<RadioButtonState> {
 public:
  using MemoryControl::MemoryControl;
  void UserClick() override { SetChecked(true); }
  bool UserKey(int virtualKey) override;

 private:
  void Ticked() override;
};

using ui::ScrollAction;

class MemoryScrollBar final : public MemoryControl<ScrollBarState> {
 public:
  using MemoryControl::MemoryControl;
  bool UserKey(int virtualKey) override;
};

class MemoryEdit final : public MemoryControl<Edit> {
 public:
  using MemoryControl::MemoryControl;
  void SetText(const std::string& text) override { text_ = text; }
  std::string Text() const override { return text_; }
  void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
  bool ReadOnly() const override { return readOnly_; }
  void SetMaxLength(int maxLength) override { maxLength_ = maxLength; }
  int MaxLength() const override { return maxLength_; }

  bool UserType(const std::string& text, bool replace) override;

 private:
  std::string text_;
  bool readOnly_ = false;
  int maxLength_ = 0;
};

class MemoryComboBox final : public MemoryControl<ComboBoxState> {
 public:
  using MemoryControl::MemoryControl;
  void SetItemHeight(int pixels) override { itemHeight_ = pixels; }
  std::string Text() const override { return text_; }

  bool UserType(const std::string& text, bool replace) override;
  bool UserKey(int virtualKey) override;

 private:
  void ShowCleared() override;
  void ShowChoice() override;
  void ShowEditText(const std::string& text) override { text_ = text; }

  int itemHeight_ = 16;
  std::string text_;
};

// Wraps by a fixed metric: every character is CharWidth(font height)
// pixels wide, and the text area is the control's width less 4 pixels of
// border, 4 of margins and 17 for a vertical scroll bar. So a 306-pixel log
// with a scroll bar in a 13-pixel font holds 35 characters a line.
class MemoryMemo final : public MemoryControl<MemoState> {
 public:
  static constexpr int kBorder = 4;
  static constexpr int kMargins = 4;
  static constexpr int kScrollBarWidth = 17;
  static int CharWidth(int fontHeight) { return (fontHeight * 3 + 2) / 5; }
  // Display lines of one line of text at columns characters a line: breaks
  // after the last space that fits (spaces at the break take no room), and
  // inside a word that is longer than a line. An empty line takes one.
  static int WrappedLines(const std::string& line, int columns);

  using MemoryControl::MemoryControl;
  void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
  void SetVerticalScrollBar(bool shown) override { scrollBar_ = shown; }
  void SetColor(Color color) override { color_ = color; }
  // Characters a display line holds with the form's font.
  int Columns() const;

  void UserDoubleClick() override;
  bool UserKey(int virtualKey) override;

 private:
  int DisplayLines() const override;

  bool readOnly_ = false;
  bool scrollBar_ = false;
  Color color_ = Color::Window();
};

class MemoryStatusBar final : public MemoryControl<StatusBarState> {
 public:
  using MemoryControl::MemoryControl;
  bool Focusable() const override { return false; }
};

class MemoryImage final : public MemoryControl<Image> {
 public:
  using MemoryControl::MemoryControl;
  bool Focusable() const override { return false; }
  void SetPicture(const art::Picture& picture) override { picture_ = picture; }
  void ClearPicture() override { picture_.reset(); }
  const art::Picture* Picture() const override { return picture_ ? &*picture_ : nullptr; }

 private:
  std::optional<art::Picture> picture_;
};

class MemoryGroupBox final : public MemoryControl<Captioned<GroupBox>> {
 public:
  using MemoryControl::MemoryControl;
  bool Focusable() const override { return false; }
};

// The class of each kind, for MakeControl.
struct MemoryKinds {
  using Label = MemoryLabel;
  using Panel = MemoryPanel;
  using Button = MemoryButton;
  using CheckBox = MemoryCheckBox;
  using RadioButton = MemoryRadioButton;
  using ScrollBar = MemoryScrollBar;
  using Edit = MemoryEdit;
  using ComboBox = MemoryComboBox;
  using Memo = MemoryMemo;
  using StatusBar = MemoryStatusBar;
  using Image = MemoryImage;
  using GroupBox = MemoryGroupBox;
};

}  // namespace keldo::ui::memory
