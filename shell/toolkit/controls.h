#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shell/art/picture.h"
#include "shell/toolkit/types.h"

namespace keldo::ui {

enum class ControlKind {
  Label,
  Panel,
  Button,
  CheckBox,
  RadioButton,
  ScrollBar,
  Edit,
  ComboBox,
  Memo,
  StatusBar,
  Image,
  GroupBox,
};

// What every control has. Controls are made by their form (Form::Create) and
// live as long as it. A control takes input only while it, its group box and
// its form are enabled and visible, and no modal form blocks its form.
//
// Changes the program makes never raise the user's events unless a control
// says otherwise (check and radio buttons, the scroll bar do).
class Control {
 public:
  virtual ~Control() = default;

  virtual ControlKind Kind() const = 0;
  virtual Bounds GetBounds() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  // Moves the keyboard focus here (and makes the form's active control this
  // one) if the control can take it; otherwise nothing happens.
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;
};

// Static text. Never takes the focus.
class Label : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Label;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetAlignment(Alignment alignment) = 0;  // default Left
  virtual void SetLayout(VerticalLayout layout) = 0;   // default Top
};

enum class Bevel : std::uint8_t { None, Lowered, Raised };

// A framed box with one line of text. Never takes the focus.
class Panel : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Panel;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetAlignment(Alignment alignment) = 0;  // default Center
  // Outer and inner bevels, borderWidth pixels apart. Default: outer Raised,
  // inner None, width 0.
  virtual void SetBevel(Bevel outer, Bevel inner, int borderWidth) = 0;
  virtual void SetColor(Color color) = 0;  // default ButtonFace
};

// A push button with an optional caption and an optional picture, drawn
// centred. Space while focused, a click, and Enter (see Form) press it.
class Button : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Button;
  // "&" marks the access key: Alt+key (or the key alone when the focus is on
  // no text field) presses the button.
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  // glyphs images of equal width side by side: the first is drawn while
  // enabled, the second (if any) while disabled; a backend greys the first
  // when there is no second. The colour of the picture's bottom-left pixel is
  // drawn transparent.
  virtual void SetGlyph(const art::Picture& picture, int glyphs = 1) = 0;
  // The tooltip shown while the pointer rests on the button; empty: none.
  virtual void SetHint(const std::string& hint) = 0;
  virtual std::string Hint() const = 0;
  // The form's default button, pressed by Enter (see Form). At most one per
  // form: making one default clears the flag of the others.
  virtual void SetDefault(bool isDefault) = 0;
  virtual bool Default() const = 0;

  NotifyEvent OnClick;
};

// A check box. The program's SetChecked runs OnClick exactly when the state
// changes, like a user's click; setting the state it has does nothing.
class CheckBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::CheckBox;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetChecked(bool checked) = 0;
  virtual bool Checked() const = 0;

  NotifyEvent OnClick;
};

// A radio button. The radio buttons of one parent (the form, or a group box)
// are one group: ticking one clears the others. Ticking one that was not
// ticked, by the user or the program, runs its OnClick; a click on the ticked
// one and clearing run nothing. Tab stops only at the group's ticked button
// (the first in the tab order when none is); the arrow keys move to the next
// or previous button of the group and tick it.
class RadioButton : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::RadioButton;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetChecked(bool checked) = 0;
  virtual bool Checked() const = 0;

  NotifyEvent OnClick;
};

// A horizontal scroll bar with the platform's standard thumb size (no page
// proportion). The position always stays within Min..Max. Every change of the
// position, by the user or the program, runs OnChange once; a set that
// leaves it where it was runs nothing. The user's arrows (and the Left/Right
// or Up/Down keys while focused) move it by SmallChange, a click on the track
// (and Page Up/Page Down) by LargeChange, Home/End go to Min/Max, dragging the
// thumb sets it directly.
class ScrollBar : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::ScrollBar;
  // Default 0..100. The position is clamped into the new range (OnChange
  // runs if that moves it).
  virtual void SetRange(int min, int max) = 0;
  virtual int Min() const = 0;
  virtual int Max() const = 0;
  // Clamped to Min..Max.
  virtual void SetPosition(int position) = 0;
  virtual int Position() const = 0;
  virtual void SetSmallChange(int step) = 0;  // default 1
  virtual void SetLargeChange(int step) = 0;  // default 1

  NotifyEvent OnChange;
};

