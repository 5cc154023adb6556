#pragma once

// The eight settings by name, and the checks a value given as text must pass
// before it may be stored: the ranges the configuration dialog keeps them in,
// for a command line or a script that has no dialog to hold it there.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/link_settings.h"

namespace keldo {

// The value names in store order: the eight every save writes, then the
// server's two optional texts, which only a key that has them holds.
inline constexpr std::array<std::string_view, 10> kSettingNames = {
    "ServerID",        "ServerName", "ServerMode", "ServerHost", "ServerPort",
    "ServerAutoStart", "COMPort",    "COMBaud",    "ServerBind", "ServerAllow",
};
inline constexpr std::size_t kSavedSettingCount = 8;

// The name as kSettingNames writes it, for a name in any letter case.
std::optional<std::string_view> SettingName(std::string_view name);

// A value given for a setting, checked.
struct SettingValue {
  std::string_view name;    // as kSettingNames writes it
  std::int32_t number = 0;  // the six integers
  std::string text;         // ServerName, ServerHost
  // COMPort given as a device path (Linux): its number is the one the serial
  // port map gives the device, found when the value is stored.
  std::string devicePath;
  // Empty for a good value; else names the setting, what it takes and what
  // was given: "ServerPort takes 1 to 65535, not \"70000\"".
  std::string error;
};

// Checks text as the value of the setting `name` (as kSettingNames writes
// it): ServerPort 1..65535; ServerMode 0/client or 1/server; COMBaud 0..13 or
// its mode string; COMPort 1..255, COM1..COM255 or a device path where the
// platform names serial devices by path; ServerID 1..9999; ServerAutoStart
// 0 or 1; ServerName and ServerHost any text without control characters;
// ServerBind one IPv4 address, ServerAllow IPv4 addresses and ranges as the
// server takes them, both empty for none.
// Numbers are decimal digits only; words and mode strings match in any case.
SettingValue CheckSettingValue(std::string_view name, std::string_view text);

// Puts a good value into settings. A device path's number is the caller's.
void ApplySettingValue(LinkSettings& settings, const SettingValue& value);

// The value of the setting `name` as text: numbers in decimal, texts as they are.
std::string SettingText(const LinkSettings& settings, std::string_view name);

// Whether `name` is one of the four texts; the other six are integers.
bool IsTextSetting(std::string_view name);
// The value of one of the six integers; 0 for a text.
std::int32_t SettingNumber(const LinkSettings& settings, std::string_view name);

}  // namespace keldo
