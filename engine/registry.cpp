#include "engine/registry.h"

#include <algorithm>
#include <array>

#include "engine/platform/registry_api.h"

namespace keldo {
namespace {

platform::RegKey RootKey(RegistryRoot root) {
  return root == RegistryRoot::LocalMachine ? platform::kRegLocalMachine
                                            : platform::kRegCurrentUser;
}

[[noreturn]] void Raise(const char* what, const std::string& name) {
  throw ERegistryException(std::string(what) + " '" + name + "'");
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() {
  ClosePath();
}

void TRegistry::SelectRoot(RegistryRoot root) {
  if (root != root_) {
    ClosePath();
    root_ = root;
  }
}

bool TRegistry::OpenPath(const std::string& path, bool create) {
  const bool fromRoot = (!path.empty() && path.front() == '\\') || currentKey_ == 0;
  const std::string relative = !path.empty() && path.front() == '\\' ? path.substr(1) : path;
  const platform::RegKey base = fromRoot ? RootKey(root_) : currentKey_;

  platform::RegKey key = 0;
  bool created = false;
  const long status = create && !relative.empty()
                          ? platform::CreateKey(base, relative, access_, key, created)
                          : platform::OpenKey(base, relative, access_, key);
  if (status != platform::kErrorSuccess) {
    return false;
  }
  std::string newPath = relative;
  if (!fromRoot && !currentPath_.empty()) {
    newPath = relative.empty() ? currentPath_ : currentPath_ + "\\" + relative;
  }
  ClosePath();
  currentKey_ = key;
  currentPath_ = std::move(newPath);
  createdKey_ = created;
  return true;
}

void TRegistry::ClosePath() {
  if (currentKey_ != 0) {
    // Lazy write is always set here, so the key is closed without a flush.
    platform::CloseKey(currentKey_);
    currentKey_ = 0;
    currentPath_.clear();
  }
}

bool TRegistry::HasValue(const std::string& name) {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  return platform::QueryValue(currentKey_, name, &type, nullptr, &size) == platform::kErrorSuccess;
}

std::int32_t TRegistry::ReadInt(const std::string& name) {
  // Zeroed, so a REG_DWORD shorter than four bytes never yields stray bytes.
  std::array<std::uint8_t, 4> data{};
  std::uint32_t type = 0;
  std::uint32_t size = data.size();
  if (platform::QueryValue(currentKey_, name, &type, data.data(), &size) !=
      platform::kErrorSuccess) {
    Raise("Failed to get data for", name);
  }
  if (type != platform::kRegDword) {
    Raise("Invalid data type for", name);
  }
  const std::uint32_t bits = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                             std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24;
  return static_cast<std::int32_t>(bits);
}

std::string TRegistry::ReadText(const std::string& name) {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (platform::QueryValue(currentKey_, name, &type, nullptr, &size) != platform::kErrorSuccess ||
      size == 0) {
    return {};
  }
  std::string buffer(size, '\0');
  if (platform::QueryValue(currentKey_, name, &type, reinterpret_cast<std::uint8_t*>(buffer.data()),
                           &size) != platform::kErrorSuccess) {
    Raise("Failed to get data for", name);
  }
  if (type != platform::kRegSz && type != platform::kRegExpandSz) {
    Raise("Invalid data type for", name);
  }
  buffer.resize(size);
  return buffer.substr(0, buffer.find('\0'));
}

void TRegistry::WriteInt(const std::string& name, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::array<std::uint8_t, 4> data = {
      static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
      static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
  if (platform::SetValue(currentKey_, name, platform::kRegDword, data.data(), data.size()) !=
      platform::kErrorSuccess) {
    Raise("Failed to set data for", name);
  }
}

void TRegistry::WriteText(const std::string& name, const std::string& value) {
  if (platform::SetValue(currentKey_, name, platform::kRegSz,
                         reinterpret_cast<const std::uint8_t*>(value.c_str()),
                         static_cast<std::uint32_t>(value.size() + 1)) != platform::kErrorSuccess) {
    Raise("Failed to set data for", name);
  }
}

bool TRegistry::RemoveValue(const std::string& name) {
  return platform::DeleteValue(currentKey_, name) == platform::kErrorSuccess;
}

void TRegistry::ListValueNames(std::vector<std::string>& list) {
  list.clear();
  std::uint32_t count = 0;
  std::uint32_t longest = 0;
  if (platform::QueryValueInfo(currentKey_, &count, &longest) != platform::kErrorSuccess) {
    return;
  }
  std::string buffer(longest + 1, '\0');
  for (std::uint32_t index = 0; index < count; ++index) {
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    // A value removed since the count was taken would otherwise add an empty
    // or repeated name.
    if (platform::EnumValueName(currentKey_, index, buffer.data(), &size) !=
        platform::kErrorSuccess) {
      continue;
    }
    list.push_back(buffer.substr(0, std::min<std::size_t>(size, buffer.find('\0'))));
  }
}

}  // namespace keldo
