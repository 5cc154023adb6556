#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace keldo {

// The dialog's text-to-integer rule. Leading spaces are skipped; then either
// an optional '+' or '-' and decimal digits, or a hexadecimal number after
// "$", "x", "X", "0x" or "0X" with no sign. Nothing may follow the digits.
// A decimal must fit the signed 32-bit range; a hexadecimal must fit 32 bits
// and is taken as the signed value of those bits ("$FFFFFFFF" is -1).
// Anything else, the empty text included, yields nothing.
std::optional<std::int32_t> TextToInt(std::string_view text);

}  // namespace keldo
