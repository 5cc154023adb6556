#pragma once

#include <array>
#include <cstdint>

namespace keldo {

inline constexpr int kIdentifyQueryLength = 10;
inline constexpr int kIdentifyReplyLength = 11;

using IdentifyReply = std::array<std::uint8_t, kIdentifyReplyLength>;

// True when exactly these bytes arrived in one read: "KTQ", 0x0F, "T01" and
// three bytes that are not examined.
bool IsIdentifyQuery(const std::uint8_t* bytes, int count);

// 0x0F "t01", four decimal digits of the identifier, two check digits, CR.
// The digits are those of the identifier's 32 bits read as unsigned (as the
// stored DWORD is), last four only, so a negative identifier still yields four
// ASCII digits: -1 is 4294967295 and answers "7295".
IdentifyReply BuildIdentifyReply(std::int32_t serverId);

}  // namespace keldo
