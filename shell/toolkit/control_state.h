#pragma once

#include <string>
#include <vector>

#include "shell/toolkit/controls.h"

namespace keldo::ui {

// The state rules of the controls, kept here rather than read back from a
// native widget. A backend derives its control from one of these and maps
// the change onto the screen through the hooks.

// Runs one of a control's events for a change, the program's or the user's:
// as a plain call, so an error reaches whoever made the change (the user's
// input runs inside the loop's guard). A copy runs, as the handler may
// destroy the control.
void Raise(const NotifyEvent& event, Control& sender);

// The user's ways of moving a scroll bar by a step or to an end.
enum class ScrollAction { LineLeft, LineRight, PageLeft, PageRight, Home, End };

// The caption of a control kind I that has one.
template <class I>
class Captioned : public I {
 public:
  void SetCaption(const std::string& caption) final {
    caption_ = caption;
    ShowCaption();
  }
  std::string Caption() const final { return caption_; }

 protected:
  virtual void ShowCaption() {}

 private:
  std::string caption_;
};

class ButtonState : public Captioned<Button> {
 public:
  void SetHint(const std::string& hint) final;
  std::string Hint() const final { return hint_; }
  void SetDefault(bool isDefault) final;
  bool Default() const final { return default_; }
  // Another button of the form became the default.
  void ClearDefault();

 protected:
  // Runs while Hint() is still the one before.
  virtual void ShowHint(const std::string& /*hint*/) {}
  virtual void ShowDefault() {}
  // This button became the default: the form's others are to lose the flag.
  virtual void BecameDefault() = 0;

 private:
  std::string hint_;
  bool default_ = false;
};

class CheckBoxState : public Captioned<CheckBox> {
 public:
  // OnClick runs exactly when the state changes.
  void SetChecked(bool checked) final;
  bool Checked() const final { return checked_; }

 protected:
  virtual void ShowChecked() {}

 private:
  bool checked_ = false;
};

class RadioButtonState : public Captioned<RadioButton> {
 public:
  // Ticking one that was not ticked clears its group (Ticked) and runs
  // OnClick; clearing runs nothing.
  void SetChecked(bool checked) final;
  bool Checked() const final { return checked_; }
  // Cleared because another of the group was ticked: no event.
  void Untick();

 protected:
  virtual void ShowChecked() {}
  // The others of the group are to be cleared.
  virtual void Ticked() = 0;

 private:
  bool checked_ = false;
};

class ScrollBarState : public ScrollBar {
 public:
  void SetRange(int min, int max) final;
  int Min() const final { return min_; }
  int Max() const final { return max_; }
  void SetPosition(int position) final;
  int Position() const final { return position_; }
  void SetSmallChange(int step) final { smallChange_ = step; }
  void SetLargeChange(int step) final { largeChange_ = step; }

  // The user's step or jump; the position stays within the range.
  void Step(ScrollAction action);

 protected:
  // The range or the position changed; OnChange follows where it moved.
  virtual void ShowPosition() {}

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int smallChange_ = 1;
  int largeChange_ = 1;
};

// The item list and the chosen index; the text is the backend's.
class ComboBoxState : public ComboBox {
 public:
  void SetStyle(ComboStyle style) final;
  ComboStyle Style() const { return style_; }
  void ClearItems() final;
  void AddItem(const std::string& text) final;
  int ItemCount() const final { return static_cast<int>(items_.size()); }
  std::string Item(int index) const final;
  void SetItemIndex(int index) final;
  int ItemIndex() const final { return itemIndex_; }
  // A DropDown box takes the text as typed; a DropDownList chooses the first
  // item with exactly that text (case counts), or none.
  void SetText(const std::string& text) final;

 protected:
  const std::vector<std::string>& Items() const { return items_; }
  // The user chose index on the screen (-1 or out of range: none); nothing
  // is shown again.
  void TakeChoice(int index);
  virtual void ShowStyle() {}
  virtual void ShowCleared() {}
  virtual void ShowAdded(const std::string& /*text*/) {}
  // ItemIndex() changed or was set again.
  virtual void ShowChoice() {}
  // The editable field of a DropDown box gets text.
  virtual void ShowEditText(const std::string& text) = 0;

 private:
  ComboStyle style_ = ComboStyle::DropDown;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

class MemoState : public Memo {
 public:
  void AppendLine(const std::string& text) final;
  void Clear() final;
  std::vector<std::string> Lines() const final { return lines_; }
  int LineCount() const final;

 protected:
  const std::vector<std::string>& StoredLines() const { return lines_; }
  // The display lines of all the lines as the screen lays them out, an
  // empty one taking one; called only while there is a line.
  virtual int DisplayLines() const = 0;
  // text is to be shown as a new last line; first when it is the only one.
  virtual void ShowAppended(const std::string& /*text*/, bool /*first*/) {}
  virtual void ShowCleared() {}

 private:
  std::vector<std::string> lines_;
};

class StatusBarState : public StatusBar {
 public:
  int AddPanel(int width, Alignment alignment) final;
  int PanelCount() const final { return static_cast<int>(panels_.size()); }
  void SetPanelText(int index, const std::string& text) final;
  std::string PanelText(int index) const final;
  void SetColor(Color color) final;

 protected:
  struct PanelState {
    int width;
    Alignment alignment;
    std::string text;
  };
  const std::vector<PanelState>& Panels() const { return panels_; }
  Color GetColor() const { return color_; }
  virtual void ShowPanels() {}

 private:
  std::vector<PanelState> panels_;
  Color color_ = Color::ButtonFace();
};

}  // namespace keldo::ui
