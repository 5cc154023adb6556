#include "shell/toolkit/qt/toolkit.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QLocalSocket>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QSessionManager>
#include <QStringDecoder>
#include <QSystemTrayIcon>

#include <unistd.h>

#include <algorithm>

#include "shell/toolkit/messages.h"
#include "shell/toolkit/qt/form.h"
#include "shell/toolkit/qt/notify_area.h"
#include "shell/toolkit/qt/picture.h"
#include "shell/toolkit/system_command.h"

namespace keldo::ui::qt {

namespace {

constexpr std::uint32_t kTrayWatchMs = 1000;

class QtPopupMenu final : public PopupMenu {
 public:
  explicit QtPopupMenu(QtToolkit& toolkit) : toolkit_(toolkit), menu_(new QMenu) {}

  void Popup(Point screen) override {
    menu_->hide();
    menu_->clear();
    for (int i = 0; i < Count(); ++i) {
      const MenuItem& item = Item(i);
      if (item.IsSeparator()) {
        menu_->addSeparator();
        continue;
      }
      // Qt reads "&" and "&&" in captions as the program writes them.
      QAction* action = menu_->addAction(ToQString(item.Caption()));
      QObject::connect(action, &QAction::triggered, menu_.get(), [this, i] {
        // From the loop, after the menu is done with the action: the
        // handler may destroy the menu.
        QMetaObject::invokeMethod(
            menu_.get(), [this, i] { toolkit_.Guarded([this, i] { Choose(i); }); },
            Qt::QueuedConnection);
      });
    }
    menu_->popup(QPoint(screen.x, screen.y));
  }

 private:
  QtToolkit& toolkit_;
  std::unique_ptr<QMenu> menu_;
};

int ButtonAnswer(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return kIdCancel;
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    default:
      return kIdOk;
  }
}

}  // namespace

// Eats the mouse and keyboard input of forms that take none (input
// disabled, or another form modal). Popup menus, the tray icon and message
// boxes are no forms and are never blocked.
class QtToolkit::InputFilter final : public QObject {
 public:
  explicit InputFilter(QtToolkit& toolkit) : toolkit_(toolkit) {}

  bool eventFilter(QObject* object, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
        break;
      default:
        return false;
    }
    if (!object->isWidgetType()) {
      return false;
    }
    const QtForm* form = toolkit_.FormOfWindow(static_cast<QWidget*>(object)->window());
    return form != nullptr && !form->TakesInput();
  }

 private:
  QtToolkit& toolkit_;
};

// Application.

void QtApplication::SetIcon(const art::Picture& picture) {
  icon_ = MakeIcon(picture);
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ToImage(picture))));
}

Form* QtApplication::MainForm() const {
  return MainQtForm();
}

QtForm* QtApplication::MainQtForm() const {
  return toolkit_.Book().MainForm();
}

void QtApplication::Minimize() {
  if (minimized_) {
    return;
  }
  minimized_ = true;  // first: the state changes below are then ours
  for (QtForm* form : toolkit_.Forms()) {
    if (!form->Visible()) {
      continue;
    }
    QWidget* window = form->Window();
    if (entryHidden_) {
      window->setWindowState(window->windowState() | Qt::WindowMinimized);
    } else {
      window->showMinimized();
    }
  }
}

void QtApplication::Restore() {
  if (!minimized_) {
    return;
  }
  minimized_ = false;
  for (QtForm* form : toolkit_.Forms()) {
    if (!form->Visible()) {
      continue;
    }
    QWidget* window = form->Window();
    if (entryHidden_) {
      window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    } else {
      window->showNormal();
    }
  }
}

void QtApplication::ShowWindow(int command) {
  const bool hide = command == kSwHide;
  entryHidden_ = hide;
  for (QtForm* form : toolkit_.Forms()) {
    if (!form->Visible()) {
      continue;
    }
    QWidget* window = form->Window();
    if (hide) {
      // Withdrawn: no taskbar entry, no icon on the desktop.
      window->hide();
      continue;
    }
    const bool activate = command != kSwShowMinNoActive;
    window->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    if (minimized_) {
      window->showMinimized();
    } else {
      window->showNormal();
    }
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
  }
}

