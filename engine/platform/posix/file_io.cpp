#include "engine/platform/posix/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "engine/platform/registry_api.h"

namespace keldo::platform {
namespace {

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

int SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  const int result = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return result;
}

std::string BaseName(const std::string& path) {
  const std::string folder = ParentFolder(path);
  return path.substr(folder.size() + (folder == "/" ? 0 : 1));
}

// ".<name>.tmp-": what the temporaries of path start with, in its folder.
std::string TemporaryPrefix(const std::string& path) {
  return "." + BaseName(path) + ".tmp-";
}

std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return ParentFolder(path) + "/" + TemporaryPrefix(path) + std::to_string(::getpid()) + "-" +
         std::to_string(counter++);
}

FileStamp StampOf(const struct stat& info) {
  FileStamp stamp;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modified = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
  stamp.changed = info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec;
  return stamp;
}

}  // namespace

long FromErrno(int err) {
  switch (err) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
    case ENOTDIR:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorAccessDenied;
    case ENOMEM:
      return kErrorOutOfMemory;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EWOULDBLOCK:
      return kErrorLockViolation;
    case EISDIR:
    case EIO:
      return kErrorReadFault;
    case kNotRegularFile:
      return kErrorBadFileType;
    case kFileTooLarge:
      return kErrorFileTooLarge;
    default:
      return kErrorWriteFault;
  }
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

int StampFile(const std::string& path, FileStamp& stamp) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return errno;
  }
  stamp = StampOf(info);
  return 0;
}

int ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& contents,
                    FileStamp& stamp) {
  // O_NONBLOCK: opening a FIFO for reading would wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  struct stat info {};
  int result = 0;
  if (::fstat(fd, &info) != 0) {
    result = errno;
  } else if (!S_ISREG(info.st_mode)) {
    result = kNotRegularFile;
  } else if (static_cast<unsigned long long>(info.st_size) > maxSize) {
    result = kFileTooLarge;
  }
  contents.clear();
  char buffer[16384];
  while (result == 0) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      result = n < 0 ? errno : 0;
      break;
    }
    if (contents.size() + static_cast<std::size_t>(n) > maxSize) {
      result = kFileTooLarge;  // grew past the limit while being read
      break;
    }
    contents.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (result != 0) {
    contents.clear();
    return result;
  }
  stamp = StampOf(info);
  return 0;
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = ParentFolder(path);
  const std::string prefix = TemporaryPrefix(path);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    struct stat info {};
    if (name.substr(0, prefix.size()) == prefix &&
        ::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

int MakeDirectories(const std::string& path, unsigned mode) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
  }
  if (errno != ENOENT) {
    return errno;
  }
  const std::string parent = ParentFolder(path);
  if (parent != path) {
    if (const int err = MakeDirectories(parent, mode); err != 0) {
      return err;
    }
  }
  if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) {
    return errno;
  }
  return 0;
}

int CheckCanReplace(const std::string& path) {
  if (::faccessat(AT_FDCWD, path.c_str(), F_OK, 0) == 0) {
    if (::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) != 0) {
      return errno;
    }
  } else if (errno != ENOENT) {
    return errno;
  }
  std::string folder = ParentFolder(path);
  while (::faccessat(AT_FDCWD, folder.c_str(), F_OK, 0) != 0) {
    if (errno != ENOENT || folder == "/" || folder == ".") {
      return errno;
    }
    folder = ParentFolder(folder);
  }
  return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

int ReplaceFile(const std::string& path, std::string_view contents, unsigned newMode) {
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  const std::string temporary = TemporaryName(path);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        static_cast<mode_t>(newMode));
  if (fd < 0) {
    return errno;
  }
  int result = 0;
  if (exists) {
    if (::fchmod(fd, existing.st_mode & 07777) != 0) {
      result = errno;
    }
    // Only root can give the file back to another owner; anyone else keeps
    // owning what they write, as with any editor's save.
    if (result == 0 && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())) {
      [[maybe_unused]] const int ignored = ::fchown(fd, existing.st_uid, existing.st_gid);
    }
  } else {
    GiveToFolderOwner(fd, ParentFolder(path));
  }
  if (result == 0) {
    result = WriteAll(fd, contents);
  }
  if (result == 0 && ::fsync(fd) != 0) {
    result = errno;
  }
  if (::close(fd) != 0 && result == 0) {
    result = errno;
  }
  if (result == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
    result = errno;
  }
  if (result != 0) {
    ::unlink(temporary.c_str());
    return result;
  }
  // The rename is durable only once the folder itself is on disk.
  return SyncFolder(ParentFolder(path));
}

void GiveToFolderOwner(int fd, const std::string& folder) {
  struct stat owner {};
  struct stat file {};
  if (::geteuid() == 0 && ::stat(folder.c_str(), &owner) == 0 && owner.st_uid != 0 &&
      ::fstat(fd, &file) == 0 && file.st_uid == 0) {
    [[maybe_unused]] const int ignored = ::fchown(fd, owner.st_uid, owner.st_gid);
  }
}

}  // namespace keldo::platform
