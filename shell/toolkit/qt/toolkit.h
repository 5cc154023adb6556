#pragma once

#include <QColor>
#include <QFont>
#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/toolkit/form_book.h"
#include "shell/toolkit/message_windows.h"
#include "shell/toolkit/toolkit.h"

class QWidget;

namespace keldo::ui::qt {

class QtForm;
class QtToolkit;
class NotifyArea;

// Qt has no hidden application window: the taskbar entry is each visible
// form's own, so hiding the entry withdraws the forms and restoring maps them
// again. Forms keep Visible() true throughout.
class QtApplication final : public Application {
 public:
  explicit QtApplication(QtToolkit& toolkit) : toolkit_(toolkit) {}

  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  void SetIcon(const art::Picture& picture) override;
  Icon GetIcon() const override { return icon_; }
  Form* MainForm() const override;
  void Minimize() override;
  void Restore() override;
  bool Minimized() const override { return minimized_; }
  void ShowWindow(int command) override;
  bool TaskbarEntryVisible() const override { return !entryHidden_; }
  void SetForeground() override;
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void Run() override;

  // A message to the application's window: the hooks first, then the
  // application's own handling of the minimise, restore and close commands.
  void Perform(Message& message);

  QtForm* MainQtForm() const;
  bool EntryHidden() const { return entryHidden_; }

 private:
  QtToolkit& toolkit_;
  std::string title_;
  Icon icon_;
  bool minimized_ = false;
  bool entryHidden_ = false;
};

// The widget set on Qt 6 Widgets, on the engine's Qt event loop.
class QtToolkit final : public Toolkit {
 public:
  explicit QtToolkit(EventLoop& loop);
  ~QtToolkit() override;

  EventLoop& Loop() override { return loop_; }
  Application& App() override { return app_; }
  std::unique_ptr<Form> CreateForm(const std::string& className) override;
  std::unique_ptr<PopupMenu> CreatePopupMenu() override;
  std::unique_ptr<MessageWindow> CreateMessageWindow(MessageWindow::Handler handler) override;
  bool TopLevelWindowExists(const std::string& className) override;
  Form* ActiveForm() override;
  Point CursorPos() override;
  bool KeyDown(int virtualKey) override;
  void ResetCursor() override;
  bool ShellNotifyIcon(unsigned request, const NotifyIconData& data) override;

  // For the backend's forms and controls.
  QtApplication& QtApp() { return app_; }
  const FormBook<QtForm>& Book() const { return book_; }
  const std::vector<QtForm*>& Forms() const { return book_.Forms(); }
  void FormCreated(QtForm& form) { book_.Created(form); }
  // The last active form stays none when it goes: no other takes its place.
  void FormDestroyed(QtForm& form) { book_.Destroyed(form); }
  void FormActivated(QtForm& form) { book_.Activated(form); }
  void ModalBegins(QtForm& form) { book_.ModalBegins(form); }
  void ModalEnds(QtForm& form) { book_.ModalEnds(form); }
  // The innermost modal form: the only one that takes input; nullptr if none.
  QtForm* ModalForm() const { return book_.ModalForm(); }
  QtForm* FormOfWindow(const QWidget* window) const;
  // Runs f through the loop's guard: errors go to the error report.
  void Guarded(const std::function<void()>& f) { loop_.Guard(f); }

  // Queues a message for a message window; dropped if the window is gone by
  // the time the loop delivers it.
  void PostToWindow(WindowHandle handle, Message message);
  // Sends a message to every message window now.
  void Broadcast(Message message);

  // Whether the notification area exists now.
  bool TrayAvailable() const;

  // The name of the per-desktop lock that stands for a top-level window of
  // className (the single-instance lookup).
  static std::string WindowLockName(const std::string& className);

 private:
  class InputFilter;

  void WatchTray();

  EventLoop& loop_;
  QtApplication app_;
  QObject context_;  // queued calls die with the toolkit
  std::unique_ptr<InputFilter> inputFilter_;
  std::unique_ptr<NotifyArea> notifyArea_;
  std::unique_ptr<Timer> trayWatch_;
  bool trayWasAvailable_ = false;
  FormBook<QtForm> book_;
  MessageWindows windows_;
};

// Resolution of the portable font and colour descriptions.
QFont ResolveFont(const Font& font);
QColor ResolveColor(Color color);
// The family drawn for a face name: the face itself where installed, else a
// metric-compatible one.
std::string FontFamilyFor(const std::string& face);

// The program's texts are UTF-8, the system's code page. A text that is not
// valid UTF-8 (a hive written by hand, or by a build that stored Latin-1) is
// read as Latin-1 as a whole, so every byte shows as a character.
QString ToQString(const std::string& text);
std::string FromQString(const QString& text);

}  // namespace keldo::ui::qt
