#pragma once

// The store of LinkSettings in the registry key
// HKEY_LOCAL_MACHINE\Software\TALMO\KELDO, and the per-user autorun entry.
// Every operation uses an accessor of its own and absorbs every error: none
// raises or shows anything. The writing ones say what they did, for a caller
// that wants to log it; callers that ignore the result lose nothing.

#include <cstdint>
#include <string>

#include "engine/link_settings.h"

namespace keldo {

inline constexpr const char* kSettingsKey = "\\Software\\TALMO\\KELDO";

struct StoreResult {
  bool written = false;
  std::string failure;  // why not, when nothing or not everything was written
};

// Defaults, then the stored values in store order, a missing value taking its
// fallback. An unreadable value ends the load there: the fields from it on
// keep their defaults. ServerBind and ServerAllow are read after them in any
// case; one that cannot be read leaves its reason in ServerAccessError.
void Load(LinkSettings& settings);

// Why the stored settings cannot be read (Load then gives the defaults),
// naming where they are kept: the key on Windows, the hive file on Linux.
// Empty when they read, and when there are none.
std::string DescribeUnreadableSettings();

// All eight values in store order, creating the key if needed. A failing
// write ends the save there; the values before it stay written.
StoreResult Save(const LinkSettings& settings);

// ServerAutoStart alone, creating the key if needed.
StoreResult SaveAutoStart(std::int32_t serverAutoStart);

// Points the autorun entry at the running program, or removes it.
StoreResult RegisterAutorun();
StoreResult UnregisterAutorun();

}  // namespace keldo
