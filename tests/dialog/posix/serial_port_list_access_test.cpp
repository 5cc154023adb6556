#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/platform/posix/hive_file.h"
#include "engine/platform/serial_port.h"
#include "engine/registry.h"
#include "engine/serial_port_list.h"
#include "tests/support/posix/in_child.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/serial_comm_values.h"

namespace keldo::test {
namespace {

namespace fs = std::filesystem;

// A user who may read the machine hive but not change it (a standard user on
// Windows, whom full access to the port map is refused) still gets the list.
TEST(SerialPortListAccess, AUserWhoMayOnlyReadTheMapStillGetsTheList) {
  RegistrySandbox sandbox;
  const SerialCommValues values({{"/dev/kt-a", std::string("COM5")}});
  ASSERT_TRUE(values.Written());
  fs::permissions(platform::RegistryFolder(), fs::perms(0755));
  fs::permissions(platform::HivePath(platform::kRegLocalMachine),
                  fs::perms(::geteuid() == 0 ? 0644 : 0444));

  const int failed = InChildAsNobody([] {
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    if (reg.OpenPath(kSerialCommKey, false)) {
      return 11;  // full access must be refused, or this proves nothing
    }
    const std::vector<std::string> ports = ListSerialPorts();
    return !ports.empty() && ports.front() == "COM5" ? 0 : 12;
  });
  EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace keldo::test
