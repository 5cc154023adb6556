#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keldo {

// The entries of an address list: the text split at commas and white space,
// empty pieces dropped ("192.168.1.0/24, 10.0.0.7" gives two).
std::vector<std::string> AddressListEntries(std::string_view text);
// The entries joined by separator, as a log line shows the list; empty when
// there are none.
std::string JoinAddressList(std::string_view text, char separator);

// The peers a listener accepts: IPv4 addresses and ranges in CIDR notation
// (address/prefix length). An empty list accepts everyone.
class AllowList {
 public:
  AllowList() = default;

  // The list from text as AddressListEntries splits it. An address is a
  // range of one; a range's address may have host bits set
  // (192.168.1.7/24 is 192.168.1.0/24). Nothing when an entry is neither,
  // with that entry in badEntry.
  static std::optional<AllowList> Parse(std::string_view text, std::string& badEntry);

  // address in network byte order.
  bool Allows(std::uint32_t address) const;

 private:
  struct Range {
    std::uint32_t network;  // host byte order, host bits cleared
    std::uint32_t mask;
  };

  std::vector<Range> ranges_;
};

}  // namespace keldo
