#include "shell/toolkit/qt/form.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QScreen>

#include "shell/toolkit/control_factory.h"
#include "shell/toolkit/messages.h"
#include "shell/toolkit/qt/controls.h"
#include "shell/toolkit/qt/picture.h"
#include "shell/toolkit/qt/toolkit.h"

namespace keldo::ui::qt {

// The top-level window: its size is the form's client size.
class FormWindow final : public QWidget {
 public:
  explicit FormWindow(QtForm& form) : QWidget(nullptr, Qt::Window), form_(form) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    // The form hides itself when the request goes through.
    event->ignore();
    form_.Toolkit().Guard([this] { form_.Close(); });
  }

  // Tab itself never gets here (the form takes it first); Qt asks when a
  // control with the focus is hidden or disabled.
  bool focusNextPrevChild(bool next) override {
    form_.MoveFocus(!next);
    return true;
  }

  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::WindowStateChange) {
      form_.WindowStateChanged(isMinimized());
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
      form_.Toolkit().FormActivated(form_);
    }
    QWidget::changeEvent(event);
  }

 private:
  QtForm& form_;
};

QtForm::QtForm(QtToolkit& toolkit, std::string className)
    : FormBase(toolkit.Loop(), toolkit.App()),
      toolkit_(toolkit),
      className_(std::move(className)),
      window_(new FormWindow(*this)) {
  window_->setAttribute(Qt::WA_QuitOnClose, false);
  SetColor(Color::ButtonFace());
  ApplyFlags();
  // A second form of the class in this process finds the name taken; the
  // lookup sees this process's forms directly.
  lock_ = std::make_unique<QLocalServer>();
  lock_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
  if (lock_->listen(QString::fromStdString(QtToolkit::WindowLockName(className_)))) {
    QLocalServer* server = lock_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
      while (QLocalSocket* socket = server->nextPendingConnection()) {
        socket->abort();
        socket->deleteLater();
      }
    });
  }
  toolkit_.FormCreated(*this);
}

QtForm::~QtForm() {
  toolkit_.FormDestroyed(*this);
  // The widgets first: what they report on their way out reaches controls
  // that are still there.
  window_.reset();
  controls_.Clear();
  lock_.reset();
}

QWidget* QtForm::Window() const {
  return window_.get();
}

Control& QtForm::CreateControl(ControlKind kind, GroupBox* parent, const Bounds& bounds) {
  QtGroupBox* box = OwnGroupBox<QtGroupBox>(parent, *this);
  return controls_.Add(MakeControl<QtControl, QtKinds>(kind, *this, box, bounds)).AsControl();
}

void QtForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  window_->setWindowTitle(ToQString(caption));
}

void QtForm::SetClientSize(Size size) {
  size_ = size;
  window_->setFixedSize(size.width, size.height);
}

void QtForm::SetBorderIcons(BorderIcons icons) {
  borderIcons_ = icons;
  ApplyFlags();
}

void QtForm::RemoveCloseCommand() {
  closeCommand_ = false;
  ApplyFlags();
}

void QtForm::SetIcon(const art::Picture& picture) {
  window_->setWindowIcon(QIcon(QPixmap::fromImage(ToImage(picture))));
}

void QtForm::SetFont(const Font& font) {
  font_ = font;
  window_->setFont(ResolveFont(font));
}

void QtForm::SetColor(Color color) {
  QPalette palette = window_->palette();
  palette.setColor(QPalette::Window, ResolveColor(color));
  window_->setPalette(palette);
  window_->setAutoFillBackground(true);
}

void QtForm::SetAlwaysOnTop(bool onTop) {
  alwaysOnTop_ = onTop;
  ApplyFlags();
}

void QtForm::ApplyFlags() {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (borderIcons_.systemMenu) {
    flags |= Qt::WindowSystemMenuHint;
    if (closeCommand_) {
      flags |= Qt::WindowCloseButtonHint;
    }
  }
  if (borderIcons_.minimize) {
    flags |= Qt::WindowMinimizeButtonHint;
  }
  if (alwaysOnTop_) {
    flags |= Qt::WindowStaysOnTopHint;
  }
  if (window_->windowFlags() == flags) {
    return;
  }
  // New flags unmap a shown window.
  const bool shown = window_->isVisible();
  window_->setWindowFlags(flags);
  if (shown) {
    window_->show();
  }
}

void QtForm::PlaceForShow() {
  QRect around;
  if (Position() == FormPosition::ScreenCenter && !placed_) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      around = screen->availableGeometry();
    }
  } else if (Position() == FormPosition::MainFormCenter) {
    QtForm* main = toolkit_.QtApp().MainQtForm();
    if (main != nullptr && main != this && main->Visible() && main->Window()->isVisible()) {
      around = main->Window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
      around = screen->availableGeometry();
    }
  }
  if (around.isValid()) {
    window_->move(around.x() + (around.width() - size_.width) / 2,
                  around.y() + (around.height() - size_.height) / 2);
  }
  placed_ = true;
}

