#include "engine/allow_list.h"

#include <gtest/gtest.h>

#include "engine/platform/socket_api.h"

namespace keldo {
namespace {

TEST(AllowListTest, AddressesAndRangesAdmitWhatTheySayAndNothingElse) {
  struct Case {
    const char* list;
    const char* allowed;  // addresses, split as a list is
    const char* refused;
  };
  const Case cases[] = {
      {" ,\t, ", "0.0.0.0 10.0.0.9 255.255.255.255", ""},
      {"192.168.1.0/24, 10.0.0.7", "192.168.1.0 192.168.1.255 10.0.0.7",
       "192.168.0.255 192.168.2.0 10.0.0.6 10.0.0.8 7.0.0.10"},
      {"192.168.1.77/24", "192.168.1.1", "192.168.2.77"},  // host bits are ignored
      {"172.16.0.0/12", "172.16.0.1 172.31.255.255", "172.15.255.255 172.32.0.0"},
      {"10.1.2.3/32 10.1.2.4/31", "10.1.2.3 10.1.2.4 10.1.2.5", "10.1.2.2 10.1.2.6"},
      {"0.0.0.0/0", "0.0.0.0 255.255.255.255", ""},
      {"128.0.0.0/1", "128.0.0.0 255.1.1.1", "127.255.255.255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    std::string bad;
    const std::optional<AllowList> list = AllowList::Parse(c.list, bad);
    ASSERT_TRUE(list.has_value()) << bad;
    for (const auto& [addresses, expected] : {std::pair{c.allowed, true}, {c.refused, false}}) {
      for (const std::string& text : AddressListEntries(addresses)) {
        std::uint32_t address = 0;
        ASSERT_TRUE(net::ParseIpv4(text, address)) << text;
        EXPECT_EQ(list->Allows(address), expected) << text;
      }
    }
  }
}

TEST(AllowListTest, TheFirstEntryThatIsNoAddressOrRangeIsNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"10.0.0.300", "10.0.0.300"},
      {"10.0.0.7, 10.0.0", "10.0.0"},
      {"1.2.3.4/33", "1.2.3.4/33"},
      {"1.2.3.4/-1", "1.2.3.4/-1"},
      {"1.2.3.4/ 8", "1.2.3.4/"},
      {"1.2.3.4/8/8", "1.2.3.4/8/8"},
      {"/8", "/8"},
      {"::1", "::1"},
      {"localhost 10.0.0.1", "localhost"},
      {"10.0.0.1;10.0.0.2", "10.0.0.1;10.0.0.2"},
  };
  for (const auto& [text, entry] : cases) {
    std::string bad;
    EXPECT_FALSE(AllowList::Parse(text, bad).has_value()) << text;
    EXPECT_EQ(bad, entry) << text;
  }
}

}  // namespace
}  // namespace keldo
