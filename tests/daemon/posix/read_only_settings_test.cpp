#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "engine/platform/posix/hive_file.h"
#include "engine/settings_store.h"
#include "tests/daemon/command_runner.h"
#include "tests/support/posix/in_child.h"
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
  const int code = InChildAsNobody([&] {
    const CommandOutcome got = RunCommandLine({"--set", "ServerPort=6000"});
    std::fputs(got.err.c_str(), err);
    std::fflush(err);
    return got.exitCode.value_or(11);
  });
  fs::permissions(platform::RegistryFolder(), fs::perms(0700));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(ReadAll(err),
            "keldo-linkd: the settings were not saved: cannot open "
            "HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO for writing (" +
                hive + ": Permission denied)\n");
}

}  // namespace
}  // namespace keldo::test
