#pragma once

// File operations shared by the hive files and the autostart entry. Results
// are errno values (0 on success); FromErrno turns them into Windows error
// codes, in this one place.

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

namespace keldo::platform {

long FromErrno(int err);

// What stat says of a file's contents: a file replaced or written since has
// another stamp (the times have the file system's granularity).
struct FileStamp {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  long long size = 0;
  long long modified = 0;  // ns
  long long changed = 0;   // ns

  bool operator==(const FileStamp&) const = default;
};

// stat (following links); errno on failure.
int StampFile(const std::string& path, FileStamp& stamp);

// Refusals of ReadRegularFile: not a regular file (a FIFO, a device, a
// folder), and larger than its limit.
inline constexpr int kNotRegularFile = EINVAL;
inline constexpr int kFileTooLarge = EFBIG;

// Reads a regular file of at most maxSize bytes, with the stamp it had when
// opened. Never waits: a FIFO or a device is refused before a byte is read,
// and so is a file that holds more than maxSize bytes (also one that grows
// while it is read).
int ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& contents,
                    FileStamp& stamp);

// Removes what an interrupted ReplaceFile of path left behind (its temporary
// files). Only safe while holding a lock that every writer of path takes.
void RemoveStaleTemporaries(const std::string& path);

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

// As root, gives a file this process made in a folder that belongs to another
// user (a service's state folder, edited by an administrator) to that
// folder's owner, so that the service can still read and write it. Does
// nothing for anyone else.
void GiveToFolderOwner(int fd, const std::string& folder);

std::string ParentFolder(const std::string& path);

}  // namespace keldo::platform
