#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/toolkit/controls.h"

class QPushButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QGroupBox;

namespace keldo::ui::qt {

class QtForm;
class PanelWidget;
class StatusBarWidget;
class ImageWidget;
class MemoWidget;
class RadioWidget;

// The backend's side of every control: its Qt widget and its form.
class QtControl {
 public:
  QtControl(QtForm& form, QWidget* widget, const Bounds& bounds);
  virtual ~QtControl() = default;
  QtControl(const QtControl&) = delete;
  QtControl& operator=(const QtControl&) = delete;

  virtual Control& AsControl() = 0;
  QWidget* Widget() const { return widget_; }
  QtForm& OwnerForm() const { return form_; }
  // Whether Tab may stop here now (visible, enabled, takes the focus).
  virtual bool TabStop() const;

 protected:
  QtForm& form_;
  QWidget* widget_;  // owned by its Qt parent
  Bounds bounds_;
  bool visible_ = true;
  bool enabled_ = true;
};

// What Control asks of every kind, once for all of them.
template <class Interface>
class QtControlOf : public Interface, public QtControl {
 public:
  QtControlOf(QtForm& form, QWidget* widget, const Bounds& bounds)
      : QtControl(form, widget, bounds) {}

  Control& AsControl() override { return *this; }
  ControlKind Kind() const override { return Interface::kKind; }
  Bounds GetBounds() const override { return bounds_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    widget_->setVisible(visible);
  }
  bool Visible() const override { return visible_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    widget_->setEnabled(enabled);
  }
  bool Enabled() const override { return enabled_; }
  void SetFocus() override;
  bool Focused() const override;
};

class QtLabel final : public QtControlOf<Label> {
 public:
  QtLabel(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetAlignment(Alignment alignment) override;
  void SetLayout(VerticalLayout layout) override;

 private:
  void Align();
  QLabel* label_;
  std::string caption_;
  Alignment alignment_ = Alignment::Left;
  VerticalLayout layout_ = VerticalLayout::Top;
};

class QtPanel final : public QtControlOf<Panel> {
 public:
  QtPanel(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetAlignment(Alignment alignment) override;
  void SetBevel(Bevel outer, Bevel inner, int borderWidth) override;
  void SetColor(Color color) override;

 private:
  PanelWidget* panel_;
  std::string caption_;
};

class QtButton final : public QtControlOf<Button> {
 public:
  QtButton(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetGlyph(const art::Picture& picture, int glyphs) override;
  void SetHint(const std::string& hint) override;
  std::string Hint() const override { return hint_; }
  void SetDefault(bool isDefault) override;
  bool Default() const override { return default_; }
  // A press by the user, Enter or Space.
  void Press();
  // The lower-case access key of the caption, or 0.
  char AccessKey() const;
  // Visible and enabled along its parents.
  bool Usable() const;
  void ClearDefault();

 private:
  QPushButton* button_;
  std::string caption_;
  std::string hint_;
  bool default_ = false;
};

class QtCheckBox final : public QtControlOf<CheckBox> {
 public:
  QtCheckBox(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetChecked(bool checked) override;
  bool Checked() const override;

 private:
  QCheckBox* box_;
  std::string caption_;
};

class QtRadioButton final : public QtControlOf<RadioButton> {
 public:
  QtRadioButton(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetChecked(bool checked) override;
  bool Checked() const override;
  bool TabStop() const override;

 private:
  RadioWidget* radio_;
  std::string caption_;
};

class QtScrollBar final : public QtControlOf<ScrollBar> {
 public:
  QtScrollBar(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetRange(int min, int max) override;
  int Min() const override;
  int Max() const override;
  void SetPosition(int position) override;
  int Position() const override;
  void SetSmallChange(int step) override;
  void SetLargeChange(int step) override;

 private:
  void ProgramChange(const std::function<void()>& change);

  QScrollBar* bar_;
  bool programChange_ = false;
};

class QtEdit final : public QtControlOf<Edit> {
 public:
  QtEdit(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void SetReadOnly(bool readOnly) override;
  bool ReadOnly() const override;
  void SetMaxLength(int maxLength) override;
  int MaxLength() const override { return maxLength_; }

 private:
  QLineEdit* edit_;
  int maxLength_ = 0;
};

class QtComboBox final : public QtControlOf<ComboBox> {
 public:
  QtComboBox(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetStyle(ComboStyle style) override;
  void SetItemHeight(int pixels) override;
  void ClearItems() override;
  void AddItem(const std::string& text) override;
  int ItemCount() const override;
  std::string Item(int index) const override;
  void SetItemIndex(int index) override;
  int ItemIndex() const override;
  void SetText(const std::string& text) override;
  std::string Text() const override;

 private:
  QComboBox* combo_;
  ComboStyle style_ = ComboStyle::DropDown;
};

class QtMemo final : public QtControlOf<Memo> {
 public:
  QtMemo(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetReadOnly(bool readOnly) override;
  void SetVerticalScrollBar(bool shown) override;
  void SetColor(Color color) override;
  void AppendLine(const std::string& text) override;
  void Clear() override;
  std::vector<std::string> Lines() const override { return lines_; }
  int LineCount() const override;
  // The display lines the view itself has laid out (a check of LineCount).
  int LaidOutLineCount() const;

 private:
  // The width the text wraps at, from the geometry alone, so the count holds
  // before the view was ever shown.
  int WrapWidth() const;
  int DisplayLines(const std::string& line, int width) const;

  MemoWidget* memo_;
  std::vector<std::string> lines_;
  // Display lines per line, for the width and font they were measured at.
  mutable std::vector<int> counts_;
  mutable int countedWidth_ = -1;
  mutable QSize laidOut_;
  mutable QFont countedFont_;
};

class QtStatusBar final : public QtControlOf<StatusBar> {
 public:
  QtStatusBar(QtForm& form, QWidget* parent, const Bounds& bounds);
  int AddPanel(int width, Alignment alignment) override;
  int PanelCount() const override;
  void SetPanelText(int index, const std::string& text) override;
  std::string PanelText(int index) const override;
  void SetColor(Color color) override;

 private:
  StatusBarWidget* bar_;
};

class QtImage final : public QtControlOf<Image> {
 public:
  QtImage(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetPicture(const art::Picture& picture) override;
  void ClearPicture() override;
  const art::Picture* Picture() const override;

 private:
  ImageWidget* image_;
  std::unique_ptr<art::Picture> picture_;
};

class QtGroupBox final : public QtControlOf<GroupBox> {
 public:
  QtGroupBox(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  QWidget* Client() const { return widget_; }

 private:
  QGroupBox* box_;
  std::string caption_;
};

}  // namespace keldo::ui::qt
