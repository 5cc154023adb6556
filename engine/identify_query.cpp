#include "engine/identify_query.h"

namespace keldo {

namespace {

constexpr std::array<std::uint8_t, 7> kQueryPrefix = {'K', 'T', 'Q', 0x0F, 'T', '0', '1'};

char HexDigit(unsigned nibble) {
  return "0123456789ABCDEF"[nibble & 0x0F];
}

}  // namespace

bool IsIdentifyQuery(const std::uint8_t* bytes, int count) {
  if (bytes == nullptr || count != kIdentifyQueryLength) {
    return false;
  }
  for (std::size_t i = 0; i < kQueryPrefix.size(); ++i) {
    if (bytes[i] != kQueryPrefix[i]) {
      return false;
    }
  }
  return true;
}

IdentifyReply BuildIdentifyReply(std::int32_t serverId) {
  const auto id = static_cast<std::uint32_t>(serverId);
  IdentifyReply reply = {0x0F, 't', '0', '1'};
  reply[4] = static_cast<std::uint8_t>('0' + id / 1000 % 10);
  reply[5] = static_cast<std::uint8_t>('0' + id / 100 % 10);
  reply[6] = static_cast<std::uint8_t>('0' + id / 10 % 10);
  reply[7] = static_cast<std::uint8_t>('0' + id % 10);
  unsigned x = 0;
  for (int i = 0; i < 8; ++i) {
    x ^= reply[static_cast<std::size_t>(i)];
  }
  reply[8] = static_cast<std::uint8_t>(HexDigit(x));
  reply[9] = static_cast<std::uint8_t>(HexDigit(x >> 4));
  reply[10] = 0x0D;
  return reply;
}

}  // namespace keldo
