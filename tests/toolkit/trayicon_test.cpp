#include "shell/trayicon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/toolkit/errors.h"
#include "tests/toolkit/toolkit_fixture.h"

namespace keldo {
namespace {

using test::ToolkitFixture;
namespace ui = keldo::ui;

// The main window's set-up: a form, a three-picture list, a menu, and the
// icon configured and loaded as the window's form loads it.
class TrayIconTest : public ToolkitFixture {
 protected:
  TrayIconTest() {
    toolkit_.MemoryApp().SetIcon(kAppPicture);
    form_ = toolkit_.CreateForm("TfrmKELDO");
    form_->SetBorderIcons({true, true});
    for (std::uint32_t colour : {0xFF00FF00u, 0xFFFF0000u, 0xFF000000u}) {
      pictures_.Add(Solid(16, 16, colour));
    }
    menu_ = toolkit_.CreatePopupMenu();
    menu_->AddItem("&Stop", [this](void*) { chosen_.push_back("&Stop"); });
    menu_->AddSeparator();
    menu_->AddItem("&Restore", [this](void*) { tray_->Restore(); });
    tray_ = std::make_unique<TTrayIcon>(toolkit_);
    tray_->OnRestore = [this](void*) { ++restores_; };
    tray_->OnMinimize = [this](void*) { ++minimizes_; };
  }

  // In the order the window's form applies them.
  void LoadAsMainWindow() {
    tray_->SetVisible(true);
    tray_->SetPopupMenu(menu_.get());
    tray_->RestoreOn = imDoubleClick;
    tray_->PopupMenuOn = imRightClickUp;
    tray_->SetIcons(&pictures_);
    tray_->SetIconIndex(1);
    tray_->Loaded();
    form_->Show();
  }

  // The picture the notification area shows now; nullptr without an icon or image.
  const art::Picture* Shown() const {
    const auto icons = toolkit_.TrayIcons();
    return icons.size() == 1 ? icons.front().hIcon.get() : nullptr;
  }
  bool ShowsImage(int index) const {
    const art::Picture* shown = Shown();
    return shown != nullptr && shown->argb == pictures_.GetIcon(index)->argb;
  }
  int Requests(unsigned request) const {
    int count = 0;
    for (const auto& sent : toolkit_.IconRequests()) {
      count += sent.request == request ? 1 : 0;
    }
    return count;
  }
  bool Minimise() { return toolkit_.SystemCommand(*form_, ui::kScMinimize); }

