#include "engine/platform/posix/hive_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/platform/posix/file_io.h"
#include "engine/platform/posix/xdg_dirs.h"

namespace keldo::platform {
namespace {

// Another writer holds the lock only for one read-modify-write of a small
// file; a lock held longer than this belongs to a stuck process, and waiting
// for it would freeze the event loop.
constexpr auto kLockPatience = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(5);
constexpr unsigned kHiveFileMode = 0644;

// Holds the hive's lock file locked for as long as it lives.
class HiveLock {
 public:
  explicit HiveLock(const std::string& hivePath) {
    const std::string lockPath = hivePath + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    GiveToFolderOwner(fd_, ParentFolder(hivePath));
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        error_ = errno;
        return;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        error_ = EWOULDBLOCK;
        return;
      }
      std::this_thread::sleep_for(kLockRetry);
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) {
      ::close(fd_);  // releases the lock
    }
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;

  int Error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

// The last hive read of each root, reused while its file's stamp stays the
// same: every registry call looks its key up afresh, and parsing an unchanged
// file each time made a large one cost seconds at start. A file changed
// shortly before it was read may be changed again within the same tick of
// the file system's clock, leaving the stamp as it was: such a read is not
// reused.
constexpr long long kRacyNs = 2'000'000'000;

struct CachedHive {
  std::string path;
  FileStamp stamp;
  std::shared_ptr<const Hive> hive;
  bool foreign = false;
};

std::mutex cacheMutex;
std::map<RegKey, CachedHive> cache;
std::size_t parses = 0;

long long WallClockNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

void Remember(RegKey root, const std::string& path, const FileStamp& stamp,
              const std::shared_ptr<const Hive>& hive, bool foreign) {
  const std::lock_guard lock(cacheMutex);
  ++parses;
  if (WallClockNs() - stamp.modified > kRacyNs) {
    cache[root] = CachedHive{path, stamp, hive, foreign};
  } else {
    cache.erase(root);
  }
}

// Reads the hive file; `foreign` is set for a file that is not REGEDIT4. The
// hive is shared with the cache, so a call on a large unchanged file copies
// nothing.
int LoadHive(RegKey root, std::shared_ptr<const Hive>& hive, bool& foreign) {
  hive = std::make_shared<const Hive>();
  foreign = false;
  const std::string path = HivePath(root);
  FileStamp stamp;
  if (const int err = StampFile(path, stamp); err != 0) {
    return err == ENOENT ? 0 : err;
  }
  {
    const std::lock_guard lock(cacheMutex);
    const auto found = cache.find(root);
    if (found != cache.end() && found->second.path == path && found->second.stamp == stamp) {
      hive = found->second.hive;
      foreign = found->second.foreign;
      return 0;
    }
  }
  std::string text;
  const int err = ReadRegularFile(path, kMaxHiveBytes, text, stamp);
  if (err == ENOENT) {
    return 0;
  }
  if (err != 0) {
    return err;
  }
  if (auto parsed = ParseHive(text, RootName(root))) {
    hive = std::make_shared<const Hive>(std::move(*parsed));
  } else {
    foreign = true;
  }
  Remember(root, path, stamp, hive, foreign);
  return 0;
}

int SetAside(const std::string& path) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
  const std::string base = path + ".unreadable-" + stamp;
  for (int attempt = 1;; ++attempt) {
    const std::string aside = attempt == 1 ? base : base + "-" + std::to_string(attempt);
    if (::faccessat(AT_FDCWD, aside.c_str(), F_OK, 0) == 0) {
      continue;
    }
    return ::rename(path.c_str(), aside.c_str()) == 0 ? 0 : errno;
  }
}

}  // namespace

std::string RegistryFolder() {
  if (const char* folder = std::getenv("KELDO_REGISTRY_DIR"); folder != nullptr && *folder) {
    return folder;
  }
  return ConfigHome() + "/keldo-link";
}

std::string_view RootName(RegKey root) {
  return root == kRegLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string HivePath(RegKey root) {
  std::string folder = RegistryFolder();
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  return folder + "/" + std::string(RootName(root)) + ".reg";
}

long ReadHive(RegKey root, std::shared_ptr<const Hive>& hive) {
  bool foreign = false;
  return FromErrno(LoadHive(root, hive, foreign));
}

bool HiveIsForeign(RegKey root) {
  std::shared_ptr<const Hive> hive;
  bool foreign = false;
  return LoadHive(root, hive, foreign) == 0 && foreign;
}

long CheckHiveWritable(RegKey root) {
  return FromErrno(CheckCanReplace(HivePath(root)));
}

std::string DescribeHiveUnwritable(RegKey root) {
  const std::string path = HivePath(root);
  const int err = CheckCanReplace(path);
  return err == 0 ? std::string() : path + ": " + std::strerror(err);
}

long UpdateHive(RegKey root, const HiveChange& change) {
  const std::string path = HivePath(root);
  if (const int err = CheckCanReplace(path); err != 0) {
    return FromErrno(err);
  }
  if (const int err = MakeDirectories(ParentFolder(path), kConfigFolderMode); err != 0) {
    return FromErrno(err);
  }
  const HiveLock lock(path);
  if (lock.Error() != 0) {
    return FromErrno(lock.Error());
  }
  // Read again under the lock: another process may have saved since this one
  // last looked, and its keys must survive this write.
  std::shared_ptr<const Hive> current;
  bool foreign = false;
  if (const int err = LoadHive(root, current, foreign); err != 0) {
    return FromErrno(err);
  }
  Hive hive = *current;
  bool changed = false;
  if (const long result = change(hive, changed); result != kErrorSuccess || !changed) {
    return result;
  }
  if (foreign) {
    if (const int err = SetAside(path); err != 0) {
      return FromErrno(err);
    }
  }
  // Under the lock no other writer is at work: temporaries are left over
  // from a save that was killed.
  RemoveStaleTemporaries(path);
  return FromErrno(ReplaceFile(path, WriteHive(hive, RootName(root)), kHiveFileMode));
}

std::size_t HiveFilesParsed() {
  const std::lock_guard lock(cacheMutex);
  return parses;
}

std::string DescribeHiveProblem(RegKey root) {
  const std::string path = HivePath(root);
  std::shared_ptr<const Hive> hive;
  bool foreign = false;
  const int err = LoadHive(root, hive, foreign);
  if (err == 0) {
    return foreign ? path + ": not a REGEDIT4 file" : std::string();
  }
  if (err == kNotRegularFile) {
    return path + ": not a regular file";
  }
  if (err == kFileTooLarge) {
    return path + ": larger than " + std::to_string(kMaxHiveBytes / (1024 * 1024)) + " MiB";
  }
  return path + ": " + std::strerror(err);
}

}  // namespace keldo::platform