// A single-line text field. MaxLength limits what the user types (0: no
// limit); SetText is never cut. A read-only field takes the focus but no
// typing.
class Edit : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Edit;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual bool ReadOnly() const = 0;
  virtual void SetMaxLength(int maxLength) = 0;
  virtual int MaxLength() const = 0;
};

enum class ComboStyle : std::uint8_t {
  DropDown,      // an editable text field with a drop-down list
  DropDownList,  // a choice from the items only; the text is the chosen item
};

// A combo box. Choosing an item (user or SetItemIndex) sets the text to it.
// SetText on a DropDown box sets the field's text and leaves ItemIndex as it
// was; on a DropDownList it chooses the first item with exactly that text, or
// none. The user's typing into a DropDown box leaves ItemIndex too.
class ComboBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::ComboBox;
  virtual void SetStyle(ComboStyle style) = 0;  // default DropDown
  virtual void SetItemHeight(int pixels) = 0;   // rows of the drop-down list
  virtual void ClearItems() = 0;                // also chooses none
  virtual void AddItem(const std::string& text) = 0;
  virtual int ItemCount() const = 0;
  virtual std::string Item(int index) const = 0;
  // -1 chooses none (a DropDownList then shows no text); an index outside the
  // list chooses none as well.
  virtual void SetItemIndex(int index) = 0;
  virtual int ItemIndex() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
};

// A read-only, word-wrapping, multi-line text view (the log). Long lines wrap
// at word boundaries onto further display lines; a word wider than the view
// is broken. Appending shows the last line.
class Memo : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Memo;
  virtual void SetReadOnly(bool readOnly) = 0;        // default false
  virtual void SetVerticalScrollBar(bool shown) = 0;  // always shown when true
  virtual void SetColor(Color color) = 0;             // default Window
  // A line shows at most this many bytes: the view holds a few thousand
  // characters, and a native control may wrap one long line in time that
  // grows with the square of its length.
  static constexpr std::size_t kMaxLineBytes = 4096;
  // Adds text as a new last line; a longer text than kMaxLineBytes is cut
  // before a character that would pass it and ends in "...". Lines() and
  // LineCount() see the line as shown.
  virtual void AppendLine(const std::string& text) = 0;
  virtual void Clear() = 0;
  // The lines as shown, without wrapping.
  virtual std::vector<std::string> Lines() const = 0;
  // The number of display lines: wrapped lines count as many as they take
  // on screen, and an empty last line is not counted. Real backends measure
  // the real text; the memory backend uses a fixed metric of the font.
  virtual int LineCount() const = 0;

  NotifyEvent OnDblClick;
};

// A status bar of panels side by side. Never takes the focus.
class StatusBar : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::StatusBar;
  // Returns the new panel's index.
  virtual int AddPanel(int width, Alignment alignment) = 0;
  virtual int PanelCount() const = 0;
  virtual void SetPanelText(int index, const std::string& text) = 0;
  virtual std::string PanelText(int index) const = 0;
  virtual void SetColor(Color color) = 0;  // default ButtonFace
};

// Holds a copy of a picture and draws it at its own size from the top-left
// corner, neither stretched nor centred; transparent pixels show the parent.
class Image : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Image;
  virtual void SetPicture(const art::Picture& picture) = 0;
  virtual void ClearPicture() = 0;
  // The picture held, or nullptr when empty.
  virtual const art::Picture* Picture() const = 0;
};

// A framed group with a caption; the parent of the controls made in it, which
// are placed relative to it. Never takes the focus itself.
class GroupBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::GroupBox;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
};

}  // namespace keldo::ui
