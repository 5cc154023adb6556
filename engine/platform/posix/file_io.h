#pragma once

// File operations shared by the hive files and the autostart entry. Results
// are errno values (0 on success); FromErrno turns them into Windows error
// codes, in this one place.

#include <string>
#include <string_view>

namespace keldo::platform {

long FromErrno(int err);

int ReadWholeFile(const std::string& path, std::string& contents);

// Creates the folder and any missing parents; new folders get `mode`.
int MakeDirectories(const std::string& path, unsigned mode);

// Whether this process may replace `path`: the file (if it exists) must be
// readable and writable, and its folder (or the nearest one that exists)
// writable, since a replacement is a rename in that folder.
int CheckCanReplace(const std::string& path);

// Replaces `path` atomically: temporary file in the same folder, fsync, rename,
// fsync of the folder. An existing file's mode (and, where permitted, owner)
// is kept; a new file gets `newMode` less the umask.
int ReplaceFile(const std::string& path, std::string_view contents, unsigned newMode);

std::string ParentFolder(const std::string& path);

}  // namespace keldo::platform
