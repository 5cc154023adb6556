#pragma once

#include <string>

namespace keldo::platform {

// ${XDG_CONFIG_HOME:-$HOME/.config}. A relative XDG_CONFIG_HOME is ignored, as
// the base directory rules require; without HOME the account's home is used.
std::string ConfigHome();

// New folders under the configuration home are private to the user.
inline constexpr unsigned kConfigFolderMode = 0700;

}  // namespace keldo::platform
