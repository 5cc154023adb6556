#include "tests/daemon/daemon_fixture.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/platform/posix/hive_file.h"
#include "tests/daemon/command_runner.h"
#include "tests/support/posix/scoped_env.h"

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
  {
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const ScopedEnv preload("LD_PRELOAD", KELDO_HANG_RESOLVER_PATH);
    const ScopedEnv asan("ASAN_OPTIONS", std::string(sanitizer != nullptr ? sanitizer : "") +
                                             ":verify_asan_link_order=0");
    Start();
  }
  // Once the set-up has logged its port, its lookup is under way.
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();
  StopDaemon();
  EXPECT_EQ(Output().find("Socket Connect."), std::string::npos);
}

// SIGHUP does what the window's Save does: the Stop sequence closes the old
// listener and its peers, the new settings are reported, Start listens anew;
// new settings that cannot listen end the daemon with 1.
TEST_F(DaemonProcessTest, SighupReloadsTheSettingsAndListensOnTheNewPort) {
  const std::uint16_t before = StartServer();
  Peer old;
  Connect(old, before);

  const std::uint16_t after = FreePort();
  const CommandOutcome set = RunCommandLine({"--set", "ServerPort=" + std::to_string(after)});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  ASSERT_TRUE(daemon_->RequestReload());
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.", 2)) << Output();
  const std::string out = Output();
  const std::size_t reloaded = out.find("TCP Server Mode,Port:" + std::to_string(after) + "\n");
  ASSERT_NE(reloaded, std::string::npos) << out;
  EXPECT_LT(out.find("Current Stop\n"), reloaded) << out;
  EXPECT_NE(out.find("Current Run\n", reloaded), std::string::npos) << out;

  EXPECT_TRUE(Until([&] { return old.AtEnd(); }));
  Peer again;
  EXPECT_FALSE(again.Connect(before)) << "the old port is closed";
  Peer peer;
  Connect(peer, after, 2);
  ExpectCarried(peer, device_, "T\r", "W 4.00\r");

  // New settings that cannot listen end it as a start that cannot.
  Listener squatter;
  ASSERT_EQ(RunCommandLine({"--set", "ServerPort=" + std::to_string(squatter.Port())}).exitCode, 0);
  ASSERT_TRUE(daemon_->RequestReload());
  EXPECT_EQ(daemon_->Wait(10s), 1) << Output();
  EXPECT_NE(Output().find("keldo-linkd: cannot listen on TCP port " +
                          std::to_string(squatter.Port()) + ": "),
            std::string::npos)
      << Output();
}

}  // namespace
}  // namespace keldo::test
