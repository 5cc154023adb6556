#include <QFontDatabase>
#include <QFontInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <stdexcept>

#include "shell/toolkit/messages.h"
#include "tests/toolkit/qt/qt_fixture.h"

namespace keldo::test {
namespace {

using FormTest = QtToolkitTest;

void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

TEST_F(FormTest, TabFollowsTheChainAndSkipsWhatCannotTakeTheFocus) {
  auto& form = NewForm();
  auto& first = form.Create<ui::Button>({8, 8, 33, 33});
  auto& disabled = form.Create<ui::Edit>({8, 48, 80, 24});
  auto& hidden = form.Create<ui::Button>({8, 80, 33, 33});
  auto& group = form.Create<ui::GroupBox>({100, 8, 200, 80});
  auto& server = form.Create<ui::RadioButton>({8, 20, 150, 17}, &group);
  auto& client = form.Create<ui::RadioButton>({8, 44, 150, 17}, &group);
  auto& check = form.Create<ui::CheckBox>({100, 100, 150, 25});
  auto& label = form.Create<ui::Label>({100, 130, 150, 25});
  disabled.SetEnabled(false);
  hidden.SetVisible(false);
  form.SetTabOrder({&first, &disabled, &hidden, &client, &server, &label, &check});
  ASSERT_TRUE(ShowActive(form));
  EXPECT_EQ(form.ActiveControl(), &first);

  // No button of the group ticked: the first of it along the chain.
  Key(Qt::Key_Tab);
  EXPECT_EQ(form.ActiveControl(), &client);
  server.SetChecked(true);
  Key(Qt::Key_Tab);
  EXPECT_EQ(form.ActiveControl(), &server);  // the ticked one now
  Key(Qt::Key_Tab);
  EXPECT_EQ(form.ActiveControl(), &check);
  Key(Qt::Key_Tab);
  EXPECT_EQ(form.ActiveControl(), &first);
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(form.ActiveControl(), &check);
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(form.ActiveControl(), &server);
}

TEST_F(FormTest, EnterPressesTheFocusedButtonElseTheDefaultOne) {
  auto& form = NewForm();
  auto& play = form.Create<ui::Button>({8, 8, 33, 33});
  auto& close = form.Create<ui::Button>({48, 8, 33, 33});
  auto& edit = form.Create<ui::Edit>({8, 48, 80, 24});
  auto& memo = form.Create<ui::Memo>({8, 80, 200, 80});
  play.SetDefault(true);
  std::vector<std::string> pressed;
  play.OnClick = [&](void*) { pressed.push_back("play"); };
  close.OnClick = [&](void*) { pressed.push_back("close"); };
  form.SetTabOrder({&play, &close, &edit, &memo});
  ASSERT_TRUE(ShowActive(form));

  close.SetFocus();
  Key(Qt::Key_Return);
  edit.SetFocus();
  Key(Qt::Key_Return);
  Key(Qt::Key_Escape);
  memo.SetFocus();
  Key(Qt::Key_Enter);  // the log keeps it
  play.SetEnabled(false);
  edit.SetFocus();
  Key(Qt::Key_Return);  // the default button is disabled: nothing
  EXPECT_EQ(pressed, (std::vector<std::string>{"close", "play"}));

  close.SetDefault(true);  // one default per form
  EXPECT_FALSE(play.Default());
}

TEST_F(FormTest, AccessKeysPressTheirButtonsOutsideTextFields) {
  auto& form = NewForm();
  auto& save = form.Create<ui::Button>({8, 8, 169, 33});
  auto& exit = form.Create<ui::Button>({184, 8, 169, 33});
  auto& id = form.Create<ui::Edit>({8, 48, 49, 24});
  auto& bar = form.Create<ui::ScrollBar>({64, 48, 161, 25});
  save.SetCaption("&Save");
  exit.SetCaption("&Close");
  id.SetReadOnly(true);
  std::vector<std::string> pressed;
  save.OnClick = [&](void*) { pressed.push_back("save"); };
  exit.OnClick = [&](void*) { pressed.push_back("close"); };
  form.SetTabOrder({&id, &exit, &save, &bar});
  ASSERT_TRUE(ShowActive(form));

  bar.SetFocus();
  Key(Qt::Key_S);
  Key(Qt::Key_C, Qt::ShiftModifier);
  Key(Qt::Key_X);  // no button's key
  id.SetFocus();
  Key(Qt::Key_S);  // a text field, even a read-only one, keeps its keys
  EXPECT_EQ(pressed, (std::vector<std::string>{"save", "close"}));
}

TEST_F(FormTest, AFormWithoutInputIgnoresMouseAndKeyboard) {
  auto& form = NewForm();
  auto& button = form.Create<ui::Button>({8, 8, 33, 33});
  int clicks = 0;
  button.OnClick = [&](void*) { ++clicks; };
  form.SetTabOrder({&button});
  ASSERT_TRUE(ShowActive(form));

  form.SetEnabled(false);
  QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
  QTest::keyClick(WidgetOf(button), Qt::Key_Space);
  EXPECT_EQ(clicks, 0);
  form.SetEnabled(true);
  QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(FormTest, ModalShowingNestsTheLoopAndBlocksTheOtherForms) {
  auto& main = NewForm("TfrmMainTest");
  auto& button = main.Create<ui::Button>({8, 8, 33, 33});
  int clicks = 0;
  button.OnClick = [&](void*) { ++clicks; };
  main.Show();
  auto& dialog = NewForm("TfrmDialogTest");
  dialog.SetPosition(ui::FormPosition::MainFormCenter);

  auto timer = loop_->CreateTimer();
  timer->SetInterval(20);
  int ticks = 0;
  timer->SetOnTimer([&] {
    ++ticks;
    if (ticks == 1) {
      QTest::mouseClick(WidgetOf(button), Qt::LeftButton);  // blocked
      return;
    }
    timer->SetEnabled(false);
    dialog.SetModalResult(ui::mrOk);
  });
  timer->SetEnabled(true);
  EXPECT_EQ(dialog.ShowModal(), ui::mrOk);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_TRUE(main.TakesInput());

  // A refused close keeps it; an accepted one ends it with mrCancel.
  bool allow = false;
  dialog.OnCloseQuery = [&](void*, bool& canClose) { canClose = allow; };
  timer->SetOnTimer([&] {
    timer->SetEnabled(false);
    dialog.Close();
    EXPECT_EQ(dialog.ModalResult(), ui::mrNone);
    allow = true;
    dialog.Close();
  });
  timer->SetEnabled(true);
  EXPECT_EQ(dialog.ShowModal(), ui::mrCancel);
  QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(FormTest, ThePlatformsMinimiseAndRestoreOfTheMainFormReachTheHooks) {
  auto& main = NewForm("TfrmMainTest");
  auto& other = NewForm("TfrmOtherTest");
  main.Show();
  other.Show();
  ui::Application& app = toolkit_->App();
  std::vector<std::uintptr_t> commands;
  app.AddHook([&](ui::Message& message) {
    if (message.Msg == ui::kWmSysCommand) {
      commands.push_back(message.WParam);
    }
    return false;
  });

  other.Window()->setWindowState(Qt::WindowMinimized);  // not the main form
  main.Window()->setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(Wait([&] { return app.Minimized(); }));
  main.Window()->setWindowState(Qt::WindowNoState);
  ASSERT_TRUE(Wait([&] { return !app.Minimized(); }));
  EXPECT_EQ(commands, (std::vector<std::uintptr_t>{ui::kScMinimize, ui::kScRestore}));

  // The application's own changes are not the user's: no command.
  app.Minimize();
  app.Restore();
  QTest::qWait(50);
  EXPECT_EQ(commands.size(), 2u);
}

TEST_F(FormTest, HidingTheTaskbarEntryWithdrawsTheFormsButKeepsThemVisible) {
  auto& main = NewForm("TfrmMainTest");
  int shows = 0;
  main.OnShow = [&](void*) { ++shows; };
  main.Show();
  ui::Application& app = toolkit_->App();

  app.Minimize();
  app.ShowWindow(ui::kSwHide);
  EXPECT_FALSE(main.Window()->isVisible());
  EXPECT_FALSE(app.TaskbarEntryVisible());
  EXPECT_TRUE(main.Visible());
  app.Restore();
  EXPECT_FALSE(main.Window()->isVisible());  // restored, still off the taskbar
  app.ShowWindow(ui::kSwRestore);
  EXPECT_TRUE(main.Window()->isVisible());
  EXPECT_FALSE(main.Window()->isMinimized());
  EXPECT_TRUE(app.TaskbarEntryVisible());
  EXPECT_EQ(shows, 1);
}

TEST_F(FormTest, ClosingTheMainFormEndsTheApplicationsLoop) {
  auto& main = NewForm("TfrmMainTest");
  int queries = 0;
  main.OnCloseQuery = [&](void*, bool& canClose) { canClose = ++queries > 1; };
  main.Show();
  auto timer = loop_->CreateTimer();
  timer->SetInterval(10);
  timer->SetOnTimer([&] { main.Close(); });
  timer->SetEnabled(true);
  toolkit_->App().Run();
  EXPECT_EQ(queries, 2);
  EXPECT_FALSE(main.Visible());
}

TEST_F(FormTest, ATopLevelWindowIsFoundByItsClassWhileItsFormExists) {
  const std::string mine = "TfrmLockTest" + std::to_string(::getpid());
  const std::string foreign = "TfrmForeignTest" + std::to_string(::getpid());
  auto lockedBy = [](const std::string& className) {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(QString::fromStdString(ui::qt::QtToolkit::WindowLockName(className)));
    return socket.waitForConnected(1000);
  };
  EXPECT_FALSE(toolkit_->TopLevelWindowExists(mine));
  NewForm(mine);
  EXPECT_TRUE(toolkit_->TopLevelWindowExists(mine));
  EXPECT_TRUE(lockedBy(mine));  // what another process sees
  forms_.clear();
  EXPECT_FALSE(toolkit_->TopLevelWindowExists(mine));
  EXPECT_FALSE(lockedBy(mine));

  // Another process's window: only its name on the desktop.
  QLocalServer other;
  other.setSocketOptions(QLocalServer::AbstractNamespaceOption);
  ASSERT_TRUE(other.listen(QString::fromStdString(ui::qt::QtToolkit::WindowLockName(foreign))));
  EXPECT_TRUE(toolkit_->TopLevelWindowExists(foreign));
  other.close();
  EXPECT_FALSE(toolkit_->TopLevelWindowExists(foreign));
}

TEST_F(FormTest, MissingFacesAreDrawnInMetricCompatibleOnes) {
  const QFont mono = ui::qt::ResolveFont({"Courier New", 13, ui::Charset::Ansi});
  const QFontInfo info(mono);
  EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
  EXPECT_EQ(info.pixelSize(), 13);
  for (const char* face : {"Courier New", "MS Sans Serif"}) {
    const QString family = QString::fromStdString(ui::qt::FontFamilyFor(face));
    EXPECT_TRUE(QFontDatabase::families().contains(family)) << family.toStdString();
  }
}

}  // namespace
}  // namespace keldo::test

namespace keldo::test {
namespace {

// Answers the next message box from the loop with the given button and
// keeps what it showed.
struct BoxSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

void AnswerNextBox(QMessageBox::StandardButton answer, BoxSeen& seen) {
  QTimer::singleShot(0, [answer, &seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      AnswerNextBox(answer, seen);  // not up yet
      return;
    }
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(answer)->click();
  });
}

TEST_F(FormTest, MessageBoxesShowTheirStyleAndReturnTheButtonPressed) {
  ui::Application& app = toolkit_->App();
  app.SetTitle("KELDO Link");
  BoxSeen seen;

  AnswerNextBox(QMessageBox::No, seen);
  EXPECT_EQ(app.ShowMessageBox("Go on?", "System Message", ui::kMbYesNo), ui::kIdNo);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(seen.title, "System Message");

  AnswerNextBox(QMessageBox::Cancel, seen);
  EXPECT_EQ(app.ShowMessageBox("x", "y", ui::kMbOkCancel), ui::kIdCancel);

  // The error display: a stop box captioned with the title.
  AnswerNextBox(QMessageBox::Ok, seen);
  app.ShowException(std::runtime_error("Cannot Create System Shell Notification Icon"));
  EXPECT_EQ(seen.title, "KELDO Link");
  EXPECT_EQ(seen.text, "Cannot Create System Shell Notification Icon.");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}

}  // namespace
}  // namespace keldo::test
