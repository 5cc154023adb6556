#include <gtest/gtest.h>

#include <string>

#include "engine/settings_store.h"
#include "tests/daemon/command_runner.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/win32/read_only_key.h"

namespace keldo::test {
namespace {

// A key a standard user may read but not change: --set says so with the key
// and the system's reason, and exits 1.
TEST(ReadOnlySettingsTest, ARefusedWriteIsNamedWithItsReason) {
  RegistrySandbox sandbox;
  ASSERT_TRUE(Save(DefaultLinkSettings()).written);
  const ReadOnlyKey readOnly(kSettingsKey + 1);
  ASSERT_TRUE(readOnly.Applied());
  const CommandOutcome got = RunCommandLine({"--set", "ServerPort=6000"});
  EXPECT_EQ(got.exitCode, 1);
  const std::string said =
      "keldo-linkd: the settings were not saved: cannot open "
      "HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO for writing (HKEY_LOCAL_MACHINE\\Software\\"
      "TALMO\\KELDO: ";
  EXPECT_EQ(got.err.rfind(said, 0), 0u) << got.err;
  EXPECT_GT(got.err.size(), said.size() + 3) << "the system's reason follows";
}

}  // namespace
}  // namespace keldo::test
