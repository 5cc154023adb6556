#include "shell/toolkit/memory/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

namespace keldo {
namespace {

using test::ToolkitFixture;
using ui::memory::MemoryMemo;

class ControlsTest : public ToolkitFixture {
 protected:
  ControlsTest() : form_(toolkit_.CreateForm("TfrmTest")) {
    form_->SetFont({"Courier New", 13, ui::Charset::Ansi});
  }

  void ShowForm() { form_->Show(); }

  std::unique_ptr<ui::Form> form_;
};

TEST(MemoWrapping, BreaksAtSpacesAndInsideLongWords) {
  struct Case {
    std::string line;
    int columns;
    int lines;
  };
  const Case cases[] = {
      {"", 35, 1},
      {std::string(35, 'a'), 35, 1},
      {std::string(36, 'a'), 35, 2},
      {std::string(71, 'a'), 35, 3},
      {"aaaa bbbb", 5, 2},    // the space after the fifth column breaks
      {"aaaaa bbbbb", 5, 2},  // a space right after a full line takes no room
      {"aa bb cc dd", 5, 2},
      {"aa bb cc dd ee", 5, 3},
      {"a " + std::string(12, 'b'), 5, 4},  // the long word starts a line, then breaks
      {"trailing spaces     ", 15, 1},
      {"Socket Disconnect.", 35, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MemoryMemo::WrappedLines(c.line, c.columns), c.lines)
        << '"' << c.line << "\" at " << c.columns;
  }
}

TEST_F(ControlsTest, MemoCountsDisplayLinesWithTheFormFont) {
  auto& log = form_->Create<ui::Memo>({4, 160, 306, 89});
  log.SetReadOnly(true);
  log.SetVerticalScrollBar(true);
  auto& memo = dynamic_cast<MemoryMemo&>(log);
  ASSERT_EQ(memo.Columns(), 35);

  for (int i = 0; i < 98; ++i) {
    log.AppendLine("COM Port Open Ok.");
  }
  log.AppendLine("");
  EXPECT_EQ(log.LineCount(), 98);  // an empty last line is not counted
  log.AppendLine("TCP Server Mode,Port:5001 and a name that runs on");  // 50 characters
  EXPECT_EQ(log.LineCount(), 101);
  EXPECT_EQ(log.Lines().size(), 100u);

  // A bigger font holds fewer characters a line.
  form_->SetFont({"MS Sans Serif", 20, ui::Charset::Default});
  EXPECT_EQ(memo.Columns(), 281 / 12);
  log.Clear();
  EXPECT_EQ(log.LineCount(), 0);
}

// Dragging the thumb is the memory driver's alone; the other moves are
// the widget set's contract.
TEST_F(ControlsTest, DraggingTheThumbSetsThePositionWithinTheRange) {
  auto& bar = form_->Create<ui::ScrollBar>({192, 8, 161, 25});
  bar.SetRange(1, 9999);
  std::vector<int> changes;
  bar.OnChange = [&](void*) { changes.push_back(bar.Position()); };
  ShowForm();
  EXPECT_TRUE(toolkit_.DragThumb(bar, 7));
  EXPECT_TRUE(toolkit_.DragThumb(bar, 20000));
  bar.SetEnabled(false);
  EXPECT_FALSE(toolkit_.DragThumb(bar, 3));
  EXPECT_EQ(changes, (std::vector<int>{7, 9999}));
}

}  // namespace
}  // namespace keldo
