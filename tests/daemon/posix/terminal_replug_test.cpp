#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/serial_port.h"
#include "engine/registry.h"
#include "tests/daemon/daemon_fixture.h"

namespace keldo::test {
namespace {

using namespace std::chrono_literals;

// A terminal session's pseudo-terminal: both sides open, as a shell holds it.
struct Terminal {
  Terminal() {
    char name[64] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
      path = name;
      // The daemon must not keep it open: closing here ends the session.
      fcntl(master, F_SETFD, FD_CLOEXEC);
      fcntl(slave, F_SETFD, FD_CLOEXEC);
    }
  }
  ~Terminal() {
    close(master);
    close(slave);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  int master = -1;
  int slave = -1;
  std::string path;
};

int Number(const std::string& path) {
  return std::stoi(path.substr(path.rfind('/') + 1));
}

// The next terminal the system hands out at path: the lowest free number
// goes first, so those below it are held until it comes. Nothing when another
// program has it meanwhile.
std::unique_ptr<Terminal> TerminalAt(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < deadline) {
    std::vector<std::unique_ptr<Terminal>> below;
    for (auto next = std::make_unique<Terminal>(); !next->path.empty();
         next = std::make_unique<Terminal>()) {
      if (next->path == path) {
        return next;
      }
      if (Number(next->path) > Number(path)) {
        break;
      }
      below.push_back(std::move(next));
    }
    std::this_thread::sleep_for(50ms);
  }
  return nullptr;
}

// A terminal mapped by its own path, as the README shows ("/dev/pts/3"="COM7"):
// once it has closed, the terminal that next gets its number belongs to
// another session, whose keystrokes must not go to the network nor its
// screen take the peer's bytes.
TEST_F(DaemonProcessTest, ATerminalAtTheNumberOfOneThatClosedIsLeftAlone) {
  const std::int32_t com = NextDaemonComPort();
  const std::string name = "COM" + std::to_string(com);
  auto first = std::make_unique<Terminal>();
  ASSERT_FALSE(first->path.empty());
  TRegistry key;
  key.SelectRoot(RegistryRoot::LocalMachine);
  ASSERT_TRUE(key.OpenPath(kSerialCommKey, true));
  key.WriteText(first->path, name);
  Store(1, FreePort(), "KELDO", "127.0.0.1", com);
  Start();
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();

  const std::string path = first->path;
  first.reset();
  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + name + " has gone away")) << Output();
  const std::unique_ptr<Terminal> second = TerminalAt(path);
  if (!second) {
    GTEST_SKIP() << "another program took " << path;
  }
  termios before{};
  ASSERT_EQ(tcgetattr(second->slave, &before), 0);

  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + name + " not reopened: " + path +
                            " is a new terminal, not the one that went away"))
      << Output();
  std::this_thread::sleep_for(2500ms);  // the watch looks again, twice
  termios after{};
  ASSERT_EQ(tcgetattr(second->slave, &after), 0);
  EXPECT_EQ(after.c_lflag, before.c_lflag) << "echo and line editing as the session had them";
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_TRUE(WaitForOutput("not reopened", 1)) << "said once";
  EXPECT_FALSE(WaitForOutput("not reopened", 2, 0ms)) << Output();
  EXPECT_EQ(Output().find("is back: reopened"), std::string::npos) << Output();
  StopDaemon();
}

}  // namespace
}  // namespace keldo::test
