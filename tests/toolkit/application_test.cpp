#include "shell/toolkit/application.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "shell/toolkit/component.h"
#include "shell/toolkit/errors.h"
#include "shell/toolkit/image_list.h"
#include "shell/toolkit/messages.h"
#include "shell/toolkit/popup_menu.h"
#include "tests/toolkit/toolkit_fixture.h"

namespace keldo {
namespace {

using test::ToolkitFixture;

TEST(ErrorDisplayText, FullStopAfterAnythingThatSortsAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"", ""},
      {"Access denied", "Access denied."},
      {"Error 5", "Error 5."},
      {"Done.", "Done."},
      {"Program Run!", "Program Run!"},
      {"a, b,", "a, b,"},
      {"ends in slash/", "ends in slash/."},
      {"ends in dash-", "ends in dash-"},
      {"\xE9t\xE9", "\xE9t\xE9."},  // bytes above 127 sort after '.'
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ErrorDisplayText(c.message), c.shown) << c.message;
  }
}

using ApplicationTest = ToolkitFixture;

TEST_F(ApplicationTest, ErrorDisplayUsesTheTitleAndDropsTheSilentError) {
  toolkit_.App().SetTitle("KELDO Link");
  toolkit_.App().HandleException(std::runtime_error("Cannot open COM3"));
  toolkit_.App().HandleException(ui::EAbort());
  toolkit_.App().HandleException(ui::EOutOfResources("Out of handles."));
  ASSERT_EQ(toolkit_.MessageBoxes().size(), 2u);
  EXPECT_EQ(toolkit_.MessageBoxes()[0].text, "Cannot open COM3.");
  EXPECT_EQ(toolkit_.MessageBoxes()[0].caption, "KELDO Link");
  EXPECT_EQ(toolkit_.MessageBoxes()[0].flags, ui::kMbOk | ui::kMbIconStop);
  EXPECT_EQ(toolkit_.MessageBoxes()[1].text, "Out of handles.");
}

TEST_F(ApplicationTest, MessageBoxesAreAnsweredAndRecorded) {
  EXPECT_EQ(toolkit_.App().ShowMessageBox("Program Run!", "System Message", ui::kMbOk), ui::kIdOk);
  EXPECT_EQ(toolkit_.App().ShowMessageBox("Sure?", "Q", ui::kMbYesNo), ui::kIdYes);
  toolkit_.OnMessageBox = [](const ui::memory::ShownMessageBox& box) {
    return box.flags == ui::kMbYesNo ? ui::kIdNo : ui::kIdCancel;
  };
  EXPECT_EQ(toolkit_.App().ShowMessageBox("Sure?", "Q", ui::kMbYesNo), ui::kIdNo);
  ASSERT_EQ(toolkit_.MessageBoxes().size(), 3u);
  EXPECT_EQ(toolkit_.MessageBoxes()[0].caption, "System Message");
  EXPECT_EQ(toolkit_.MessageBoxes()[2].answer, ui::kIdNo);
}

TEST_F(ApplicationTest, HooksSeeMessagesFirstAndMayRemoveThemselves) {
  auto& app = toolkit_.MemoryApp();
  std::vector<std::string> seen;
  ui::Application::HookId second = 0;
  const ui::Application::HookId first = app.AddHook([&](ui::Message& m) {
    seen.push_back("first");
    app.RemoveHook(second);  // a removed hook does not run any more
    return m.WParam == 1;
  });
  second = app.AddHook([&](ui::Message&) {
    seen.push_back("second");
    return false;
  });
  ui::Message minimise{ui::kWmSysCommand, ui::kScMinimize, 0, 0};
  app.Perform(minimise);
  EXPECT_EQ(seen, std::vector<std::string>{"first"});
  EXPECT_TRUE(app.Minimized());  // not handled: the application's own minimise follows

  app.Restore();
  ui::Message handled{ui::kWmSysCommand, 1, 0, 0};
  app.Perform(handled);
  app.RemoveHook(first);
  app.Perform(minimise);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_FALSE(app.HasHook(first));
}

// A component that records what it is told.
class Watcher : public ui::Component {
 public:
  std::vector<ui::Component*> removed;

 protected:
  void Notification(ui::Component* component, ui::Operation operation) override {
    if (operation == ui::Operation::Remove) {
      removed.push_back(component);
    }
  }
};

TEST(Component, FreeNotificationWorksWhicheverSideGoesFirst) {
  auto watcher = std::make_unique<Watcher>();
  auto list = std::make_unique<ui::ImageList>(16, 16);
  auto other = std::make_unique<ui::ImageList>(16, 16);
  watcher->FreeNotification(*list);
  watcher->FreeNotification(*list);  // once is enough
  watcher->FreeNotification(*other);
  ui::Component* gone = list.get();
  list.reset();
  EXPECT_EQ(watcher->removed, std::vector<ui::Component*>{gone});
  watcher->RemoveFreeNotification(*other);
  other.reset();
  EXPECT_EQ(watcher->removed.size(), 1u);

  // The watcher first: the list must not tell a watcher that is gone.
  auto list2 = std::make_unique<ui::ImageList>(16, 16);
  watcher->FreeNotification(*list2);
  watcher.reset();
  list2.reset();  // ASan would catch a call into the freed watcher
}

TEST(PopupMenuItems, AccessKeysAndChoosing) {
  struct Menu : ui::PopupMenu {
    void Popup(ui::Point) override {}
  } menu;
  int runs = 0;
  menu.AddItem("S&tart/Continue", [&](void*) { ++runs; });
  menu.AddSeparator();
  menu.AddItem("Fish && &Chips");
  menu.AddItem("No key");
  EXPECT_EQ(menu.Item(0).AccessKey(), 't');
  EXPECT_EQ(menu.Item(2).AccessKey(), 'c');
  EXPECT_EQ(menu.Item(3).AccessKey(), 0);
  for (int index : {0, 1, 2, 7, -1}) {
    menu.Choose(index);
  }
  EXPECT_EQ(runs, 1);
}

TEST(ImageListIcons, OutsideTheListIsAnEmptyIcon) {
  ui::ImageList list(16, 16);
  art::Picture picture;
  picture.width = picture.height = 16;
  picture.argb.assign(256, 0xFF00FF00u);
  EXPECT_EQ(list.Add(picture), 0);
  EXPECT_EQ(list.GetIcon(0)->argb, picture.argb);
  EXPECT_EQ(list.GetIcon(1), nullptr);
  EXPECT_EQ(list.GetIcon(-1), nullptr);
}

}  // namespace
}  // namespace keldo
