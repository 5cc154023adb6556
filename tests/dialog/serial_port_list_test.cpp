#include "shell/serial_port_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/dialog/serial_comm_values.h"
#include "tests/support/registry_sandbox.h"

namespace keldo::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string> Leading(const std::vector<std::string>& list, std::size_t count) {
  return {list.begin(), list.begin() + static_cast<std::ptrdiff_t>(std::min(count, list.size()))};
}

class SerialPortListTest : public ::testing::Test {
 protected:
  RegistrySandbox sandbox_;
};

TEST_F(SerialPortListTest, ListsTheDataTrimmedInEnumerationOrder) {
  const SerialCommValues values({{"/dev/kt-a", std::string(" \tCOM5\r\n")},
                                 {"/dev/kt-b", std::string("COM12")},
                                 {"/dev/kt-c", std::string("VCOM3 ")}});
  ASSERT_TRUE(values.Written());
  EXPECT_THAT(Leading(ListSerialPorts(), 3), ElementsAre("COM5", "COM12", "VCOM3"));
}

TEST_F(SerialPortListTest, AValueThatIsNotTextEndsTheList) {
  const SerialCommValues values({{"/dev/kt-a", std::string("COM5")},
                                 {"/dev/kt-b", std::int32_t{7}},
                                 {"/dev/kt-c", std::string("COM7")}});
  ASSERT_TRUE(values.Written());
  EXPECT_THAT(ListSerialPorts(), ElementsAreArray({"COM5"}));
}

}  // namespace
}  // namespace keldo::test