void QtForm::DoShow() {
  PlaceForShow();
  if (ActiveControl() == nullptr) {
    Focus(controls_.FirstStop());
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void QtForm::DoHide() {
  window_->hide();
}

void QtForm::BeginModal() {
  toolkit_.ModalBegins(*this);
}

void QtForm::EndModal() {
  Hide();
  toolkit_.ModalEnds(*this);
}

void QtForm::SetForeground() {
  if (Visible() && window_->isVisible()) {
    window_->raise();
    window_->activateWindow();
  }
}

void QtForm::SetTabOrder(const std::vector<Control*>& chain) {
  controls_.SetTabOrder(chain);
}

Control* QtForm::ActiveControl() const {
  QtControl* control = ControlOfWidget(window_->focusWidget());
  return control != nullptr ? &control->AsControl() : nullptr;
}

QtControl* QtForm::ControlOfWidget(const QWidget* widget) const {
  // Inner widgets (a combo box's text field) belong to their control.
  for (; widget != nullptr && widget != window_.get(); widget = widget->parentWidget()) {
    for (const auto& control : controls_.All()) {
      if (control->Widget() == widget) {
        return control.get();
      }
    }
  }
  return nullptr;
}

bool QtForm::TakesInput() const {
  if (!Enabled()) {
    return false;
  }
  const QtForm* modal = toolkit_.ModalForm();
  return modal == nullptr || modal == this;
}

void QtForm::Focus(QtControl* control) {
  if (control != nullptr) {
    control->Widget()->setFocus(Qt::TabFocusReason);
  }
}

void QtForm::MoveFocus(bool backwards) {
  Focus(controls_.NextStop(ControlOfWidget(window_->focusWidget()), backwards));
}

namespace {

int ArrowKey(int key) {
  switch (key) {
    case Qt::Key_Left:
      return kVkLeft;
    case Qt::Key_Up:
      return kVkUp;
    case Qt::Key_Right:
      return kVkRight;
    case Qt::Key_Down:
      return kVkDown;
    default:
      return 0;
  }
}

// The letter or digit of a key, lower case; 0 for any other key.
char AccessLetter(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    return static_cast<char>('a' + (key - Qt::Key_A));
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return static_cast<char>('0' + (key - Qt::Key_0));
  }
  return 0;
}

}  // namespace

bool QtForm::FormKey(const QKeyEvent& event) {
  QWidget* focus = window_->focusWidget();
  QtControl* focused = ControlOfWidget(focus);
  const auto focusOn = [this](QtControl* control) { Focus(control); };
  const Qt::KeyboardModifiers held = event.modifiers();
  const bool alt = held.testFlag(Qt::AltModifier);
  const bool control = held.testFlag(Qt::ControlModifier);
  switch (event.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      if (alt || control) {
        return false;
      }
      controls_.NavigationKey(kVkTab,
                              event.key() == Qt::Key_Backtab || held.testFlag(Qt::ShiftModifier),
                              focused, focusOn);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (qobject_cast<QPlainTextEdit*>(focus) != nullptr) {
        return false;  // the memo keeps Enter
      }
      controls_.NavigationKey(kVkReturn, false, focused, focusOn);
      return true;
    case Qt::Key_Escape:
      return true;  // no form has a cancel button
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
      if (focused != nullptr && dynamic_cast<RadioButton*>(&focused->AsControl()) != nullptr) {
        controls_.NavigationKey(ArrowKey(event.key()), false, focused, focusOn);
        return true;
      }
      // Qt would move the focus from a button; the platform does nothing.
      return qobject_cast<QAbstractButton*>(focus) != nullptr;
    default:
      break;
  }
  // Access keys: with Alt anywhere, alone where the focus is not typing.
  const bool typing = qobject_cast<QLineEdit*>(focus) != nullptr ||
                      qobject_cast<QPlainTextEdit*>(focus) != nullptr ||
                      qobject_cast<QComboBox*>(focus) != nullptr;
  const char key = AccessLetter(event.key());
  if (key == 0 || control || (!alt && typing)) {
    return false;
  }
  return controls_.AccessKey(key, focusOn);
}

void QtForm::DefaultChanged(QtButton& button) {
  controls_.ClearOtherDefaults(button);
}

void QtForm::RadioTicked(QtRadioButton& button) {
  controls_.UntickOthers(button);
}

void QtForm::WindowStateChanged(bool minimized) {
  // The user's minimise or restore of the main window goes to the
  // application as the system command it stands for, so the hooks see it.
  // Changes the application made itself already agree with its state.
  QtApplication& app = toolkit_.QtApp();
  if (app.MainQtForm() != this || !Visible() || app.EntryHidden() || minimized == app.Minimized()) {
    return;
  }
  // Outside Qt's state-change delivery: the hooks may hide this window.
  QMetaObject::invokeMethod(
      window_.get(),
      [this, minimized] {
        QtApplication& application = toolkit_.QtApp();
        if (!Visible() || application.EntryHidden() || minimized == application.Minimized() ||
            window_->isMinimized() != minimized) {
          return;
        }
        Message message{kWmSysCommand, minimized ? kScMinimize : kScRestore, 0, 0};
        toolkit_.Guard([&] { application.Perform(message); });
      },
      Qt::QueuedConnection);
}

}  // namespace keldo::ui::qt
