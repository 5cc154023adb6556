#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/toolkit/control_state.h"
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

class QtLabel final : public QtControlOf<Captioned<Label>> {
 public:
  QtLabel(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetAlignment(Alignment alignment) override;
  void SetLayout(VerticalLayout layout) override;

 private:
  void ShowCaption() override;
  void Align();
  QLabel* label_;
  Alignment alignment_ = Alignment::Left;
  VerticalLayout layout_ = VerticalLayout::Top;
};

class QtPanel final : public QtControlOf<Captioned<Panel>> {
 public:
  QtPanel(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetAlignment(Alignment alignment) override;
  void SetBevel(Bevel outer, Bevel inner, int borderWidth) override;
  void SetColor(Color color) override;

 private:
  void ShowCaption() override;
  PanelWidget* panel_;
};

class QtButton final : public QtControlOf<ButtonState> {
 public:
  QtButton(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetGlyph(const art::Picture& picture, int glyphs) override;
  // A press by the user, Enter or Space.
  void Press();
  // The lower-case access key of the caption, or 0.
  char AccessKey() const;
  // Visible and enabled along its parents.
  bool Usable() const;

 private:
  void ShowCaption() override;
  void ShowHint(const std::string& hint) override;
  void ShowDefault() override;
  void BecameDefault() override;
  QPushButton* button_;
};

class QtCheckBox final : public QtControlOf<Captioned<CheckBox>> {
 public:
  QtCheckBox(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetChecked(bool checked) override;
  bool Checked() const override;

 private:
  void ShowCaption() override;
  QCheckBox* box_;
};

class QtRadioButton final : public QtControlOf<Captioned<RadioButton>> {
 public:
  QtRadioButton(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetChecked(bool checked) override;
  bool Checked() const override;
  bool TabStop() const override;

 private:
  void ShowCaption() override;
  RadioWidget* radio_;
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
  // The program's last text and how it was shown: while the field still
  // shows it, Text() gives those bytes back even where they are not UTF-8.
  std::string set_;
  QString shown_;
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

class QtMemo final : public QtControlOf<MemoState> {
 public:
  QtMemo(QtForm& form, QWidget* parent, const Bounds& bounds);
  void SetReadOnly(bool readOnly) override;
  void SetVerticalScrollBar(bool shown) override;
  void SetColor(Color color) override;
  int LineCount() const override;
  // The display lines the view itself has laid out (a check of LineCount).
  int LaidOutLineCount() const;

 private:
  // The width the text wraps at, from the geometry alone, so the count holds
  // before the view was ever shown.
  int WrapWidth() const;
  int DisplayLines(const std::string& line, int width) const;
  void ShowAppended(const std::string& text, bool first) override;
  void ShowCleared() override;

  MemoWidget* memo_;
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

class QtGroupBox final : public QtControlOf<Captioned<GroupBox>> {
 public:
  QtGroupBox(QtForm& form, QWidget* parent, const Bounds& bounds);
  QWidget* Client() const { return widget_; }

 private:
  void ShowCaption() override;
  QGroupBox* box_;
};

}  // namespace keldo::ui::qt
