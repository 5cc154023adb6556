#include "tests/daemon/daemon_fixture.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/platform/posix/hive_file.h"

namespace keldo::test {
namespace {

using namespace std::chrono_literals;

// A stop requested while the daemon is still starting (a service stopped at
// once) is kept until the loop can act on it, never fatal. Blocked here, the
// request is pending from the daemon's first instruction on.
TEST_F(DaemonProcessTest, AStopRequestedDuringStartUpEndsItInOrder) {
  Store(1, FreePort());
  sigset_t term;
  sigset_t before;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &term, &before), 0);
  Start();
  const bool requested = daemon_->RequestTermination();
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  ASSERT_TRUE(requested);
  EXPECT_EQ(daemon_->Wait(10s), 0) << Output();
  EXPECT_NE(Output().find("Current Stop\n"), std::string::npos) << Output();
}

// Settings that exist but cannot be read load the defaults: the daemon says
// so, naming the file, instead of opening COM1 without a word.
TEST_F(DaemonProcessTest, SettingsThatCannotBeReadAreReportedWithTheirFile) {
  const std::filesystem::path hive = platform::HivePath(platform::kRegLocalMachine);
  std::filesystem::remove(hive);
  ASSERT_EQ(::mkfifo(hive.c_str(), 0600), 0);
  Start();
  const std::string said =
      "keldo-linkd: cannot read the settings, " + hive.string() + ": not a regular file";
  EXPECT_TRUE(WaitForOutput(said)) << Output();
  EXPECT_TRUE(WaitForOutput("COM1,Speed:19200,e,8,1")) << Output();
  ASSERT_TRUE(daemon_->RequestTermination());
  // The defaults' port 5001 may be taken on this machine: then it ends with 1.
  const std::optional<int> code = daemon_->Wait(10s);
  EXPECT_TRUE(code == 0 || code == 1) << Output();
}

// A host lookup cannot be interrupted; a stop must not wait for one. The
// preloaded resolver never answers for "hang.invalid".
TEST_F(DaemonProcessTest, AStopDoesNotWaitForAnOutstandingHostLookup) {
  Store(0, FreePort(), "KELDO", "hang.invalid");
  const char* sanitizer = std::getenv("ASAN_OPTIONS");
  const std::string saved = sanitizer != nullptr ? sanitizer : "";
  ::setenv("LD_PRELOAD", KELDO_HANG_RESOLVER_PATH, 1);
  ::setenv("ASAN_OPTIONS", (saved + ":verify_asan_link_order=0").c_str(), 1);
  Start();
  ::unsetenv("LD_PRELOAD");
  if (sanitizer != nullptr) {
    ::setenv("ASAN_OPTIONS", saved.c_str(), 1);
  } else {
    ::unsetenv("ASAN_OPTIONS");
  }
  // Once the set-up has logged its port, its lookup is under way.
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();
  StopDaemon();
  EXPECT_EQ(Output().find("Socket Connect."), std::string::npos);
}

}  // namespace
}  // namespace keldo::test
