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
#include "tests/daemon/daemon_fixture.h"
#include "tests/support/serial_comm_values.h"

namespace keldo::test {
namespace {

// A session's pseudo-terminal, both sides held as a shell holds them; closed
// with the session (the daemon inherits neither side).
struct Terminal {
  Terminal() {
    char name[64] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
      path = name;
      fcntl(master, F_SETFD, FD_CLOEXEC);
      fcntl(slave, F_SETFD, FD_CLOEXEC);
    }
  }
  ~Terminal() {
    close(master);
    close(slave);
  }
  int master = -1;
  int slave = -1;
  std::string path;
};

// A terminal mapped by its path, as the README shows ("/dev/pts/3"="COM7"):
// once it has closed, the next one at its number belongs to another session,
// whose keys must not reach the network nor its screen the peer's bytes.
TEST_F(DaemonProcessTest, ATerminalAtTheNumberOfOneThatClosedIsLeftAlone) {
  const std::int32_t com = NextDaemonComPort();
  const std::string name = "COM" + std::to_string(com);
  auto first = std::make_unique<Terminal>();
  const SerialCommValues mapped({{first->path, name}});
  ASSERT_TRUE(mapped.Written());
  Store(1, FreePort(), "KELDO", "127.0.0.1", kSettingsKey, com);
  Start();
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();
  const std::string path = first->path;
  first.reset();
  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + name + " has gone away")) << Output();

  // The lowest free number goes first: hold the terminals below it.
  std::vector<std::unique_ptr<Terminal>> terminals;
  do {
    terminals.push_back(std::make_unique<Terminal>());
  } while (terminals.back()->path != path && terminals.size() < 64);
  if (terminals.back()->path != path) {
    GTEST_SKIP() << "another program took " << path;
  }
  const Terminal& second = *terminals.back();
  termios before{};
  ASSERT_EQ(tcgetattr(second.slave, &before), 0);
  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + name + " not reopened: " + path +
                            " is a new terminal, not the one that went away"))
      << Output();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // two more looks
  termios after{};
  ASSERT_EQ(tcgetattr(second.slave, &after), 0);
  EXPECT_EQ(after.c_lflag, before.c_lflag) << "echo and line editing as the session set them";
  EXPECT_EQ(Count("not reopened"), 1) << Output();
  EXPECT_EQ(Count("is back: reopened"), 0) << Output();
  StopDaemon();
}

}  // namespace
}  // namespace keldo::test
