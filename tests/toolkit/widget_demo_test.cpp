#include "shell/demo/widget_demo.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

namespace keldo {
namespace {

using test::ToolkitFixture;

class WidgetDemoTest : public ToolkitFixture {
 protected:
  WidgetDemoTest() : demo_(toolkit_, [this](const std::string& line) { lines_.push_back(line); }) {}

  bool Said(const std::string& line) const {
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
  }

  std::vector<std::string> lines_;
  demo::WidgetDemo demo_;
};

TEST_F(WidgetDemoTest, TrayMenuItemsRunTheirHandlersAndExitEndsTheProgram) {
  demo_.Show();
  EXPECT_TRUE(demo_.Form().Visible());
  EXPECT_TRUE(Said("tray icon shown"));
  ASSERT_EQ(toolkit_.TrayIcons().size(), 1u);

  ASSERT_TRUE(toolkit_.SystemCommand(demo_.Form(), ui::kScMinimize));
  EXPECT_TRUE(Said("minimized"));
  EXPECT_FALSE(toolkit_.App().TaskbarEntryVisible());
  ASSERT_TRUE(toolkit_.DoubleClickTrayIcon());
  EXPECT_TRUE(Said("restored"));

  ASSERT_TRUE(toolkit_.RightClickTrayIcon());
  ASSERT_TRUE(toolkit_.ChooseMenuItem("&Next picture"));
  EXPECT_TRUE(Said("state Pause"));
  EXPECT_EQ(demo_.Status().PanelText(0), "Current Pause");
  EXPECT_EQ(demo_.Tray().IconIndex(), 2);

  ASSERT_TRUE(toolkit_.RightClickTrayIcon());
  ASSERT_TRUE(toolkit_.ChooseMenuAccessKey('e'));
  EXPECT_TRUE(Said("menu: &Exit"));
  EXPECT_TRUE(toolkit_.App().Terminated());
  EXPECT_TRUE(errors_.empty());
}

TEST_F(WidgetDemoTest, WaitsForTheNotificationArea) {
  toolkit_.SetNotificationAreaAvailable(false);
  demo_.Show();
  EXPECT_TRUE(Said("tray icon waiting for the notification area"));
  toolkit_.RecreateNotificationArea();
  EXPECT_TRUE(demo_.Tray().Shown());
}

}  // namespace
}  // namespace keldo
