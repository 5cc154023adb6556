#include "shell/toolkit/qt/controls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
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

// The status bar's surface; its control paints it.
class StatusBarWidget final : public QWidget {
 public:
  StatusBarWidget(QWidget* parent, const QtStatusBar& bar) : QWidget(parent), bar_(bar) {}

 protected:
  void paintEvent(QPaintEvent*) override { bar_.Paint(*this); }

 private:
  const QtStatusBar& bar_;
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

// A check or radio button whose state the widget set keeps: the user's
// click (or Space) asks for a change instead of making it.
template <class B>
class StateButton final : public B {
 public:
  explicit StateButton(QWidget* parent) : B(parent) {}

  std::function<void()> onUserChange;

 protected:
  void nextCheckState() override {
    if (onUserChange) {
      onUserChange();
    }
  }
};

// MaxLength limits what the user types, never what the program sets: an
// edit that would make a text longer than the limit, and longer than it is,
// is refused.
class TypingLimit final : public QValidator {
 public:
  explicit TypingLimit(QLineEdit* edit) : QValidator(edit) {
    // The line edit holds the proposed text while it asks: keep the last
    // accepted length apart.
    QObject::connect(edit, &QLineEdit::textChanged, this,
                     [this](const QString& text) { shown_ = text.size(); });
  }

  void SetLimit(int limit) { limit_ = limit < 0 ? 0 : limit; }
  int Limit() const { return limit_; }
  // The program's text is taken whole, however long.
  void Allow(const QString& text) { shown_ = text.size(); }

  State validate(QString& input, int& /*pos*/) const override {
    if (limit_ <= 0 || input.size() <= limit_ || input.size() <= shown_) {
      return Acceptable;
    }
    return Invalid;
  }

