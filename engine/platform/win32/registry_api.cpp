#include "engine/platform/registry_api.h"

#include <windows.h>

namespace keldo::platform {
namespace {

// The predefined roots are sign-extended handle values on 64-bit Windows, so
// they are mapped here rather than cast.
HKEY ToHkey(RegKey key) {
  if (key == kRegCurrentUser) {
    return HKEY_CURRENT_USER;
  }
  if (key == kRegLocalMachine) {
    return HKEY_LOCAL_MACHINE;
  }
  return reinterpret_cast<HKEY>(key);
}

// advapi32 already speaks in Windows error codes; this is the one place they
// pass through.
long Result(LSTATUS status) {
  return static_cast<long>(status);
}

}  // namespace

long OpenKey(RegKey base, const std::string& subKey, std::uint32_t access, RegKey& key) noexcept {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExA(ToHkey(base), subKey.c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS) {
    key = reinterpret_cast<RegKey>(opened);
  }
  return Result(status);
}

long CreateKey(RegKey base, const std::string& subKey, std::uint32_t access, RegKey& key,
               bool& created) noexcept {
  HKEY opened = nullptr;
  DWORD disposition = 0;
  const LSTATUS status =
      RegCreateKeyExA(ToHkey(base), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                      nullptr, &opened, &disposition);
  if (status == ERROR_SUCCESS) {
    key = reinterpret_cast<RegKey>(opened);
    created = disposition == REG_CREATED_NEW_KEY;
  }
  return Result(status);
}

long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                std::uint32_t* size) noexcept {
  DWORD valueType = 0;
  DWORD valueSize = size != nullptr ? *size : 0;
  const LSTATUS status = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &valueType, data,
                                          size != nullptr ? &valueSize : nullptr);
  if (type != nullptr) {
    *type = valueType;
  }
  if (size != nullptr) {
    *size = valueSize;
  }
  return Result(status);
}

long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
              std::uint32_t size) noexcept {
  return Result(RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size));
}

long DeleteValue(RegKey key, const std::string& name) noexcept {
  return Result(RegDeleteValueA(ToHkey(key), name.c_str()));
}

long EnumValueName(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) noexcept {
  DWORD length = *nameSize;
  const LSTATUS status =
      RegEnumValueA(ToHkey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
  *nameSize = length;
  return Result(status);
}

long QueryValueInfo(RegKey key, std::uint32_t* valueCount, std::uint32_t* maxNameLength) noexcept {
  DWORD values = 0;
  DWORD longest = 0;
  const LSTATUS status = RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                          nullptr, &values, &longest, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) {
    *valueCount = values;
    *maxNameLength = longest;
  }
  return Result(status);
}

long CloseKey(RegKey key) noexcept {
  if (key == kRegCurrentUser || key == kRegLocalMachine) {
    return ERROR_SUCCESS;
  }
  return Result(RegCloseKey(ToHkey(key)));
}

namespace {

// "HKEY_LOCAL_MACHINE\<path>: <the system's text for status>".
std::string KeyProblem(RegKey root, const std::string& subKey, LSTATUS status) {
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(status), 0, text, sizeof text, nullptr);
  while (n > 0 && (static_cast<unsigned char>(text[n - 1]) <= ' ' || text[n - 1] == '.')) {
    --n;
  }
  const char* rootName = root == kRegLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  const std::string path = subKey.empty() || subKey.front() == '\\' ? subKey : "\\" + subKey;
  return std::string(rootName) + path + ": " +
         (n > 0 ? std::string(text, n) : "error " + std::to_string(status));
}

bool NotFound(LSTATUS status) {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::string DescribeUnreadableKey(RegKey root, const std::string& subKey) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExA(ToHkey(root), subKey.c_str(), 0, KEY_READ, &opened);
  if (status == ERROR_SUCCESS) {
    RegCloseKey(opened);
    return {};
  }
  return NotFound(status) ? std::string() : KeyProblem(root, subKey, status);
}

// A key that does not exist yet is made below the nearest key that does, so
// that is the one asked: without creating anything.
std::string DescribeUnwritableKey(RegKey root, const std::string& subKey) {
  std::string path = subKey;
  REGSAM access = KEY_ALL_ACCESS;
  for (;;) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExA(ToHkey(root), path.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS) {
      RegCloseKey(opened);
      return {};
    }
    if (!NotFound(status) || path.empty()) {
      return KeyProblem(root, path, status);
    }
    const std::size_t parent = path.find_last_of('\\');
    path.resize(parent == std::string::npos ? 0 : parent);
    access = KEY_CREATE_SUB_KEY;
  }
}

}  // namespace keldo::platform
