#include <QSystemTrayIcon>

#include "shell/toolkit/messages.h"
#include "shell/toolkit/qt/notify_icon.h"
#include "shell/toolkit/qt/picture.h"
#include "shell/trayicon.h"
#include "tests/toolkit/qt/qt_fixture.h"

namespace keldo::test {
namespace {

class RecordingMenu final : public ui::PopupMenu {
 public:
  void Popup(ui::Point at) override { popups.push_back(at); }
  std::vector<ui::Point> popups;
};

struct Activation {
  const char* name;
  QSystemTrayIcon::ActivationReason reason;
  int restores;
  int popups;
  friend void PrintTo(const Activation& a, std::ostream* os) { *os << a.name; }
};

class TrayActivation : public QtToolkitTest, public ::testing::WithParamInterface<Activation> {};

// What Qt reports of the pointer reaches the tray icon's decoder as the
// Windows actions it stands for: a double-click restores, a right-click
// pops the menu up, anything else does nothing visible.
TEST_P(TrayActivation, DecodesToTheTrayIconsRoutines) {
  const Activation& a = GetParam();
  RecordingMenu menu;
  TTrayIcon tray(*toolkit_);
  tray.SetPopupMenu(&menu);
  tray.RestoreOn = imDoubleClick;
  tray.PopupMenuOn = imRightClickUp;
  int restores = 0;
  tray.OnRestore = [&](void*) { ++restores; };
  tray.Loaded();

  for (unsigned action : ui::qt::NotifyArea::ActionsFor(a.reason)) {
    ui::Message message{TTrayIcon::kCallbackMessage, 0, static_cast<std::intptr_t>(action), 0};
    tray.DoMessage(message);
  }
  EXPECT_EQ(restores, a.restores);
  EXPECT_EQ(static_cast<int>(menu.popups.size()), a.popups);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, TrayActivation,
    ::testing::Values(Activation{"LeftClick", QSystemTrayIcon::Trigger, 0, 0},
                      Activation{"LeftDoubleClick", QSystemTrayIcon::DoubleClick, 1, 0},
                      Activation{"RightClick", QSystemTrayIcon::Context, 0, 1},
                      Activation{"MiddleClick", QSystemTrayIcon::MiddleClick, 0, 0},
                      Activation{"Unknown", QSystemTrayIcon::Unknown, 0, 0}),
    [](const ::testing::TestParamInfo<Activation>& param) { return param.param.name; });

TEST_F(QtToolkitTest, WithoutANotificationAreaMinimizeKeepsTheWindowReachable) {
  if (toolkit_->TrayAvailable()) {
    GTEST_SKIP() << "this desktop has a notification area";
  }
  auto& main = NewForm("TfrmMainTest");
  main.Show();
  TTrayIcon tray(*toolkit_);
  tray.Loaded();
  tray.SetVisible(true);  // refused, and retried later
  EXPECT_FALSE(tray.Shown());

  tray.Minimize();
  ui::Application& app = toolkit_->App();
  EXPECT_TRUE(app.Minimized());
  EXPECT_TRUE(app.TaskbarEntryVisible());
  EXPECT_TRUE(main.Window()->isVisible());  // minimised, not withdrawn
  tray.Restore();
  EXPECT_FALSE(main.Window()->isMinimized());
}

TEST_F(QtToolkitTest, NotifyAreaAnswersLikeTheShell) {
  bool available = false;
  std::vector<ui::Message> delivered;
  ui::qt::NotifyArea area([&](ui::WindowHandle, ui::Message m) { delivered.push_back(m); },
                          [&] { return available; });
  ui::NotifyIconData data;
  data.hWnd = 1;
  data.uID = 7;
  data.uFlags = ui::kNifMessage | ui::kNifIcon;
  data.uCallbackMessage = TTrayIcon::kCallbackMessage;

  EXPECT_FALSE(area.Request(ui::kNimAdd, data));  // no area yet
  available = true;
  EXPECT_TRUE(area.Request(ui::kNimAdd, data));
  EXPECT_FALSE(area.Request(ui::kNimAdd, data));  // already there
  EXPECT_TRUE(area.Request(ui::kNimModify, data));
  ui::NotifyIconData other = data;
  other.uID = 8;
  EXPECT_FALSE(area.Request(ui::kNimModify, other));
  EXPECT_FALSE(area.Request(ui::kNimDelete, other));
  EXPECT_TRUE(area.Request(ui::kNimDelete, data));
  EXPECT_FALSE(area.Request(ui::kNimDelete, data));

  EXPECT_TRUE(area.Request(ui::kNimAdd, data));
  area.Clear();  // the area went away with its icons
  EXPECT_EQ(area.Count(), 0);
  EXPECT_FALSE(area.Request(ui::kNimModify, data));
}

TEST(QtPictures, GlyphsLoseTheBottomLeftColourAndSplitIntoEnabledAndDisabled) {
  constexpr std::uint32_t kKey = 0xFF000000;  // black, bottom-left
  constexpr std::uint32_t kGreen = 0xFF00FF00;
  constexpr std::uint32_t kGrey = 0xFF808080;
  art::Picture picture{4, 2, {kGreen, kKey, kGrey, kKey, kKey, kGreen, kKey, kGrey}};
  const QIcon icon = ui::qt::ToGlyphIcon(picture, 2);
  const QImage enabled = icon.pixmap(2, 2, QIcon::Normal).toImage();
  const QImage disabled = icon.pixmap(2, 2, QIcon::Disabled).toImage();
  ASSERT_EQ(enabled.size(), QSize(2, 2));
  EXPECT_EQ(enabled.pixel(0, 0), kGreen);
  EXPECT_EQ(qAlpha(enabled.pixel(1, 0)), 0);
  EXPECT_EQ(qAlpha(enabled.pixel(0, 1)), 0);
  EXPECT_EQ(disabled.pixel(0, 0), kGrey);
  EXPECT_EQ(qAlpha(disabled.pixel(1, 1)), 255);

  // An icon without an image is still one Qt shows: fully transparent.
  const QImage blank = ui::qt::ToTrayIcon(nullptr).pixmap(16, 16).toImage();
  ASSERT_FALSE(blank.isNull());
  EXPECT_EQ(qAlpha(blank.pixel(8, 8)), 0);
}

}  // namespace
}  // namespace keldo::test
