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
class QRadioButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QGroupBox;

namespace keldo::ui::qt {

class QtForm;
class QtGroupBox;
class PanelWidget;
class ImageWidget;
class MemoWidget;
class TypingLimit;

// The backend's side of every control: its Qt widget, its form, its group
// box and its own visible and enabled flags.
class QtControl {
 public:
  QtControl(QtForm& form, QtGroupBox* box, QWidget* widget, const Bounds& bounds);
  virtual ~QtControl() = default;
  QtControl(const QtControl&) = delete;
  QtControl& operator=(const QtControl&) = delete;

  virtual Control& AsControl() = 0;
  QWidget* Widget() const { return widget_; }
  QtForm& OwnerForm() const { return form_; }
  QtGroupBox* ParentBox() const { return box_; }
  // Whether the kind ever takes the keyboard focus.
  virtual bool Focusable() const { return true; }
  // Visible and enabled, and so is its group box.
  bool Usable() const;
  // The user's press of a button (Enter, an access key).
  virtual void Press() {}

 protected:
  // The widget a control made in box (or in the form) goes into.
  static QWidget* ParentWidget(QtForm& form, QtGroupBox* box);

  QtForm& form_;
  QtGroupBox* box_;
  QWidget* widget_;  // owned by its Qt parent
  Bounds bounds_;
  bool visible_ = true;
  bool enabled_ = true;
};

// What Control asks of every kind, once for all of them.
template <class Interface>
class QtControlOf : public Interface, public QtControl {
 public:
  QtControlOf(QtForm& form, QtGroupBox* box, QWidget* widget, const Bounds& bounds)
      : QtControl(form, box, widget, bounds) {}

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
  QtLabel(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
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
  QtPanel(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetAlignment(Alignment alignment) override;
  void SetBevel(Bevel outer, Bevel inner, int borderWidth) override;
  void SetColor(Color color) override;

 private:
  void ShowCaption() override;
  PanelWidget* panel_;
};

class QtButton final : public QtControlOf<ButtonState> {
 public:
  QtButton(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  void SetGlyph(const art::Picture& picture, int glyphs) override;
  void Press() override;

 private:
  void ShowCaption() override;
  void ShowHint(const std::string& hint) override;
  void ShowDefault() override;
  void BecameDefault() override;
  QPushButton* button_;
};

class QtCheckBox final : public QtControlOf<CheckBoxState> {
 public:
  QtCheckBox(QtForm& form, QtGroupBox* box, const Bounds& bounds);

 private:
  void ShowCaption() override;
  void ShowChecked() override;
  QCheckBox* check_;
};

class QtRadioButton final : public QtControlOf<RadioButtonState> {
 public:
  QtRadioButton(QtForm& form, QtGroupBox* box, const Bounds& bounds);

 private:
  void ShowCaption() override;
  void ShowChecked() override;
  void Ticked() override;
  QRadioButton* radio_;
};

class QtScrollBar final : public QtControlOf<ScrollBarState> {
 public:
  QtScrollBar(QtForm& form, QtGroupBox* box, const Bounds& bounds);

 private:
  void ShowPosition() override;
  // The user's arrow, track, key, wheel or drag, as Qt names it.
  void UserAction(int action);
  QScrollBar* bar_;
};

class QtEdit final : public QtControlOf<Edit> {
 public:
  QtEdit(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void SetReadOnly(bool readOnly) override;
  bool ReadOnly() const override;
  void SetMaxLength(int maxLength) override;
  int MaxLength() const override;

 private:
  QLineEdit* edit_;
  TypingLimit* limit_;
  // The program's last text and how it was shown: while the field still
  // shows it, Text() gives those bytes back even where they are not UTF-8.
  std::string set_;
  QString shown_;
};

class QtComboBox final : public QtControlOf<ComboBoxState> {
 public:
  QtComboBox(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  void SetItemHeight(int pixels) override;
  std::string Text() const override;

 private:
  void ShowStyle() override;
  void ShowCleared() override;
  void ShowAdded(const std::string& text) override;
  void ShowChoice() override;
  void ShowEditText(const std::string& text) override;
  // Shows the chosen index, and the field's text where there is a field.
  void Show(const QString& fieldText);
  QString FieldText() const;
  QComboBox* combo_;
  bool showing_ = false;  // the widget's signals are our own changes
};

class QtMemo final : public QtControlOf<MemoState> {
 public:
  QtMemo(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  void SetReadOnly(bool readOnly) override;
  void SetVerticalScrollBar(bool shown) override;
  void SetColor(Color color) override;
  // The display lines the view itself has laid out (a check of LineCount).
  int LaidOutLineCount() const;

 private:
  // The width the text wraps at, from the geometry alone, so the count holds
  // before the view was ever shown.
  int WrapWidth() const;
  int DisplayLines(const std::string& line, int width) const;
  int DisplayLines() const override;
  void ShowAppended(const std::string& text, bool first) override;
  void ShowCleared() override;

  MemoWidget* memo_;
  // Display lines per line, for the width and font they were measured at.
  mutable std::vector<int> counts_;
  mutable int countedWidth_ = -1;
  mutable QSize laidOut_;
  mutable QFont countedFont_;
};

class QtStatusBar final : public QtControlOf<StatusBarState> {
 public:
  QtStatusBar(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  // Panels side by side, each sunken.
  void Paint(QWidget& widget) const;

 private:
  void ShowPanels() override;
};

class QtImage final : public QtControlOf<Image> {
 public:
  QtImage(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  void SetPicture(const art::Picture& picture) override;
  void ClearPicture() override;
  const art::Picture* Picture() const override;

 private:
  ImageWidget* image_;
  std::unique_ptr<art::Picture> picture_;
};

class QtGroupBox final : public QtControlOf<Captioned<GroupBox>> {
 public:
  QtGroupBox(QtForm& form, QtGroupBox* box, const Bounds& bounds);
  bool Focusable() const override { return false; }
  QWidget* Client() const { return widget_; }

 private:
  void ShowCaption() override;
  QGroupBox* frame_;
};

// The class of each kind, for MakeControl.
struct QtKinds {
  using Label = QtLabel;
  using Panel = QtPanel;
  using Button = QtButton;
  using CheckBox = QtCheckBox;
  using RadioButton = QtRadioButton;
  using ScrollBar = QtScrollBar;
  using Edit = QtEdit;
  using ComboBox = QtComboBox;
  using Memo = QtMemo;
  using StatusBar = QtStatusBar;
  using Image = QtImage;
  using GroupBox = QtGroupBox;
};

}  // namespace keldo::ui::qt
