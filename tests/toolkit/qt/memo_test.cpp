#include <QTest>

#include "tests/toolkit/qt/qt_fixture.h"

namespace keldo::test {
namespace {

struct MemoCase {
  const char* name;
  std::vector<std::string> lines;
  int minimum;  // the fewest display lines the text can take in the view
  friend void PrintTo(const MemoCase& c, std::ostream* os) { *os << c.name; }
};

class MemoLines : public QtToolkitTest, public ::testing::WithParamInterface<MemoCase> {};

// The count the log's 100-line rule uses is measured before the view was
// ever shown (the program logs while hidden in the tray); it must be what
// the view then lays out on screen.
TEST_P(MemoLines, CountBeforeShowingIsWhatTheViewLaysOut) {
  const MemoCase& c = GetParam();
  auto& form = NewForm();
  form.SetFont({"Courier New", 13, ui::Charset::Ansi});
  auto& memo = form.Create<ui::Memo>({4, 160, 306, 89});
  memo.SetReadOnly(true);
  memo.SetVerticalScrollBar(true);
  for (const std::string& line : c.lines) {
    memo.AppendLine(line);
  }
  const int before = memo.LineCount();
  EXPECT_GE(before, c.minimum);
  EXPECT_EQ(memo.Lines(), c.lines);

  form.Show();
  auto& view = dynamic_cast<ui::qt::QtMemo&>(memo);
  ASSERT_TRUE(Wait([&] { return view.LaidOutLineCount() >= c.minimum; }));
  QTest::qWait(50);
  EXPECT_EQ(view.LaidOutLineCount(), before);
  EXPECT_EQ(memo.LineCount(), before);
}

const std::string kWords =
    "Server Mode: client, Host 192.168.100.200, Port 5001, COM3 19200,e,8,1, ID 0001";

INSTANTIATE_TEST_SUITE_P(
    Texts, MemoLines,
    ::testing::Values(MemoCase{"ShortLines", {"Load Setting.", "COM3 Open OK!"}, 2},
                      MemoCase{"WrappedAtWords", {kWords}, 2},
                      MemoCase{"WordWiderThanTheView", {std::string(120, 'x')}, 3},
                      MemoCase{"EmptyLineInside", {"a", "", "b"}, 3},
                      MemoCase{"EmptyLastLineNotCounted", {"a", ""}, 1},
                      MemoCase{"EmptyFirstLineKept", {"", "a"}, 2}),
    [](const ::testing::TestParamInfo<MemoCase>& param) { return param.param.name; });

TEST_F(QtToolkitTest, MemoCountsInTheFontItIsDrawnIn) {
  auto& form = NewForm();
  auto& memo = form.Create<ui::Memo>({4, 160, 306, 89});
  memo.SetVerticalScrollBar(true);
  form.SetFont({"Courier New", 13, ui::Charset::Ansi});
  memo.AppendLine(std::string(60, 'x'));
  const int small = memo.LineCount();
  form.SetFont({"Courier New", 26, ui::Charset::Ansi});
  EXPECT_GT(memo.LineCount(), small);
}

}  // namespace
}  // namespace keldo::test
