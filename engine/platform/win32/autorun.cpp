#include "engine/platform/autorun.h"

#include <windows.h>

#include <vector>

#include "engine/registry.h"

namespace keldo::platform {
namespace {

constexpr const char* kRunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kValueName = "KELDOLink";
constexpr DWORD kPathBuffer = 261;
constexpr DWORD kLongestPath = 32768;

std::string ProgramPath() {
  // MAX_PATH + 1 covers the usual case; a longer path is truncated by the
  // call, so it is asked again with room for the longest path there is
  // rather than storing a path that names nothing.
  for (DWORD size = kPathBuffer; size <= kLongestPath; size *= 2) {
    std::vector<char> buffer(size);
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) {
      return {};
    }
    if (length < size) {
      return std::string(buffer.data(), length);
    }
  }
  return {};
}

}  // namespace

std::string WriteAutorunEntry() {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::CurrentUser);
  // The Run key belongs to Windows; it is used where it opens, never created.
  if (!reg.OpenPath(kRunKey, false)) {
    return "the Run key does not open";
  }
  const std::string path = ProgramPath();
  if (path.empty()) {
    return "the program's path is unknown";
  }
  // Windows runs the value as a command line: unquoted, "C:\Program Files\..."
  // would start C:\Program.exe where one exists.
  reg.WriteText(kValueName, "\"" + path + "\"");
  reg.ClosePath();
  return {};
}

std::string RemoveAutorunEntry() {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::CurrentUser);
  if (!reg.OpenPath(kRunKey, false)) {
    return "the Run key does not open";
  }
  reg.RemoveValue(kValueName);
  reg.ClosePath();
  return {};
}

}  // namespace keldo::platform