  const art::Picture kAppPicture = Solid(16, 16, 0xFF123456u);
  std::unique_ptr<ui::Form> form_;
  ui::ImageList pictures_{16, 16};
  std::unique_ptr<ui::PopupMenu> menu_;
  std::unique_ptr<TTrayIcon> tray_;
  std::vector<std::string> chosen_;
  int restores_ = 0;
  int minimizes_ = 0;
};

TEST_F(TrayIconTest, AddedWithTheApplicationIconThenShowsTheStateImages) {
  tray_->SetVisible(true);
  ASSERT_EQ(toolkit_.TrayIcons().size(), 1u);
  const ui::NotifyIconData icon = toolkit_.TrayIcons().front();
  EXPECT_EQ(icon.hIcon->argb, kAppPicture.argb);
  EXPECT_EQ(icon.uCallbackMessage, 0x401u);
  EXPECT_EQ(icon.uFlags, ui::kNifMessage | ui::kNifIcon);
  EXPECT_EQ(icon.hWnd, tray_->GetHandle());

  tray_->SetPopupMenu(menu_.get());
  tray_->SetIconIndex(1);  // no list yet: the image stays
  EXPECT_EQ(Shown()->argb, kAppPicture.argb);
  tray_->SetIcons(&pictures_);
  EXPECT_EQ(Shown()->argb, kAppPicture.argb);
  tray_->Loaded();
  EXPECT_TRUE(ShowsImage(1));
  for (int index : {0, 2, 1}) {
    tray_->SetIconIndex(index);
    EXPECT_TRUE(ShowsImage(index)) << index;
  }
}

TEST_F(TrayIconTest, PointerActionsRestoreOrPopTheMenu) {
  struct Case {
    const char* name;
    std::vector<unsigned> actions;
    int restores;
    int popups;
  };
  const Case cases[] = {
      {"left click", {ui::kWmLButtonDown, ui::kWmLButtonUp}, 0, 0},
      {"pointer move", {ui::kWmMouseMove}, 0, 0},
      {"left double-click",
       {ui::kWmLButtonDown, ui::kWmLButtonUp, ui::kWmLButtonDblClk, ui::kWmLButtonUp},
       1,
       0},
      {"middle double-click",
       {ui::kWmMButtonDown, ui::kWmMButtonUp, ui::kWmMButtonDblClk, ui::kWmMButtonUp},
       1,
       0},
      {"right button pressed", {ui::kWmRButtonDown}, 0, 0},
      {"right click", {ui::kWmRButtonDown, ui::kWmRButtonUp}, 0, 1},
      {"right double-click",
       {ui::kWmRButtonDown, ui::kWmRButtonUp, ui::kWmRButtonDblClk, ui::kWmRButtonUp},
       1,
       2},
      {"unknown action", {0x20A}, 0, 0},
  };
  LoadAsMainWindow();
  for (const Case& c : cases) {
    restores_ = 0;
    const int popupsBefore = toolkit_.PopupCount();
    for (unsigned action : c.actions) {
      ASSERT_TRUE(toolkit_.TrayAction(action)) << c.name;
    }
    EXPECT_EQ(restores_, c.restores) << c.name;
    EXPECT_EQ(toolkit_.PopupCount() - popupsBefore, c.popups) << c.name;
    toolkit_.DismissMenu();
  }
}

TEST_F(TrayIconTest, MenuPopsUpAtThePointerAndTheChosenItemRuns) {
  LoadAsMainWindow();
  toolkit_.SetCursorPos({1200, 790});
  ASSERT_TRUE(toolkit_.RightClickTrayIcon());
  ASSERT_EQ(toolkit_.PoppedUpMenu(), menu_.get());
  EXPECT_EQ(toolkit_.PopupPoint(), (ui::Point{1200, 790}));
  EXPECT_TRUE(toolkit_.ChooseMenuItem("&Stop"));
  EXPECT_EQ(chosen_, std::vector<std::string>{"&Stop"});
  EXPECT_EQ(toolkit_.PoppedUpMenu(), nullptr);

  menu_.reset();  // the owner frees the menu: the icon forgets it
  EXPECT_TRUE(toolkit_.RightClickTrayIcon());
  EXPECT_EQ(toolkit_.PoppedUpMenu(), nullptr);
  EXPECT_EQ(tray_->PopupMenu(), nullptr);
}

TEST_F(TrayIconTest, MinimiseAndRestoreThroughTheApplicationHook) {
  LoadAsMainWindow();
  ASSERT_TRUE(Minimise());
  EXPECT_TRUE(toolkit_.App().Minimized());
  EXPECT_FALSE(toolkit_.App().TaskbarEntryVisible());
  EXPECT_EQ(minimizes_, 1);
  EXPECT_FALSE(toolkit_.ClickTaskbarEntry());  // gone from the taskbar

  const int foreground = toolkit_.MemoryApp().ForegroundCount();
  ASSERT_TRUE(toolkit_.DoubleClickTrayIcon());
  EXPECT_FALSE(toolkit_.App().Minimized());
  EXPECT_TRUE(toolkit_.App().TaskbarEntryVisible());
  EXPECT_EQ(toolkit_.MemoryApp().ForegroundCount(), foreground + 1);
  EXPECT_EQ(restores_, 1);
  EXPECT_EQ(static_cast<ui::memory::MemoryForm&>(*form_).ShowCount(), 1);  // no second show event

  // Only the exact command codes reach Minimize and Restore.
  for (std::uintptr_t near : {ui::kScMinimize + 2, ui::kScRestore + 1}) {
    ui::Message message{ui::kWmSysCommand, near, 0, 0};
    toolkit_.MemoryApp().Perform(message);
  }
  EXPECT_EQ(minimizes_, 1);
  EXPECT_EQ(restores_, 1);

  // Restoring an application that is not minimised only brings it forward.
  tray_->Restore();
  EXPECT_FALSE(toolkit_.App().Minimized());
  EXPECT_EQ(restores_, 2);
}

TEST_F(TrayIconTest, RefusedAddIsRetriedAndTheTaskbarEntryStaysMeanwhile) {
  toolkit_.SetNotificationAreaAvailable(false);
  ASSERT_NO_THROW(LoadAsMainWindow());
  EXPECT_TRUE(tray_->Visible());
  EXPECT_FALSE(tray_->Shown());
  EXPECT_TRUE(toolkit_.TrayIcons().empty());

  // Minimised without an icon: still on the taskbar, still reachable.
  ASSERT_TRUE(Minimise());
  EXPECT_TRUE(toolkit_.App().Minimized());
  EXPECT_TRUE(toolkit_.App().TaskbarEntryVisible());
  tray_->SetIconIndex(2);

  loop_.Advance(TTrayIcon::kAddRetryMs);
  EXPECT_TRUE(toolkit_.TrayIcons().empty());
  toolkit_.SetNotificationAreaAvailable(true);
  loop_.Advance(TTrayIcon::kAddRetryMs);
  ASSERT_TRUE(tray_->Shown());
  EXPECT_TRUE(ShowsImage(2));
  // The waiting minimise completes in the notification area.
  EXPECT_FALSE(toolkit_.App().TaskbarEntryVisible());
  ASSERT_TRUE(toolkit_.DoubleClickTrayIcon());
  EXPECT_FALSE(toolkit_.App().Minimized());

  // Once shown, no more adds.
  const int adds = Requests(ui::kNimAdd);
  loop_.Advance(5 * TTrayIcon::kAddRetryMs);
  EXPECT_EQ(Requests(ui::kNimAdd), adds);
}

TEST_F(TrayIconTest, AddedAgainWhenTheNotificationAreaComesBack) {
  LoadAsMainWindow();
  tray_->SetHint("link");
  ASSERT_TRUE(Minimise());

  toolkit_.RecreateNotificationArea();  // the shell restarted
  ASSERT_EQ(toolkit_.TrayIcons().size(), 1u);
  EXPECT_TRUE(ShowsImage(1));
  EXPECT_EQ(toolkit_.TrayIcons().front().szTip, "link");

  // A desktop whose notification area goes away gives the taskbar entry back.
  toolkit_.LoseNotificationArea();
  EXPECT_FALSE(tray_->Shown());
  EXPECT_TRUE(toolkit_.App().TaskbarEntryVisible());
  EXPECT_TRUE(toolkit_.App().Minimized());
  toolkit_.RecreateNotificationArea();
  EXPECT_TRUE(tray_->Shown());
  EXPECT_FALSE(toolkit_.App().TaskbarEntryVisible());
}

TEST_F(TrayIconTest, RefusedRemovalRaisesAndKeepsTheHook) {
  LoadAsMainWindow();
  toolkit_.SetRefusing(ui::kNimDelete, true);
  try {
    tray_->SetVisible(false);
    FAIL() << "no error";
  } catch (const ui::EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "Cannot Remove System Shell Notification Icon");
  }
  EXPECT_FALSE(tray_->Visible());
  ASSERT_TRUE(Minimise());  // the hook still hides the application
  EXPECT_EQ(minimizes_, 1);
  EXPECT_FALSE(toolkit_.App().TaskbarEntryVisible());
}

TEST_F(TrayIconTest, ChangesWhileRemovedGoOutWithTheNextAdd) {
  LoadAsMainWindow();
  tray_->SetVisible(false);
  ASSERT_TRUE(toolkit_.TrayIcons().empty());
  toolkit_.ClearIconRequests();
  tray_->SetIconIndex(2);
  tray_->SetHint("paused");
  EXPECT_TRUE(toolkit_.IconRequests().empty());
  ASSERT_TRUE(Minimise());  // no hook while removed: the entry stays
  EXPECT_TRUE(toolkit_.App().TaskbarEntryVisible());

  tray_->SetVisible(true);
  EXPECT_TRUE(ShowsImage(2));
  EXPECT_EQ(toolkit_.TrayIcons().front().szTip, "paused");
  // A second show updates the icon that is there instead of adding another.
  toolkit_.ClearIconRequests();
  ASSERT_NO_THROW(tray_->SetVisible(true));
  EXPECT_EQ(Requests(ui::kNimAdd), 0);
  EXPECT_EQ(toolkit_.TrayIcons().size(), 1u);
}

TEST_F(TrayIconTest, HintsUpToSixtyThreeCharacters) {
  LoadAsMainWindow();
  const std::string longest(63, 'h');
  tray_->SetHint(longest);
  EXPECT_EQ(toolkit_.TrayIcons().front().szTip, longest);

  toolkit_.ClearIconRequests();
  tray_->SetHint(std::string(64, 'x'));
  tray_->SetHint(longest);  // the same again
  EXPECT_EQ(tray_->Hint(), longest);
  EXPECT_TRUE(toolkit_.IconRequests().empty());

  // Clearing takes the tooltip away, and images still change afterwards.
  tray_->SetHint("");
  EXPECT_EQ(toolkit_.TrayIcons().front().szTip, "");
  EXPECT_EQ(tray_->IconData().uFlags, ui::kNifMessage | ui::kNifIcon);
  tray_->SetIconIndex(0);
  EXPECT_TRUE(ShowsImage(0));
}

TEST_F(TrayIconTest, IndexOutsideTheListShowsNoImage) {
  LoadAsMainWindow();
  for (int index : {3, -1, 1000}) {
    ASSERT_NO_THROW(tray_->SetIconIndex(index));
    ASSERT_EQ(toolkit_.TrayIcons().size(), 1u);
    EXPECT_EQ(Shown(), nullptr) << index;
    EXPECT_EQ(tray_->IconIndex(), index);
  }
  tray_->SetIconIndex(2);
  EXPECT_TRUE(ShowsImage(2));
}

TEST_F(TrayIconTest, IconLeavesOnlyWhenTheSessionReallyEnds) {
  LoadAsMainWindow();
  ASSERT_TRUE(Minimise());
  // Another program called the log-off off: the hidden application keeps its way back.
  EXPECT_TRUE(toolkit_.EndSession(false));
  EXPECT_EQ(toolkit_.TrayIcons().size(), 1u);
  EXPECT_TRUE(toolkit_.DoubleClickTrayIcon());
  EXPECT_EQ(restores_, 1);

  EXPECT_TRUE(toolkit_.EndSession(true));
  EXPECT_TRUE(toolkit_.TrayIcons().empty());
  EXPECT_TRUE(tray_->Visible());
  loop_.Advance(3 * TTrayIcon::kAddRetryMs);  // and it is not added back
  EXPECT_TRUE(toolkit_.TrayIcons().empty());
}

TEST_F(TrayIconTest, DestroyedIconLeavesNeitherIconNorHook) {
  LoadAsMainWindow();
  tray_.reset();
  EXPECT_TRUE(toolkit_.TrayIcons().empty());
  ASSERT_TRUE(Minimise());  // the application's own minimise only
  EXPECT_TRUE(toolkit_.App().TaskbarEntryVisible());
  EXPECT_EQ(minimizes_, 0);
}

TEST_F(TrayIconTest, RemovedImageListKeepsTheImageAndStopsTheAnimation) {
  LoadAsMainWindow();
  tray_->SetAnimate(true);
  loop_.Advance(1000);
  EXPECT_TRUE(ShowsImage(2));
  loop_.Advance(1000);
  EXPECT_TRUE(ShowsImage(0));
  const std::vector<std::uint32_t> before = Shown()->argb;

  auto replacement = std::make_unique<ui::ImageList>(16, 16);
  tray_->SetIcons(replacement.get());
  replacement.reset();
  EXPECT_EQ(tray_->Icons(), nullptr);
  loop_.Advance(3000);
  tray_->SetIconIndex(1);
  EXPECT_EQ(Shown()->argb, before);
}

TEST_F(TrayIconTest, AnimationNeedsAnImageList) {
  tray_->SetAnimate(true);  // while loading: stored
  tray_->Loaded();          // without a list: dropped
  EXPECT_FALSE(tray_->GetAnimate());
  tray_->SetAnimate(true);
  EXPECT_FALSE(tray_->GetAnimate());

  tray_->SetIcons(&pictures_);
  tray_->SetVisible(true);
  tray_->SetAnimateInterval(250);
  tray_->SetAnimate(true);
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    loop_.Advance(250);
    seen.push_back(tray_->IconIndex());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
}

}  // namespace
}  // namespace keldo
