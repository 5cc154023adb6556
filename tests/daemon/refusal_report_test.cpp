#include "apps/keldo-linkd/refusal_report.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_loop.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo {
namespace {

class RefusalReportTest : public ::testing::Test {
 protected:
  // The lines written since the last call, each with its time.
  std::vector<std::string> Written() { return std::exchange(lines_, {}); }

  test::VirtualTimeLoop loop_{test::TestLoop()};
  std::vector<std::string> lines_;
  RefusalReport report_{loop_, [this](const std::string& line) {
                          lines_.push_back(std::to_string(loop_.Now()) + " " + line);
                        }};
};

// One line at once, then at most one a second per address with the count;
// a quiet second forgets the address.
TEST_F(RefusalReportTest, AScanWritesAtMostOneLineASecondPerAddressWithACount) {
  const std::string a = " keldo-linkd: refused 10.0.0.9: not in ServerAllow";
  const std::string b = " keldo-linkd: refused 10.0.0.10: not in ServerAllow";
  for (int ms = 0; ms <= 2500; ms += 10) {  // a every 10 ms, b for 100 ms from 500
    report_.Refused("10.0.0.9");
    if (ms >= 500 && ms < 600) {
      report_.Refused("10.0.0.10");
    }
    loop_.Advance(10);
  }
  loop_.Advance(5000);
  report_.Refused("10.0.0.10");
  report_.Refused("10.0.0.10");
  report_.Flush();
  EXPECT_EQ(Written(), (std::vector<std::string>{"0" + a, "500" + b, "1000" + a + " x99",
                                                 "2000" + b + " x9", "2000" + a + " x100",
                                                 "3000" + a + " x51", "7510" + b, "7510" + b}));
}

}  // namespace
}  // namespace keldo
