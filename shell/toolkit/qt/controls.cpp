#include "shell/toolkit/qt/controls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextLayout>
#include <QValidator>

#include <limits>

#include "shell/toolkit/qt/form.h"
#include "shell/toolkit/qt/picture.h"
#include "shell/toolkit/qt/toolkit.h"

namespace keldo::ui::qt {

namespace {

Qt::Alignment Horizontal(Alignment alignment) {
  switch (alignment) {
    case Alignment::Right:
      return Qt::AlignRight;
    case Alignment::Center:
      return Qt::AlignHCenter;
    case Alignment::Left:
      break;
  }
  return Qt::AlignLeft;
}

Qt::Alignment Vertical(VerticalLayout layout) {
  switch (layout) {
    case VerticalLayout::Center:
      return Qt::AlignVCenter;
    case VerticalLayout::Bottom:
      return Qt::AlignBottom;
    case VerticalLayout::Top:
      break;
  }
  return Qt::AlignTop;
}

// A one-pixel bevel around r, which shrinks by it.
void DrawBevel(QPainter& painter, const QPalette& palette, QRect& r, Bevel bevel) {
  if (bevel == Bevel::None) {
    return;
  }
  const QColor light = palette.color(QPalette::Light);
  const QColor dark = palette.color(QPalette::Dark);
  const QColor topLeft = bevel == Bevel::Lowered ? dark : light;
  const QColor bottomRight = bevel == Bevel::Lowered ? light : dark;
  painter.setPen(topLeft);
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(bottomRight);
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
  r.adjust(1, 1, -1, -1);
}

}  // namespace

// A framed box of one colour with one line of text.
class PanelWidget final : public QWidget {
 public:
  explicit PanelWidget(QWidget* parent) : QWidget(parent) {}

  QString text;
  Qt::Alignment alignment = Qt::AlignHCenter;
  Bevel outer = Bevel::Raised;
  Bevel inner = Bevel::None;
  int border = 0;
  QColor color;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QRect r = rect();
    painter.fillRect(r, color.isValid() ? color : palette().color(QPalette::Button));
    DrawBevel(painter, palette(), r, outer);
    r.adjust(border, border, -border, -border);
    DrawBevel(painter, palette(), r, inner);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(r.adjusted(2, 0, -2, 0), alignment | Qt::AlignVCenter | Qt::TextSingleLine,
                     text);
  }
};

// Panels side by side, each sunken, along the bottom of the form.
class StatusBarWidget final : public QWidget {
 public:
  struct Part {
    int width;
    Qt::Alignment alignment;
    QString text;
  };

  explicit StatusBarWidget(QWidget* parent) : QWidget(parent) {}

  std::vector<Part> parts;
  QColor color;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), color.isValid() ? color : palette().color(QPalette::Button));
    int x = 0;
    for (const Part& part : parts) {
      QRect r(x, 2, part.width - 2, height() - 2);
      DrawBevel(painter, palette(), r, Bevel::Lowered);
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(r.adjusted(2, 0, -2, 0),
                       part.alignment | Qt::AlignVCenter | Qt::TextSingleLine, part.text);
      x += part.width;
    }
  }
};

// A picture at its own size from the top-left corner.
class ImageWidget final : public QWidget {
 public:
  explicit ImageWidget(QWidget* parent) : QWidget(parent) {}

  QImage image;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!image.isNull()) {
      QPainter(this).drawImage(0, 0, image);
    }
  }
};

// The log view: keeps Enter to itself and reports double-clicks.
class MemoWidget final : public QPlainTextEdit {
 public:
  explicit MemoWidget(QWidget* parent) : QPlainTextEdit(parent) {}

  std::function<void()> onDoubleClick;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      event->accept();
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }

  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (onDoubleClick) {
      onDoubleClick();
    }
  }
};

// Tells a tick by the user (a click or an arrow key) from the program's.
class RadioWidget final : public QRadioButton {
 public:
  explicit RadioWidget(QWidget* parent) : QRadioButton(parent) {}

  bool userTicked = false;

