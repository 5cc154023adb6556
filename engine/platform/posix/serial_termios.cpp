#include "engine/platform/posix/serial_termios.h"

#include <array>
#include <charconv>
#include <utility>

namespace keldo {

namespace {

constexpr std::array<std::pair<std::int32_t, speed_t>, 11> kSpeeds = {{
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
    {460800, B460800},
    {921600, B921600},
}};

// Splits off the text before the next comma.
std::string_view NextField(std::string_view& rest) {
  const std::size_t comma = rest.find(',');
  const std::string_view field = rest.substr(0, comma);
  rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  return field;
}

}  // namespace

std::optional<LineMode> ParseModeString(std::string_view mode) {
  std::string_view rest = mode;
  const std::string_view baudText = NextField(rest);
  const std::string_view parity = NextField(rest);
  const std::string_view dataBits = NextField(rest);
  const std::string_view stopBits = rest;

  LineMode result;
  const auto [end, ec] =
      std::from_chars(baudText.data(), baudText.data() + baudText.size(), result.baud);
  if (ec != std::errc() || end != baudText.data() + baudText.size() || result.baud <= 0) {
    return std::nullopt;
  }
  bool known = false;
  for (const auto& [baud, speed] : kSpeeds) {
    if (baud == result.baud) {
      result.speed = speed;
      known = true;
    }
  }
  if (!known || dataBits != "8" || stopBits != "1") {
    return std::nullopt;
  }
  if (parity == "e" || parity == "E") {
    result.evenParity = true;
  } else if (parity != "n" && parity != "N") {
    return std::nullopt;
  }
  return result;
}

void ApplyLineMode(const LineMode& mode, termios& settings) {
  settings.c_iflag &= ~static_cast<tcflag_t>(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                             IUCLC | IXON | IXOFF | IXANY);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &=
      ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
  // CLOCAL: like a Windows port without handshaking, the link ignores the modem
  // lines, so a device without carrier detect neither blocks nor hangs up the port.
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  if (mode.evenParity) {
    settings.c_cflag |= PARENB;
  }
  // A byte at a time; with the descriptor non-blocking these only make an empty
  // read report EAGAIN rather than end of file.
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, mode.speed);
  cfsetospeed(&settings, mode.speed);
}

}  // namespace keldo
