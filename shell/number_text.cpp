#include "shell/number_text.h"

namespace keldo {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// The digits must fill the rest of the text, and the magnitude must stay
// within limit.
std::optional<std::uint64_t> Digits(std::string_view digits, int base, std::uint64_t limit) {
  if (digits.empty()) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0 || digit >= base) {
      return std::nullopt;
    }
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > limit) {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace

std::optional<std::int32_t> TextToInt(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    return std::nullopt;
  }
  text.remove_prefix(start);

  std::size_t prefix = 0;
  if (text.front() == '$' || text.front() == 'x' || text.front() == 'X') {
    prefix = 1;
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    prefix = 2;
  }
  if (prefix != 0) {
    const auto bits = Digits(text.substr(prefix), 16, 0xFFFFFFFFu);
    if (!bits) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*bits));
  }

  const bool negative = text.front() == '-';
  if (negative || text.front() == '+') {
    text.remove_prefix(1);
  }
  const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  const auto magnitude = Digits(text, 10, limit);
  if (!magnitude) {
    return std::nullopt;
  }
  const auto value = static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace keldo
