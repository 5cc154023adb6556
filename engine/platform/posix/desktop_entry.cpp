#include "engine/platform/posix/desktop_entry.h"

namespace keldo::platform {
namespace {

constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

}  // namespace

std::optional<std::string> ExecArgument(std::string_view argument) {
  const bool quote =
      argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
  std::string exec;
  if (quote) {
    exec.push_back('"');
  }
  for (char c : argument) {
    if (quote && kEscapedInQuotes.find(c) != std::string_view::npos) {
      exec.push_back('\\');
    }
    if (c == '%') {
      exec.push_back('%');  // a lone % would start a field code
    }
    exec.push_back(c);
  }
  if (quote) {
    exec.push_back('"');
  }
  // The string type's own escapes come on top of the quoting, so a literal
  // backslash in a quoted argument ends up as four.
  std::string value;
  for (char c : exec) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '\n') {
      value += "\\n";
    } else if (c == '\t') {
      value += "\\t";
    } else if (c == '\r') {
      value += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      return std::nullopt;
    } else {
      value.push_back(c);
    }
  }
  return value;
}

std::optional<std::string> AutostartEntry(std::string_view programPath) {
  const auto exec = ExecArgument(programPath);
  if (!exec) {
    return std::nullopt;
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Version=1.5\n"
         "Name=KELDO Link\n"
         "Comment=Joins a serial port to a TCP connection\n"
         "Icon=keldo-link\n"
         "Exec=" +
         *exec +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace keldo::platform
