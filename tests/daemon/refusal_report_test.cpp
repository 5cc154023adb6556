#include "apps/keldo-linkd/refusal_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_loop.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo {
namespace {

// One line at once, then at most one a second per address with the count;
// a quiet second forgets the address.
TEST(RefusalReportTest, AScanWritesAtMostOneLineASecondPerAddressWithACount) {
  test::VirtualTimeLoop loop{test::TestLoop()};
  std::vector<std::string> lines;  // time and address, the fixed words checked once
  RefusalReport report(loop, [&](const std::string& line) {
    const std::string address = line.substr(0, line.find(": not in ServerAllow"));
    EXPECT_EQ(address.rfind("keldo-linkd: refused ", 0), 0u) << line;
    lines.push_back(std::to_string(loop.Now()) + " " + address.substr(21) +
                    line.substr(address.size() + 20));
  });
  for (int ms = 0; ms <= 2500; ms += 10) {  // a every 10 ms, b for 100 ms from 500
    report.Refused("10.0.0.9");
    if (ms >= 500 && ms < 600) {
      report.Refused("10.0.0.10");
    }
    loop.Advance(10);
  }
  loop.Advance(5000);
  report.Refused("10.0.0.10");
  report.Refused("10.0.0.10");
  report.Flush();
  EXPECT_EQ(lines,
            (std::vector<std::string>{"0 10.0.0.9", "500 10.0.0.10", "1000 10.0.0.9 x99",
                                      "2000 10.0.0.10 x9", "2000 10.0.0.9 x100",
                                      "3000 10.0.0.9 x51", "7510 10.0.0.10", "7510 10.0.0.10"}));
}

}  // namespace
}  // namespace keldo
