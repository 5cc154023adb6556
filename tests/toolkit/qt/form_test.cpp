#include <QFontDatabase>
#include <QFontInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <stdexcept>

#include "shell/toolkit/messages.h"
#include "tests/toolkit/qt/qt_fixture.h"

namespace keldo::test {
namespace {

using FormTest = QtToolkitTest;

// Restored while off the taskbar, the forms stay withdrawn until the entry
// comes back; the rest of the round trip is the contract suite's.
TEST_F(FormTest, HidingTheTaskbarEntryWithdrawsTheFormsButKeepsThemVisible) {
  auto& main = NewForm("TfrmMainTest");
  main.Show();
  ui::Application& app = toolkit_->App();
  app.Minimize();
  app.ShowWindow(ui::kSwHide);
  app.Restore();
  EXPECT_FALSE(main.Window()->isVisible());
  EXPECT_TRUE(main.Visible());
  app.ShowWindow(ui::kSwRestore);
  EXPECT_TRUE(main.Window()->isVisible());
}

// What another process sees: the form's lock while it exists; and another
// process's lock, which is all there is of its window here.
TEST_F(FormTest, TheSingleInstanceLockIsTheFormsNameOnTheDesktop) {
  const std::string mine = "TfrmLockTest" + std::to_string(::getpid());
  const std::string foreign = "TfrmForeignTest" + std::to_string(::getpid());
  auto lockedBy = [](const std::string& className) {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(QString::fromStdString(ui::qt::QtToolkit::WindowLockName(className)));
    return socket.waitForConnected(1000);
  };
  NewForm(mine);
  EXPECT_TRUE(lockedBy(mine));
  forms_.clear();
  EXPECT_FALSE(lockedBy(mine));

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