 protected:
  void nextCheckState() override {
    const bool was = isChecked();
    QRadioButton::nextCheckState();
    userTicked = !was && isChecked();
  }
};

// The keys as the platform's scroll bar takes them: Up and Page Up go
// towards the minimum, Down and Page Down towards the maximum.
class ScrollBarWidget final : public QScrollBar {
 public:
  explicit ScrollBarWidget(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Left:
      case Qt::Key_Up:
        triggerAction(SliderSingleStepSub);
        break;
      case Qt::Key_Right:
      case Qt::Key_Down:
        triggerAction(SliderSingleStepAdd);
        break;
      case Qt::Key_PageUp:
        triggerAction(SliderPageStepSub);
        break;
      case Qt::Key_PageDown:
        triggerAction(SliderPageStepAdd);
        break;
      case Qt::Key_Home:
        triggerAction(SliderToMinimum);
        break;
      case Qt::Key_End:
        triggerAction(SliderToMaximum);
        break;
      default:
        QScrollBar::keyPressEvent(event);
        return;
    }
    event->accept();
  }
};

namespace {

// The platform's standard thumb: square, whatever the page step (which is
// only the step of a click on the track here).
class StandardThumbStyle final : public QProxyStyle {
 public:
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                       const QWidget* widget) const override {
    if (control == CC_ScrollBar) {
      if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
        QStyleOptionSlider copy(*slider);
        copy.pageStep = 0;
        return QProxyStyle::subControlRect(control, &copy, sub, widget);
      }
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
  }

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_ScrollBarSliderMin && widget != nullptr) {
      return widget->height();
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

// MaxLength limits what the user types, never what the program sets: an
// edit that would make a text longer than the limit, and longer than it is,
// is refused.
class TypingLimit final : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, const int& limit) : QValidator(edit), limit_(limit) {
    // The line edit holds the proposed text while it asks: keep the last
    // accepted length apart.
    QObject::connect(edit, &QLineEdit::textChanged, this,
                     [this](const QString& text) { shown_ = text.size(); });
  }

  State validate(QString& input, int& /*pos*/) const override {
    if (limit_ <= 0 || input.size() <= limit_ || input.size() <= shown_) {
      return Acceptable;
    }
    return Invalid;
  }

 private:
  const int& limit_;
  qsizetype shown_ = 0;
};

class RowHeight final : public QStyledItemDelegate {
 public:
  RowHeight(QObject* parent, int height) : QStyledItemDelegate(parent), height_(height) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(height_);
    return size;
  }

 private:
  int height_;
};

}  // namespace

QtControl::QtControl(QtForm& form, QWidget* widget, const Bounds& bounds)
    : form_(form), widget_(widget), bounds_(bounds) {
  widget_->setGeometry(bounds.left, bounds.top, bounds.width, bounds.height);
  widget_->setFocusPolicy(Qt::NoFocus);
  widget_->show();
}

bool QtControl::TabStop() const {
  return (widget_->focusPolicy() & Qt::TabFocus) != 0 && widget_->isEnabled() &&
         widget_->isVisibleTo(form_.Window());
}

template <class Interface>
void QtControlOf<Interface>::SetFocus() {
  if ((widget_->focusPolicy() & Qt::ClickFocus) != 0 && widget_->isEnabled() &&
      widget_->isVisibleTo(form_.Window())) {
    widget_->setFocus(Qt::OtherFocusReason);
  }
}

template <class Interface>
bool QtControlOf<Interface>::Focused() const {
  return form_.ActiveControl() == this;
}

// Label.

QtLabel::QtLabel(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new QLabel(parent), bounds), label_(static_cast<QLabel*>(widget_)) {
  label_->setTextFormat(Qt::PlainText);
  Align();
}

void QtLabel::ShowCaption() {
  label_->setText(ToQString(Caption()));
}

void QtLabel::SetAlignment(Alignment alignment) {
  alignment_ = alignment;
  Align();
}

void QtLabel::SetLayout(VerticalLayout layout) {
  layout_ = layout;
  Align();
}

void QtLabel::Align() {
  label_->setAlignment(Horizontal(alignment_) | Vertical(layout_));
}

