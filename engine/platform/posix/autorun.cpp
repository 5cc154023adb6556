#include "engine/platform/autorun.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/platform/posix/desktop_entry.h"
#include "engine/platform/posix/file_io.h"
#include "engine/platform/posix/xdg_dirs.h"

namespace keldo::platform {
namespace {

constexpr unsigned kEntryMode = 0644;

std::string AutostartFolder() {
  return ConfigHome() + "/autostart";
}

std::string EntryPath() {
  return AutostartFolder() + "/KELDOLink.desktop";
}

std::string ProgramPath() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) {
      return {};
    }
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string Failure(const char* what, int err) {
  return std::string(what) + ": " + std::strerror(err);
}

}  // namespace

std::string WriteAutorunEntry() {
  const std::string path = ProgramPath();
  if (path.empty()) {
    return "the program's path is unknown";
  }
  const auto entry = AutostartEntry(path);
  if (!entry) {
    return "the program's path cannot be written in a desktop entry";
  }
  // A fresh account has no autostart folder yet; unlike the Run key, its
  // absence says nothing about whether autostart is wanted.
  if (const int err = MakeDirectories(AutostartFolder(), kConfigFolderMode); err != 0) {
    return Failure("cannot create the autostart folder", err);
  }
  if (const int err = ReplaceFile(EntryPath(), *entry, kEntryMode); err != 0) {
    return Failure("cannot write the autostart entry", err);
  }
  return {};
}

std::string RemoveAutorunEntry() {
  if (::unlink(EntryPath().c_str()) != 0 && errno != ENOENT) {
    return Failure("cannot remove the autostart entry", errno);
  }
  return {};
}

}  // namespace keldo::platform