void QtApplication::SetForeground() {
  if (QtForm* main = MainQtForm()) {
    main->SetForeground();
  }
}

int QtApplication::ShowMessageBox(const std::string& text, const std::string& caption,
                                  unsigned flags) {
  QMessageBox box;
  box.setWindowTitle(ToQString(caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQString(text));
  switch (flags & 0xF0) {
    case kMbIconStop:
      box.setIcon(QMessageBox::Critical);
      break;
    case 0x20:
      box.setIcon(QMessageBox::Question);
      break;
    case 0x30:
      box.setIcon(QMessageBox::Warning);
      break;
    case 0x40:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  switch (flags & kMbTypeMask) {
    case kMbOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case kMbYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      break;
  }
  return ButtonAnswer(box.exec());
}

void QtApplication::Run() {
  toolkit_.Loop().RunUntil([this] { return Terminated(); });
}

void QtApplication::Perform(Message& message) {
  if (CallHooks(message) || message.Msg != kWmSysCommand) {
    return;
  }
  PerformSystemCommand(*this, message.WParam);
}

// Toolkit.

QtToolkit::QtToolkit(EventLoop& loop) : loop_(loop), app_(*this), windows_(loop) {
  // Forms come and go by the program's word alone.
  QApplication::setQuitOnLastWindowClosed(false);
  inputFilter_ = std::make_unique<InputFilter>(*this);
  QCoreApplication::instance()->installEventFilter(inputFilter_.get());

  notifyArea_ = std::make_unique<NotifyArea>(
      [this](WindowHandle window, Message message) { PostToWindow(window, message); },
      [this] { return TrayAvailable(); });

  // Qt announces no notification area that comes or goes: watch for it.
  trayWasAvailable_ = TrayAvailable();
  trayWatch_ = loop_.CreateTimer();
  trayWatch_->SetInterval(kTrayWatchMs);
  trayWatch_->SetOnTimer([this] { WatchTray(); });
  trayWatch_->SetEnabled(true);

  // The session manager's question before a log-off; a "no" from any
  // window cancels it. Qt tells nothing of a log-off called off by
  // another program, so the end itself is the program's quit.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, &context_,
                   [this](QSessionManager& manager) {
                     bool agreed = true;
                     for (WindowHandle handle : windows_.Handles()) {
                       Message query{kWmQueryEndSession, 0, 0, 0};
                       if (windows_.Send(handle, query) && query.Result == 0) {
                         agreed = false;
                       }
                     }
                     if (!agreed) {
                       manager.cancel();
                     }
                   });
}

QtToolkit::~QtToolkit() {
  trayWatch_.reset();
  notifyArea_.reset();
  if (QCoreApplication* instance = QCoreApplication::instance()) {
    instance->removeEventFilter(inputFilter_.get());
  }
}

std::unique_ptr<Form> QtToolkit::CreateForm(const std::string& className) {
  return std::make_unique<QtForm>(*this, className);
}

std::unique_ptr<PopupMenu> QtToolkit::CreatePopupMenu() {
  return std::make_unique<QtPopupMenu>(*this);
}

std::unique_ptr<MessageWindow> QtToolkit::CreateMessageWindow(MessageWindow::Handler handler) {
  return windows_.Create(std::move(handler));
}

std::string QtToolkit::WindowLockName(const std::string& className) {
  QByteArray display = qgetenv("DISPLAY");
  if (display.isEmpty()) {
    display = qgetenv("WAYLAND_DISPLAY");
  }
  if (display.isEmpty()) {
    display = QGuiApplication::platformName().toUtf8();
  }
  return "keldo-window-" + className + "-" + std::to_string(::getuid()) + "-" +
         display.toStdString();
}

bool QtToolkit::TopLevelWindowExists(const std::string& className) {
  for (const QtForm* form : book_.Forms()) {
    if (form->ClassName() == className) {
      return true;
    }
  }
  // Another process's form holds the name while it exists; the abstract
  // namespace leaves nothing behind when that process dies.
  QLocalSocket socket;
  socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
  socket.connectToServer(QString::fromStdString(WindowLockName(className)));
  const bool found = socket.waitForConnected(1000);
  socket.abort();
  return found;
}

Form* QtToolkit::ActiveForm() {
  if (QtForm* active = FormOfWindow(QApplication::activeWindow())) {
    return active;
  }
  return book_.ActiveForm();
}

Point QtToolkit::CursorPos() {
  const QPoint at = QCursor::pos();
  return {at.x(), at.y()};
}

bool QtToolkit::KeyDown(int virtualKey) {
  const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
  switch (virtualKey) {
    case kVkShift:
      return held.testFlag(Qt::ShiftModifier);
    case kVkControl:
      return held.testFlag(Qt::ControlModifier);
    case kVkMenu:
      return held.testFlag(Qt::AltModifier);
    default:
      return false;
  }
}

void QtToolkit::ResetCursor() {
  while (QGuiApplication::overrideCursor() != nullptr) {
    QGuiApplication::restoreOverrideCursor();
  }
}

bool QtToolkit::ShellNotifyIcon(unsigned request, const NotifyIconData& data) {
  return notifyArea_->Request(request, data);
}

bool QtToolkit::TrayAvailable() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtToolkit::WatchTray() {
  const bool available = TrayAvailable();
  if (available == trayWasAvailable_) {
    return;
  }
  trayWasAvailable_ = available;
  if (!available) {
    notifyArea_->Clear();
  }
  Broadcast({available ? kWmTaskbarCreated : kWmTaskbarLost, 0, 0, 0});
}

QtForm* QtToolkit::FormOfWindow(const QWidget* window) const {
  if (window == nullptr) {
    return nullptr;
  }
  for (QtForm* form : book_.Forms()) {
    if (form->Window() == window) {
      return form;
    }
  }
  return nullptr;
}

void QtToolkit::PostToWindow(WindowHandle handle, Message message) {
  QMetaObject::invokeMethod(
      &context_, [this, handle, message]() mutable { windows_.Send(handle, message); },
      Qt::QueuedConnection);
}

void QtToolkit::Broadcast(Message message) {
  windows_.Broadcast(message);
}

// Fonts, colours and texts.

std::string FontFamilyFor(const std::string& face) {
  const QStringList installed = QFontDatabase::families();
  if (installed.contains(ToQString(face), Qt::CaseInsensitive)) {
    return face;
  }
  // Same advance widths as the faces the windows were laid out with.
  if (face == "Courier New") {
    return "Liberation Mono";
  }
  if (face == "MS Sans Serif") {
    return "Liberation Sans";
  }
  return face;
}

QFont ResolveFont(const Font& font) {
  QFont resolved(ToQString(FontFamilyFor(font.name)));
  resolved.setPixelSize(font.height > 0 ? font.height : 13);
  resolved.setStyleHint(font.name == "Courier New" ? QFont::TypeWriter : QFont::SansSerif);
  return resolved;
}

QColor ResolveColor(Color color) {
  const QPalette palette = QApplication::palette();
  switch (color.system) {
    case Color::System::ButtonFace:
      return palette.color(QPalette::Button);
    case Color::System::Window:
      return palette.color(QPalette::Base);
    case Color::System::WindowText:
      return palette.color(QPalette::WindowText);
    case Color::System::None:
      break;
  }
  return QColor(color.red, color.green, color.blue);
}

QString ToQString(const std::string& text) {
  const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString decoded = utf8(bytes);
  return utf8.hasError() ? QString::fromLatin1(bytes) : decoded;
}

std::string FromQString(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace keldo::ui::qt

namespace keldo::ui {

std::unique_ptr<Toolkit> CreatePlatformToolkit(EventLoop& loop) {
  return std::make_unique<qt::QtToolkit>(loop);
}

}  // namespace keldo::ui