// Panel.

QtPanel::QtPanel(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new PanelWidget(parent), bounds),
      panel_(static_cast<PanelWidget*>(widget_)) {}

void QtPanel::ShowCaption() {
  panel_->text = ToQString(Caption());
  panel_->update();
}

void QtPanel::SetAlignment(Alignment alignment) {
  panel_->alignment = Horizontal(alignment);
  panel_->update();
}

void QtPanel::SetBevel(Bevel outer, Bevel inner, int borderWidth) {
  panel_->outer = outer;
  panel_->inner = inner;
  panel_->border = borderWidth;
  panel_->update();
}

void QtPanel::SetColor(Color color) {
  panel_->color = ResolveColor(color);
  panel_->update();
}

// Button.

QtButton::QtButton(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new QPushButton(parent), bounds),
      button_(static_cast<QPushButton*>(widget_)) {
  button_->setFocusPolicy(Qt::StrongFocus);
  button_->setAutoDefault(false);
  QObject::connect(button_, &QPushButton::clicked, [this] {
    form_.Toolkit().Guarded([this] {
      NotifyEvent handler = OnClick;
      if (handler) {
        handler(this);
      }
    });
  });
}

void QtButton::ShowCaption() {
  button_->setText(ToQString(Caption()));
}

void QtButton::SetGlyph(const art::Picture& picture, int glyphs) {
  const int count = glyphs > 1 ? glyphs : 1;
  button_->setIcon(ToGlyphIcon(picture, count));
  button_->setIconSize(QSize(picture.width / count, picture.height));
}

void QtButton::ShowHint(const std::string& hint) {
  button_->setToolTip(ToQString(hint));
}

void QtButton::ShowDefault() {
  button_->setDefault(Default());
}

void QtButton::BecameDefault() {
  form_.DefaultChanged(*this);
}

void QtButton::Press() {
  if (Usable()) {
    button_->click();
  }
}

bool QtButton::Usable() const {
  return button_->isEnabled() && button_->isVisibleTo(form_.Window());
}

char QtButton::AccessKey() const {
  return AccessKeyOf(Caption());
}

// Check box.

QtCheckBox::QtCheckBox(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new QCheckBox(parent), bounds), box_(static_cast<QCheckBox*>(widget_)) {
  box_->setFocusPolicy(Qt::StrongFocus);
  QObject::connect(box_, &QCheckBox::clicked, [this] {
    form_.Toolkit().Guarded([this] {
      NotifyEvent handler = OnClick;
      if (handler) {
        handler(this);
      }
    });
  });
}

void QtCheckBox::ShowCaption() {
  box_->setText(ToQString(Caption()));
}

void QtCheckBox::SetChecked(bool checked) {
  if (checked == box_->isChecked()) {
    return;
  }
  box_->setChecked(checked);
  // As a click would; the handler's errors reach whoever set it.
  NotifyEvent handler = OnClick;
  if (handler) {
    handler(this);
  }
}

bool QtCheckBox::Checked() const {
  return box_->isChecked();
}

// Radio button.

QtRadioButton::QtRadioButton(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new RadioWidget(parent), bounds),
      radio_(static_cast<RadioWidget*>(widget_)) {
  radio_->setFocusPolicy(Qt::StrongFocus);
  QObject::connect(radio_, &QRadioButton::clicked, [this] {
    if (!radio_->userTicked) {
      return;  // a click on the ticked button
    }
    radio_->userTicked = false;
    form_.Toolkit().Guarded([this] {
      NotifyEvent handler = OnClick;
      if (handler) {
        handler(this);
      }
    });
  });
}

void QtRadioButton::ShowCaption() {
  radio_->setText(ToQString(Caption()));
}

void QtRadioButton::SetChecked(bool checked) {
  if (checked == radio_->isChecked()) {
    return;
  }
  if (!checked) {
    // Qt keeps one button of an exclusive group ticked; the program may clear it.
    radio_->setAutoExclusive(false);
    radio_->setChecked(false);
    radio_->setAutoExclusive(true);
    return;
  }
  radio_->setChecked(true);  // clears the others of the group
  NotifyEvent handler = OnClick;
  if (handler) {
    handler(this);
  }
}

