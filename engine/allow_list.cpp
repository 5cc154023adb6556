#include "engine/allow_list.h"

#include <charconv>

#include "engine/platform/socket_api.h"

namespace keldo {
namespace {

constexpr std::string_view kSeparators = ", \t\r\n";

std::optional<int> PrefixLength(std::string_view digits) {
  int length = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
      length < 0 || length > 32) {
    return std::nullopt;
  }
  return length;
}

}  // namespace

std::vector<std::string> AddressListEntries(std::string_view text) {
  std::vector<std::string> entries;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(kSeparators, at)) != std::string_view::npos) {
    const std::size_t end = text.find_first_of(kSeparators, at);
    entries.emplace_back(text.substr(at, end - at));
    at = end;
  }
  return entries;
}

std::string JoinAddressList(std::string_view text, char separator) {
  std::string joined;
  for (const std::string& entry : AddressListEntries(text)) {
    if (!joined.empty()) {
      joined += separator;
    }
    joined += entry;
  }
  return joined;
}

std::optional<AllowList> AllowList::Parse(std::string_view text, std::string& badEntry) {
  AllowList list;
  for (const std::string& entry : AddressListEntries(text)) {
    const std::size_t slash = entry.find('/');
    std::uint32_t address = 0;
    std::optional<int> length = 32;
    if (slash != std::string::npos) {
      length = PrefixLength(std::string_view(entry).substr(slash + 1));
    }
    if (!length || !net::ParseIpv4(entry.substr(0, slash), address)) {
      badEntry = entry;
      return std::nullopt;
    }
    // A shift by 32 is undefined; /0 is every address.
    const std::uint32_t mask = *length == 0 ? 0 : ~std::uint32_t{0} << (32 - *length);
    list.ranges_.push_back({net::NetToHostLong(address) & mask, mask});
  }
  return list;
}

bool AllowList::Allows(std::uint32_t address) const {
  if (ranges_.empty()) {
    return true;
  }
  const std::uint32_t host = net::NetToHostLong(address);
  for (const Range& range : ranges_) {
    if ((host & range.mask) == range.network) {
      return true;
    }
  }
  return false;
}

}  // namespace keldo
