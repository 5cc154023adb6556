#pragma once

// The store of LinkSettings in the registry key
// HKEY_LOCAL_MACHINE\Software\TALMO\KELDO (or a named instance's key below
// it), and the per-user autorun entry.
// Every operation uses an accessor of its own and absorbs every error: none
// raises or shows anything. The writing ones say what they did, for a caller
// that wants to log it; callers that ignore the result lose nothing.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/link_settings.h"
#include "engine/setting_values.h"

namespace keldo {

inline constexpr const char* kSettingsKey = "\\Software\\TALMO\\KELDO";

// Letters, digits, '-' and '_', 1 to 32 of them: a name keldo-linkd may run
// under, each with settings of its own.
bool IsInstanceName(std::string_view name);

// The settings key of a named instance, kSettingsKey\Instances\<name>; the
// window's kSettingsKey for an empty name.
std::string InstanceSettingsKey(const std::string& instance);

struct StoreResult {
  bool written = false;
  std::string failure;  // why not, when nothing or not everything was written
};

// Defaults, then the stored values in store order, a missing value taking its
// fallback. An unreadable value ends the load there: the fields from it on
// keep their defaults. ServerBind and ServerAllow are read after them in any
// case; one that cannot be read leaves its reason in ServerAccessError.
void Load(LinkSettings& settings, const std::string& key = kSettingsKey);

// What Load finds, value by value, for a listing of the settings.
struct StoredSettings {
  LinkSettings settings;  // as Load yields them
  bool keyFound = false;
  // Per value of kSettingNames: read from the key.
  std::array<bool, kSettingNames.size()> stored{};
  std::string failure;  // the read that ended the load of the eight, if one did
};
StoredSettings LoadStored(const std::string& key = kSettingsKey);

// Why the stored settings cannot be read (Load then gives the defaults),
// naming where they are kept: the key on Windows, the hive file on Linux.
// Empty when they read, and when there are none.
std::string DescribeUnreadableSettings(const std::string& key = kSettingsKey);

// Why a Save to the key would be refused, with the system's reason, naming
// the key (Windows) or the hive file (Linux); empty when it would not be.
std::string DescribeUnwritableSettings(const std::string& key = kSettingsKey);

// All eight values in store order, creating the key if needed. A failing
// write ends the save there; the values before it stay written.
StoreResult Save(const LinkSettings& settings, const std::string& key = kSettingsKey);

// The named values alone, in store order, into a key that exists, so that
// what the key holds besides (or cannot give) is left as it is; a key that
// has to be made gets all eight, as Save writes them.
StoreResult SaveSome(const LinkSettings& settings, const std::vector<std::string_view>& names,
                     const std::string& key = kSettingsKey);

// ServerAutoStart alone, creating the key if needed.
StoreResult SaveAutoStart(std::int32_t serverAutoStart);

// Points the autorun entry at the running program, or removes it.
StoreResult RegisterAutorun();
StoreResult UnregisterAutorun();

}  // namespace keldo