bool QtRadioButton::Checked() const {
  return radio_->isChecked();
}

bool QtRadioButton::TabStop() const {
  // Not the Tab bit of the focus policy: Qt clears it on the other buttons
  // of a group whenever one of them takes the focus.
  if ((radio_->focusPolicy() & Qt::ClickFocus) == 0 || !radio_->isEnabled() ||
      !radio_->isVisibleTo(form_.Window())) {
    return false;
  }
  if (radio_->isChecked()) {
    return true;
  }
  // Only the ticked button of a group, or its first when none is.
  const QWidget* parent = radio_->parentWidget();
  for (const QRadioButton* sibling :
       parent->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
    if (sibling->isChecked()) {
      return false;
    }
  }
  return form_.FirstRadioInChain(parent) == this;
}

// Scroll bar.

QtScrollBar::QtScrollBar(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new ScrollBarWidget(parent), bounds),
      bar_(static_cast<QScrollBar*>(widget_)) {
  auto* style = new StandardThumbStyle;
  style->setParent(bar_);
  bar_->setStyle(style);
  bar_->setFocusPolicy(Qt::StrongFocus);
  bar_->setRange(0, 100);
  bar_->setSingleStep(1);
  bar_->setPageStep(1);
  QObject::connect(bar_, &QScrollBar::valueChanged, [this] {
    NotifyEvent handler = OnChange;
    if (!handler) {
      return;
    }
    if (programChange_) {
      handler(this);  // errors reach whoever set the position
    } else {
      form_.Toolkit().Guarded([&] { handler(this); });
    }
  });
}

void QtScrollBar::SetRange(int min, int max) {
  ProgramChange([&] { bar_->setRange(min, max); });
}

void QtScrollBar::ProgramChange(const std::function<void()>& change) {
  const bool outer = programChange_;
  programChange_ = true;
  try {
    change();
  } catch (...) {
    programChange_ = outer;
    throw;
  }
  programChange_ = outer;
}

int QtScrollBar::Min() const {
  return bar_->minimum();
}

int QtScrollBar::Max() const {
  return bar_->maximum();
}

void QtScrollBar::SetPosition(int position) {
  // Clamped; valueChanged only on a change.
  ProgramChange([&] { bar_->setValue(position); });
}

int QtScrollBar::Position() const {
  return bar_->value();
}

void QtScrollBar::SetSmallChange(int step) {
  bar_->setSingleStep(step);
}

void QtScrollBar::SetLargeChange(int step) {
  bar_->setPageStep(step);
}

// Text field.

QtEdit::QtEdit(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new QLineEdit(parent), bounds), edit_(static_cast<QLineEdit*>(widget_)) {
  edit_->setFocusPolicy(Qt::StrongFocus);
  // The validator limits typing; Qt's own limit (32767 by default) would
  // also cut the program's texts.
  edit_->setMaxLength(std::numeric_limits<int>::max());
  edit_->setValidator(new TypingLimit(edit_, maxLength_));
}

void QtEdit::SetText(const std::string& text) {
  set_ = text;
  shown_ = ToQString(text);
  edit_->setText(shown_);
}

std::string QtEdit::Text() const {
  const QString text = edit_->text();
  return text == shown_ ? set_ : FromQString(text);
}

void QtEdit::SetReadOnly(bool readOnly) {
  edit_->setReadOnly(readOnly);
}

bool QtEdit::ReadOnly() const {
  return edit_->isReadOnly();
}

void QtEdit::SetMaxLength(int maxLength) {
  maxLength_ = maxLength < 0 ? 0 : maxLength;
}

// Combo box.

QtComboBox::QtComboBox(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new QComboBox(parent), bounds), combo_(static_cast<QComboBox*>(widget_)) {
  combo_->setFocusPolicy(Qt::StrongFocus);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  SetStyle(ComboStyle::DropDown);
}

