#include "apps/keldo-linkd/terminal_view.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/test_loop.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo {
namespace {

class TerminalViewTest : public ::testing::Test {
 protected:
  ~TerminalViewTest() override { std::fclose(out_); }

  // What has been written since the last call.
  std::string Written() {
    std::fflush(out_);
    const long end = std::ftell(out_);
    std::string text(static_cast<std::size_t>(end - read_), '\0');
    std::fseek(out_, read_, SEEK_SET);
    const std::size_t got = std::fread(text.data(), 1, text.size(), out_);
    text.resize(got);
    read_ = end;
    std::fseek(out_, end, SEEK_SET);
    return text;
  }

  test::VirtualTimeLoop loop_{test::TestLoop()};
  std::FILE* out_ = std::tmpfile();
  long read_ = 0;
  TerminalView view_{loop_, FileLines(out_)};
};

TEST_F(TerminalViewTest, WritesLogLinesAsTheyStandAndStateAndNameChangesOnce) {
  view_.AppendLog("    Host:10.0.0.7");
  view_.ClearLog();
  view_.ShowServerName("KELDO");
  view_.ShowServerName("KELDO");
  view_.RefreshStateDisplay(LinkState::Stop);
  view_.RefreshStateDisplay(LinkState::Run);
  view_.RefreshStateDisplay(LinkState::Run);
  view_.RefreshStateDisplay(static_cast<LinkState>(7));  // no such state: nothing
  view_.RefreshStateDisplay(LinkState::Pause);
  EXPECT_EQ(Written(),
            "    Host:10.0.0.7\nName: KELDO\nCurrent Stop\nCurrent Run\nCurrent Pause\n");
}

// Texts from the settings reach the terminal: a line feed must not start a
// forged line, nor an escape sequence reach the terminal.
TEST_F(TerminalViewTest, ControlCharactersFromTheSettingsAreEscaped) {
  struct Case {
    std::function<void()> show;
    std::string written;
  };
  const Case cases[] = {
      {[&] { view_.AppendLog("    Host:a\nSocket Connect."); }, "    Host:a\\x0ASocket Connect.\n"},
      {[&] { view_.ShowServerName("S\r\x1b[2J\x7f\t"); }, "Name: S\\x0D\\x1B[2J\\x7F\\x09\n"},
      {[&] { view_.ShowServerName(std::string("a\0b", 3)); }, "Name: a\\x00b\n"},
      // Backslashes and bytes of other scripts stay as they are.
      {[&] { view_.AppendLog("C:\\x41 W\xc3\xa4ge"); }, "C:\\x41 W\xc3\xa4ge\n"},
  };
  for (const Case& c : cases) {
    c.show();
    EXPECT_EQ(Written(), c.written);
  }
}

TEST_F(TerminalViewTest, TransferStatusIsImmediateAfterAQuietSecondAndSummarisedWithinOne) {
  view_.ShowTransfer("NET:5");
  EXPECT_EQ(Written(), "Transfer: NET:5\n");

  for (int i = 0; i < 40; ++i) {
    view_.ShowTransfer("COM:" + std::to_string(10 + i % 3));
    view_.ShowTransfer("NET:5");
    loop_.Advance(20);
  }
  // 800 ms in: nothing more yet.
  EXPECT_EQ(Written(), "");
  loop_.Advance(200);
  EXPECT_EQ(Written(), "Transfer: NET:5 x40, COM:10 x40\n");

  view_.ShowTransfer("COM:3");
  loop_.Advance(1000);
  EXPECT_EQ(Written(), "Transfer: COM:3\n");
  loop_.Advance(1000);  // a quiet second ends the summaries
  EXPECT_EQ(Written(), "");
  view_.ShowTransfer("COM:4");
  EXPECT_EQ(Written(), "Transfer: COM:4\n");

  view_.ShowTransfer("NET:1");
  view_.Flush();  // at exit nothing gathered is lost
  EXPECT_EQ(Written(), "Transfer: NET:1\n");
}

}  // namespace
}  // namespace keldo
