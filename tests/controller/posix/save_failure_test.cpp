#include "engine/link_controller.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/controller/link_fixture.h"
#include "tests/support/temp_dir.h"

namespace keldo::test {
namespace {

class SaveFailureTest : public LinkFixture {};

TEST_F(SaveFailureTest, ASaveTheStoreRefusesIsReturnedAndTheLogShowsWhatTheStoreYields) {
  TempDir scratch;
  const auto blocker = scratch.path() / "not-a-folder";
  std::ofstream(blocker) << "x";
  ::setenv("KELDO_REGISTRY_DIR", (blocker / "registry").c_str(), 1);  // the sandbox restores it

  MakeLink();
  Link().FormShow();
  Link().Settings().ServerPort = 6123;
  const StoreResult stored = Link().SaveSettingsAndRestart();
  EXPECT_FALSE(stored.written);
  EXPECT_FALSE(stored.failure.empty());
  // Nothing was stored, so the reload brings the defaults back, and says so.
  EXPECT_EQ(view_.Log(),
            (std::vector<std::string>{"TCP Server Mode,Port:5001", "COM1,Speed:19200,e,8,1"}));
  EXPECT_EQ(Link().Settings().ServerPort, 5001);
  EXPECT_EQ(Link().State(), LinkState::Stop);
}

}  // namespace
}  // namespace keldo::test