void QtComboBox::SetStyle(ComboStyle style) {
  style_ = style;
  const int index = combo_->currentIndex();
  combo_->setEditable(style == ComboStyle::DropDown);
  if (style == ComboStyle::DropDown) {
    // The typed text stays as typed: no completion from the items.
    combo_->setCompleter(nullptr);
    combo_->setEditText(index >= 0 ? combo_->itemText(index) : QString());
  }
}

void QtComboBox::SetItemHeight(int pixels) {
  combo_->setItemDelegate(new RowHeight(combo_, pixels));
}

void QtComboBox::ClearItems() {
  combo_->clear();
  if (combo_->isEditable()) {
    combo_->setEditText({});
  }
}

void QtComboBox::AddItem(const std::string& text) {
  // Adding to an empty list must not choose the item.
  const QString edited = combo_->isEditable() ? combo_->currentText() : QString();
  const int index = combo_->currentIndex();
  combo_->addItem(ToQString(text));
  if (index < 0 && combo_->currentIndex() >= 0) {
    combo_->setCurrentIndex(-1);
    if (combo_->isEditable()) {
      combo_->setEditText(edited);
    }
  }
}

int QtComboBox::ItemCount() const {
  return combo_->count();
}

std::string QtComboBox::Item(int index) const {
  return index >= 0 && index < combo_->count() ? FromQString(combo_->itemText(index)) : "";
}

void QtComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= combo_->count()) {
    index = -1;
  }
  combo_->setCurrentIndex(index);
  if (combo_->isEditable()) {
    // Choosing the item it had still replaces what was typed.
    combo_->setEditText(index >= 0 ? combo_->itemText(index) : QString());
  }
}

int QtComboBox::ItemIndex() const {
  return combo_->currentIndex();
}

