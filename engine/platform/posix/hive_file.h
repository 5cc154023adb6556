#pragma once

// The hive files behind the registry roots: one REGEDIT4 file per root in
// $KELDO_REGISTRY_DIR, default ${XDG_CONFIG_HOME:-$HOME/.config}/keldo-link.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/platform/posix/hive_format.h"
#include "engine/platform/registry_api.h"

namespace keldo::platform {

std::string RegistryFolder();
std::string_view RootName(RegKey root);  // "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"
std::string HivePath(RegKey root);

// A hive file larger than this is refused: this program's hives hold a few
// kilobytes.
inline constexpr std::size_t kMaxHiveBytes = 4 * 1024 * 1024;

// The hive as it is on disk now. A missing file, or one that is not REGEDIT4
// at all, reads as an empty hive. Anything but a regular file, and a file
// larger than kMaxHiveBytes, is refused (kErrorBadFileType,
// kErrorFileTooLarge), never waited for. An unchanged file is parsed once,
// and its reading shared by every caller until it changes.
long ReadHive(RegKey root, std::shared_ptr<const Hive>& hive);

// Whether the hive's file is there but is not REGEDIT4: it reads as empty,
// and the first save sets it aside.
bool HiveIsForeign(RegKey root);

// How many times this process has read and parsed a hive file.
std::size_t HiveFilesParsed();

// Why the root's hive file cannot be used as it stands, naming the file
// ("<path>: Permission denied", "<path>: not a REGEDIT4 file"); empty when it
// reads, or does not exist.
std::string DescribeHiveProblem(RegKey root);

// Whether this process may write the hive (kErrorAccessDenied where the file
// or its folder is read-only to it).
long CheckHiveWritable(RegKey root);
// Why this process may not write the hive ("<file>: Permission denied"), or
// empty.
std::string DescribeHiveUnwritable(RegKey root);

// Applies `change` under the hive's file lock to the hive read afresh, and
// writes the result atomically if `change` set `changed`. A file that is not
// REGEDIT4 is first renamed to "<name>.unreadable-<UTC time>" so it is never
// overwritten. Lock, folder creation and write errors come back as Windows
// error codes; an error from `change` is returned as is, with nothing written.
using HiveChange = std::function<long(Hive& hive, bool& changed)>;
long UpdateHive(RegKey root, const HiveChange& change);

}  // namespace keldo::platform
