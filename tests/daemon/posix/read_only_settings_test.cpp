#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "engine/platform/posix/hive_file.h"
#include "engine/settings_store.h"
#include "tests/daemon/command_runner.h"
#include "tests/support/registry_sandbox.h"

namespace keldo::test {
namespace {

namespace fs = std::filesystem;

// A hive the user may read but not write: --set says so with the file and
// the system's reason, and exits 1. Run as nobody where the test is root,
// whom no permission stops.
TEST(ReadOnlySettingsTest, ARefusedWriteIsNamedWithItsReason) {
  RegistrySandbox sandbox;
  ASSERT_TRUE(Save(DefaultLinkSettings()).written);
  const std::string hive = platform::HivePath(platform::kRegLocalMachine);
  fs::permissions(platform::RegistryFolder(), fs::perms(0555));
  fs::permissions(hive, fs::perms(0444));
  std::FILE* err = std::tmpfile();
  const pid_t pid = ::fork();
  if (pid == 0) {
    constexpr uid_t kNobody = 65534;
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      ::_exit(10);
    }
    const CommandOutcome got = RunCommandLine({"--set", "ServerPort=6000"});
    std::fputs(got.err.c_str(), err);
    std::fflush(err);
    ::_exit(got.exitCode.value_or(11));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  fs::permissions(platform::RegistryFolder(), fs::perms(0700));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadAll(err),
            "keldo-linkd: the settings were not saved: cannot open "
            "HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO for writing (" +
                hive + ": Permission denied)\n");
}

}  // namespace
}  // namespace keldo::test