void QtComboBox::SetText(const std::string& text) {
  if (style_ == ComboStyle::DropDown) {
    combo_->setEditText(ToQString(text));
    return;
  }
  combo_->setCurrentIndex(
      combo_->findText(ToQString(text), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

std::string QtComboBox::Text() const {
  return FromQString(combo_->currentText());
}

// Memo.

QtMemo::QtMemo(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new MemoWidget(parent), bounds), memo_(static_cast<MemoWidget*>(widget_)) {
  memo_->setFocusPolicy(Qt::StrongFocus);
  memo_->setTabChangesFocus(true);
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  memo_->setUndoRedoEnabled(false);
  memo_->onDoubleClick = [this] {
    form_.Toolkit().Guarded([this] {
      NotifyEvent handler = OnDblClick;
      if (handler) {
        handler(this);
      }
    });
  };
  SetColor(Color::Window());
}

void QtMemo::SetReadOnly(bool readOnly) {
  memo_->setReadOnly(readOnly);
}

void QtMemo::SetVerticalScrollBar(bool shown) {
  memo_->setVerticalScrollBarPolicy(shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
  laidOut_ = QSize();
}

void QtMemo::SetColor(Color color) {
  QPalette palette = memo_->palette();
  palette.setColor(QPalette::Base, ResolveColor(color));
  memo_->setPalette(palette);
}

void QtMemo::ShowAppended(const std::string& text, bool first) {
  // Not appendPlainText: on an empty view it would swallow an empty first
  // line, and the view's lines must stay the lines added.
  QTextCursor cursor(memo_->document());
  cursor.movePosition(QTextCursor::End);
  if (!first) {
    cursor.insertBlock();
  }
  cursor.insertText(ToQString(text));
  memo_->moveCursor(QTextCursor::End);
  memo_->ensureCursorVisible();
}

void QtMemo::ShowCleared() {
  memo_->clear();
  counts_.clear();
}

int QtMemo::WrapWidth() const {
  // Lay the scroll area out now, as its resize would: before the first
  // show its viewport has no geometry yet. Once per size and scroll bar.
  if (memo_->size() != laidOut_) {
    memo_->ensurePolished();
    QResizeEvent resize(memo_->size(), memo_->size());
    QCoreApplication::sendEvent(memo_, &resize);
    laidOut_ = memo_->size();
  }
  const qreal margin = memo_->document()->documentMargin();
  return static_cast<int>(memo_->viewport()->width() - 2 * margin);
}

int QtMemo::DisplayLines(const std::string& line, int width) const {
  QTextLayout layout(ToQString(line), memo_->font());
  layout.setTextOption(memo_->document()->defaultTextOption());
  layout.beginLayout();
  int lines = 0;
  for (QTextLine textLine = layout.createLine(); textLine.isValid();
       textLine = layout.createLine()) {
    textLine.setLineWidth(width);
    ++lines;
  }
  layout.endLayout();
  return lines > 0 ? lines : 1;
}

int QtMemo::LineCount() const {
  const int width = WrapWidth();
  if (width != countedWidth_ || memo_->font() != countedFont_) {
    counts_.clear();
    countedWidth_ = width;
    countedFont_ = memo_->font();
  }
  const std::vector<std::string>& lines = StoredLines();
  while (counts_.size() < lines.size()) {
    counts_.push_back(DisplayLines(lines[counts_.size()], width));
  }
  int total = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    total += counts_[i];
  }
  if (!lines.empty() && lines.back().empty()) {
    total -= 1;
  }
  return total;
}

int QtMemo::LaidOutLineCount() const {
  int total = 0;
  const QTextDocument* document = memo_->document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    total += block.layout()->lineCount();
  }
  if (const auto& lines = StoredLines(); !lines.empty() && lines.back().empty()) {
    total -= 1;
  }
  return total;
}

// Status bar.

QtStatusBar::QtStatusBar(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new StatusBarWidget(parent), bounds),
      bar_(static_cast<StatusBarWidget*>(widget_)) {}

int QtStatusBar::AddPanel(int width, Alignment alignment) {
  bar_->parts.push_back({width, Horizontal(alignment), {}});
  bar_->update();
  return PanelCount() - 1;
}

int QtStatusBar::PanelCount() const {
  return static_cast<int>(bar_->parts.size());
}

void QtStatusBar::SetPanelText(int index, const std::string& text) {
  if (index < 0 || index >= PanelCount()) {
    return;
  }
  bar_->parts[static_cast<std::size_t>(index)].text = ToQString(text);
  bar_->update();
}

std::string QtStatusBar::PanelText(int index) const {
  if (index < 0 || index >= PanelCount()) {
    return {};
  }
  return FromQString(bar_->parts[static_cast<std::size_t>(index)].text);
}

void QtStatusBar::SetColor(Color color) {
  bar_->color = ResolveColor(color);
  bar_->update();
}

// Picture.

QtImage::QtImage(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new ImageWidget(parent), bounds),
      image_(static_cast<ImageWidget*>(widget_)) {}

void QtImage::SetPicture(const art::Picture& picture) {
  picture_ = std::make_unique<art::Picture>(picture);
  image_->image = ToImage(picture);
  image_->update();
}

void QtImage::ClearPicture() {
  picture_.reset();
  image_->image = QImage();
  image_->update();
}

const art::Picture* QtImage::Picture() const {
  return picture_.get();
}

// Group box.

QtGroupBox::QtGroupBox(QtForm& form, QWidget* parent, const Bounds& bounds)
    : QtControlOf(form, new QGroupBox(parent), bounds), box_(static_cast<QGroupBox*>(widget_)) {
  // The caption sits on the frame's top line, as a Windows group box draws it,
  // rather than above the frame; the children keep their places.
  box_->setStyleSheet(
      QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 0.5em; }"
                     "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
}

void QtGroupBox::ShowCaption() {
  box_->setTitle(ToQString(Caption()));
}

template class QtControlOf<Captioned<Label>>;
template class QtControlOf<Captioned<Panel>>;
template class QtControlOf<ButtonState>;
template class QtControlOf<Captioned<CheckBox>>;
template class QtControlOf<Captioned<RadioButton>>;
template class QtControlOf<ScrollBar>;
template class QtControlOf<Edit>;
template class QtControlOf<ComboBox>;
template class QtControlOf<MemoState>;
template class QtControlOf<StatusBar>;
template class QtControlOf<Image>;
template class QtControlOf<Captioned<GroupBox>>;

}  // namespace keldo::ui::qt
