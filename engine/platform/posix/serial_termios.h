#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace keldo {

// What a mode string such as "19200,e,8,1" asks of the line. Only 8 data bits and
// 1 stop bit, without or with even parity, are expressed.
struct LineMode {
  speed_t speed = B0;
  std::int32_t baud = 0;
  bool evenParity = false;

  // Start bit, data bits, parity bit, stop bit.
  int BitsPerByte() const { return evenParity ? 11 : 10; }
};

std::optional<LineMode> ParseModeString(std::string_view mode);

// The mode's speed, parity and frame, no flow control, and the line discipline's
// processing off so that bytes pass unchanged both ways. Every other setting
// keeps the value found.
void ApplyLineMode(const LineMode& mode, termios& settings);

}  // namespace keldo
