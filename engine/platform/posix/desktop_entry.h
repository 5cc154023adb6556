#pragma once

// The XDG autostart entry's text.

#include <optional>
#include <string>
#include <string_view>

namespace keldo::platform {

// One argument of an Exec key, quoted where it holds a reserved character and
// escaped for the key's string type. Nothing for a path with control
// characters that a desktop entry cannot carry.
std::optional<std::string> ExecArgument(std::string_view argument);

// The entry that starts `programPath` at logon.
std::optional<std::string> AutostartEntry(std::string_view programPath);

}  // namespace keldo::platform