 private:
  int limit_ = 0;
  qsizetype shown_ = 0;
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

QtControl::QtControl(QtForm& form, QtGroupBox* box, QWidget* widget, const Bounds& bounds)
    : form_(form), box_(box), widget_(widget), bounds_(bounds) {
  widget_->setGeometry(bounds.left, bounds.top, bounds.width, bounds.height);
  widget_->setFocusPolicy(Qt::NoFocus);
  widget_->show();
}

QWidget* QtControl::ParentWidget(QtForm& form, QtGroupBox* box) {
  return box != nullptr ? box->Client() : form.Window();
}

bool QtControl::Usable() const {
  return visible_ && enabled_ && (box_ == nullptr || box_->Usable());
}

template <class Interface>
void QtControlOf<Interface>::SetFocus() {
  if (Focusable() && Usable()) {
    form_.Focus(this);
  }
}

template <class Interface>
bool QtControlOf<Interface>::Focused() const {
  return form_.ActiveControl() == this;
}

// Label.

QtLabel::QtLabel(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new QLabel(ParentWidget(form, box)), bounds),
      label_(static_cast<QLabel*>(widget_)) {
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

QtPanel::QtPanel(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new PanelWidget(ParentWidget(form, box)), bounds),
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

namespace {

// Qt grabs Alt+key for a caption's "&"; the form's own access keys decide.
void WithoutMnemonic(QAbstractButton* button, const std::string& caption) {
  button->setText(ToQString(caption));
  button->setShortcut(QKeySequence());
}

}  // namespace

QtButton::QtButton(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new QPushButton(ParentWidget(form, box)), bounds),
      button_(static_cast<QPushButton*>(widget_)) {
  button_->setFocusPolicy(Qt::StrongFocus);
  button_->setAutoDefault(false);
  QObject::connect(button_, &QPushButton::clicked, [this] { Press(); });
}

void QtButton::ShowCaption() {
  WithoutMnemonic(button_, Caption());
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
  form_.Toolkit().Guard([this] { Raise(OnClick, *this); });
}

// Check box.

QtCheckBox::QtCheckBox(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new StateButton<QCheckBox>(ParentWidget(form, box)), bounds),
      check_(static_cast<QCheckBox*>(widget_)) {
  check_->setFocusPolicy(Qt::StrongFocus);
  static_cast<StateButton<QCheckBox>*>(check_)->onUserChange = [this] {
    form_.Toolkit().Guard([this] { SetChecked(!Checked()); });
  };
}

void QtCheckBox::ShowCaption() {
  WithoutMnemonic(check_, Caption());
}

void QtCheckBox::ShowChecked() {
  check_->setChecked(Checked());
}

// Radio button.

QtRadioButton::QtRadioButton(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new StateButton<QRadioButton>(ParentWidget(form, box)), bounds),
      radio_(static_cast<QRadioButton*>(widget_)) {
  radio_->setFocusPolicy(Qt::StrongFocus);
  // The group is the widget set's: Qt would keep one of it ticked, and move
  // the focus itself on the arrow keys.
  radio_->setAutoExclusive(false);
  static_cast<StateButton<QRadioButton>*>(radio_)->onUserChange = [this] {
    form_.Toolkit().Guard([this] { SetChecked(true); });
  };
}

void QtRadioButton::ShowCaption() {
  WithoutMnemonic(radio_, Caption());
}

void QtRadioButton::ShowChecked() {
  radio_->setChecked(Checked());
}

void QtRadioButton::Ticked() {
  form_.RadioTicked(*this);
}

// Scroll bar.

QtScrollBar::QtScrollBar(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new ScrollBarWidget(ParentWidget(form, box)), bounds),
      bar_(static_cast<QScrollBar*>(widget_)) {
  auto* style = new StandardThumbStyle;
  style->setParent(bar_);
  bar_->setStyle(style);
  bar_->setFocusPolicy(Qt::StrongFocus);
  ShowPosition();
  // Qt has moved its slider when it reports the action; the position is the
  // widget set's, and the slider goes back to it before Qt takes its own.
  QObject::connect(bar_, &QAbstractSlider::actionTriggered, [this](int action) {
    const QPointer<QScrollBar> alive(bar_);
    form_.Toolkit().Guard([&] { UserAction(action); });
    if (alive) {
      bar_->setSliderPosition(Position());
    }
  });
}

void QtScrollBar::ShowPosition() {
  bar_->setRange(Min(), Max());
  bar_->setValue(Position());
}

void QtScrollBar::UserAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      Step(ScrollAction::LineLeft);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      Step(ScrollAction::LineRight);
      break;
    case QAbstractSlider::SliderPageStepSub:
      Step(ScrollAction::PageLeft);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      Step(ScrollAction::PageRight);
      break;
    case QAbstractSlider::SliderToMinimum:
      Step(ScrollAction::Home);
      break;
    case QAbstractSlider::SliderToMaximum:
      Step(ScrollAction::End);
      break;
    case QAbstractSlider::SliderMove:
      SetPosition(bar_->sliderPosition());
      break;
    default:
      break;
  }
}

// Text field.

QtEdit::QtEdit(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new QLineEdit(ParentWidget(form, box)), bounds),
      edit_(static_cast<QLineEdit*>(widget_)) {
  edit_->setFocusPolicy(Qt::StrongFocus);
  // The validator limits typing; Qt's own limit (32767 by default) would
  // also cut the program's texts.
  edit_->setMaxLength(std::numeric_limits<int>::max());
  // Owned by the field, so it lives as long as the field asks it.
  limit_ = new TypingLimit(edit_);
  edit_->setValidator(limit_);
}

void QtEdit::SetText(const std::string& text) {
  set_ = text;
  shown_ = ToQString(text);
  limit_->Allow(shown_);
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

int QtEdit::MaxLength() const {
  return limit_->Limit();
}

void QtEdit::SetMaxLength(int maxLength) {
  limit_->SetLimit(maxLength);
}

// Combo box.

QtComboBox::QtComboBox(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new QComboBox(ParentWidget(form, box)), bounds),
      combo_(static_cast<QComboBox*>(widget_)) {
  combo_->setFocusPolicy(Qt::StrongFocus);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  // The user's choice from the list, or by a key on the closed box.
  QObject::connect(combo_, &QComboBox::activated, [this](int index) {
    if (!showing_) {
      form_.Toolkit().Guard([&] { TakeChoice(index); });
    }
  });
  ShowStyle();
}

QString QtComboBox::FieldText() const {
  return combo_->isEditable() ? combo_->currentText() : QString();
}

void QtComboBox::Show(const QString& fieldText) {
  showing_ = true;
  combo_->setCurrentIndex(ItemIndex());
  if (combo_->isEditable()) {
    combo_->setEditText(fieldText);
  }
  showing_ = false;
}

void QtComboBox::ShowStyle() {
  const QString text =
      ItemIndex() >= 0 && !combo_->isEditable() ? ToQString(Item(ItemIndex())) : FieldText();
  showing_ = true;
  combo_->setEditable(Style() == ComboStyle::DropDown);
  if (QLineEdit* field = combo_->lineEdit()) {
    // The typed text stays as typed: no completion from the items, and no
    // item chosen for it when the field loses the focus.
    combo_->setCompleter(nullptr);
    QObject::disconnect(field, &QLineEdit::editingFinished, combo_, nullptr);
  }
  showing_ = false;
  Show(text);
}

void QtComboBox::SetItemHeight(int pixels) {
  combo_->setItemDelegate(new RowHeight(combo_, pixels));
}

void QtComboBox::ShowCleared() {
  const QString text = FieldText();
  showing_ = true;
  combo_->clear();
  showing_ = false;
  Show(text);
}

void QtComboBox::ShowAdded(const std::string& text) {
  // Qt chooses the first item added to an empty list; the choice is ours.
  const QString field = FieldText();
  showing_ = true;
  combo_->addItem(ToQString(text));
  showing_ = false;
  Show(field);
}

void QtComboBox::ShowChoice() {
  Show(ItemIndex() >= 0 ? ToQString(Item(ItemIndex())) : QString());
}

void QtComboBox::ShowEditText(const std::string& text) {
  Show(ToQString(text));
}

std::string QtComboBox::Text() const {
  if (Style() == ComboStyle::DropDownList) {
    return ItemIndex() < 0 ? std::string() : Item(ItemIndex());
  }
  return FromQString(combo_->currentText());
}

// Memo.

QtMemo::QtMemo(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new MemoWidget(ParentWidget(form, box)), bounds),
      memo_(static_cast<MemoWidget*>(widget_)) {
  memo_->setFocusPolicy(Qt::StrongFocus);
  memo_->setTabChangesFocus(true);
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  memo_->setUndoRedoEnabled(false);
  memo_->onDoubleClick = [this] { form_.Toolkit().Guard([this] { Raise(OnDblClick, *this); }); };
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

int QtMemo::DisplayLines() const {
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

QtStatusBar::QtStatusBar(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new StatusBarWidget(ParentWidget(form, box), *this), bounds) {}

void QtStatusBar::ShowPanels() {
  widget_->update();
}

void QtStatusBar::Paint(QWidget& widget) const {
  QPainter painter(&widget);
  painter.fillRect(widget.rect(), ResolveColor(GetColor()));
  int x = 0;
  for (const PanelState& panel : Panels()) {
    QRect r(x, 2, panel.width - 2, widget.height() - 2);
    DrawBevel(painter, widget.palette(), r, Bevel::Lowered);
    painter.setPen(widget.palette().color(QPalette::WindowText));
    painter.drawText(r.adjusted(2, 0, -2, 0),
                     Horizontal(panel.alignment) | Qt::AlignVCenter | Qt::TextSingleLine,
                     ToQString(panel.text));
    x += panel.width;
  }
}

// Picture.

QtImage::QtImage(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new ImageWidget(ParentWidget(form, box)), bounds),
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

QtGroupBox::QtGroupBox(QtForm& form, QtGroupBox* box, const Bounds& bounds)
    : QtControlOf(form, box, new QGroupBox(ParentWidget(form, box)), bounds),
      frame_(static_cast<QGroupBox*>(widget_)) {
  // The caption sits on the frame's top line, as a Windows group box draws it,
  // rather than above the frame; the children keep their places.
  frame_->setStyleSheet(
      QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 0.5em; }"
                     "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
}

void QtGroupBox::ShowCaption() {
  frame_->setTitle(ToQString(Caption()));
}

template class QtControlOf<Captioned<Label>>;
template class QtControlOf<Captioned<Panel>>;
template class QtControlOf<ButtonState>;
template class QtControlOf<CheckBoxState>;
template class QtControlOf<RadioButtonState>;
template class QtControlOf<ScrollBarState>;
template class QtControlOf<Edit>;
template class QtControlOf<ComboBoxState>;
template class QtControlOf<MemoState>;
template class QtControlOf<StatusBarState>;
template class QtControlOf<Image>;
template class QtControlOf<Captioned<GroupBox>>;

}  // namespace keldo::ui::qt
