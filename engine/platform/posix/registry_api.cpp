#include "engine/platform/registry_api.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "engine/platform/posix/hive_file.h"

namespace keldo::platform {
namespace {

constexpr std::uint32_t kWriteRights =
    kKeySetValue | kKeyCreateSubKey | kDelete | kWriteDac | kWriteOwner;

struct OpenedKey {
  RegKey root = 0;
  std::string path;  // below the root, components separated by '\'
  std::uint32_t access = 0;
};

// Handles are numbers into this table; the key itself is looked up in the
// hive file on every use, so a handle stays valid across other processes'
// writes, as on Windows.
std::mutex tableMutex;
std::map<RegKey, OpenedKey> openKeys;
RegKey nextKey = 0x1000;

bool IsRoot(RegKey key) {
  return key == kRegCurrentUser || key == kRegLocalMachine;
}

// Names that the hive file could not carry on one line.
bool IsWritableName(std::string_view name) {
  return name.find('\n') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

long Lookup(RegKey key, OpenedKey& found) {
  if (IsRoot(key)) {
    found = OpenedKey{key, {}, kKeyQueryValue | kWriteRights};
    return kErrorSuccess;
  }
  const auto it = openKeys.find(key);
  if (it == openKeys.end()) {
    return kErrorInvalidHandle;
  }
  found = it->second;
  return kErrorSuccess;
}

// The key that `subKey` names from `base`. A trailing backslash is ignored;
// an empty component is not a key name.
long Resolve(RegKey base, const std::string& subKey, OpenedKey& target) {
  if (const long result = Lookup(base, target); result != kErrorSuccess) {
    return result;
  }
  std::string_view rest = subKey;
  if (!rest.empty() && rest.back() == '\\') {
    rest.remove_suffix(1);
  }
  if (rest.empty()) {
    return kErrorSuccess;
  }
  if (rest.front() == '\\' || rest.find("\\\\") != std::string_view::npos ||
      !IsWritableName(rest)) {
    return kErrorInvalidParameter;
  }
  target.path = target.path.empty() ? std::string(rest) : target.path + "\\" + std::string(rest);
  return kErrorSuccess;
}

RegKey AddHandle(OpenedKey key) {
  const RegKey handle = nextKey++;
  openKeys.emplace(handle, std::move(key));
  return handle;
}

long CheckAccess(const OpenedKey& key) {
  return (key.access & kWriteRights) != 0 ? CheckHiveWritable(key.root) : kErrorSuccess;
}

// The key behind a handle, provided it was opened with `right`.
long OpenedWith(RegKey key, std::uint32_t right, OpenedKey& opened) {
  if (const long result = Lookup(key, opened); result != kErrorSuccess) {
    return result;
  }
  return (opened.access & right) != 0 ? kErrorSuccess : kErrorAccessDenied;
}

// The key's section in a fresh read of its hive; null for a key that exists
// without values of its own.
long ReadSection(const OpenedKey& opened, std::shared_ptr<const Hive>& hive,
                 const HiveKey*& section) {
  if (const long result = ReadHive(opened.root, hive); result != kErrorSuccess) {
    return result;
  }
  section = FindKey(*hive, opened.path);
  return section != nullptr || KeyExists(*hive, opened.path) ? kErrorSuccess : kErrorKeyDeleted;
}

// Every entry point maps a failure to allocate onto the Windows code; nothing
// else in here throws.
template <typename Body>
long Guarded(Body body) noexcept {
  try {
    const std::lock_guard lock(tableMutex);
    return body();
  } catch (const std::bad_alloc&) {
    return kErrorOutOfMemory;
  } catch (...) {
    return kErrorWriteFault;
  }
}

}  // namespace

long OpenKey(RegKey base, const std::string& subKey, std::uint32_t access, RegKey& key) noexcept {
  return Guarded([&]() -> long {
    OpenedKey target;
    if (const long result = Resolve(base, subKey, target); result != kErrorSuccess) {
      return result == kErrorInvalidParameter ? kErrorFileNotFound : result;
    }
    std::shared_ptr<const Hive> hive;
    if (const long result = ReadHive(target.root, hive); result != kErrorSuccess) {
      return result;
    }
    if (!KeyExists(*hive, target.path)) {
      return kErrorFileNotFound;
    }
    target.access = access;
    if (const long result = CheckAccess(target); result != kErrorSuccess) {
      return result;
    }
    key = AddHandle(std::move(target));
    return kErrorSuccess;
  });
}

long CreateKey(RegKey base, const std::string& subKey, std::uint32_t access, RegKey& key,
               bool& created) noexcept {
  return Guarded([&]() -> long {
    OpenedKey target;
    if (const long result = Resolve(base, subKey, target); result != kErrorSuccess) {
      return result;
    }
    target.access = access;
    std::shared_ptr<const Hive> hive;
    if (const long result = ReadHive(target.root, hive); result != kErrorSuccess) {
      return result;
    }
    bool made = false;
    if (!KeyExists(*hive, target.path)) {
      const long result = UpdateHive(target.root, [&](Hive& current, bool& changed) {
        changed = made = !KeyExists(current, target.path);
        if (made) {
          AddKey(current, target.path);
        }
        return kErrorSuccess;
      });
      if (result != kErrorSuccess) {
        return result;
      }
    }
    if (const long result = CheckAccess(target); result != kErrorSuccess) {
      return result;
    }
    key = AddHandle(std::move(target));
    created = made;
    return kErrorSuccess;
  });
}

long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                std::uint32_t* size) noexcept {
  return Guarded([&]() -> long {
    OpenedKey opened;
    if (const long result = OpenedWith(key, kKeyQueryValue, opened); result != kErrorSuccess) {
      return result;
    }
    std::shared_ptr<const Hive> hive;
    const HiveKey* section = nullptr;
    if (const long result = ReadSection(opened, hive, section); result != kErrorSuccess) {
      return result;
    }
    if (section == nullptr) {
      return kErrorFileNotFound;
    }
    const HiveValue* value = FindValue(*section, name);
    if (value == nullptr) {
      return kErrorFileNotFound;
    }
    if (type != nullptr) {
      *type = value->type;
    }
    if (size == nullptr) {
      return data == nullptr ? kErrorSuccess : kErrorInvalidParameter;
    }
    const auto needed = static_cast<std::uint32_t>(value->data.size());
    if (data != nullptr && *size < needed) {
      *size = needed;
      return kErrorMoreData;
    }
    if (data != nullptr && needed > 0) {
      std::memcpy(data, value->data.data(), needed);
    }
    *size = needed;
    return kErrorSuccess;
  });
}

long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
              std::uint32_t size) noexcept {
  return Guarded([&]() -> long {
    OpenedKey opened;
    if (const long result = OpenedWith(key, kKeySetValue, opened); result != kErrorSuccess) {
      return result;
    }
    if (!IsWritableName(name) || (data == nullptr && size != 0)) {
      return kErrorInvalidParameter;
    }
    std::vector<std::uint8_t> bytes(data, data + size);
    return UpdateHive(opened.root, [&](Hive& hive, bool& changed) -> long {
      HiveKey* section = FindKey(hive, opened.path);
      if (section == nullptr) {
        if (!KeyExists(hive, opened.path)) {
          return kErrorKeyDeleted;
        }
        hive.keys.push_back(HiveKey{opened.path, false, {}, {}});
        section = &hive.keys.back();
      }
      changed = true;
      if (HiveValue* value = FindValue(*section, name)) {
        changed = value->type != type || value->data != bytes;
        value->type = type;
        value->data = std::move(bytes);
      } else {
        section->values.push_back(HiveValue{name, type, std::move(bytes)});
      }
      return kErrorSuccess;
    });
  });
}

long DeleteValue(RegKey key, const std::string& name) noexcept {
  return Guarded([&]() -> long {
    OpenedKey opened;
    if (const long result = OpenedWith(key, kKeySetValue, opened); result != kErrorSuccess) {
      return result;
    }
    return UpdateHive(opened.root, [&](Hive& hive, bool& changed) -> long {
      HiveKey* section = FindKey(hive, opened.path);
      if (section == nullptr) {
        return KeyExists(hive, opened.path) ? kErrorFileNotFound : kErrorKeyDeleted;
      }
      auto& values = section->values;
      for (auto it = values.begin(); it != values.end(); ++it) {
        if (SameName(it->name, name)) {
          values.erase(it);
          changed = true;
          return kErrorSuccess;
        }
      }
      return kErrorFileNotFound;
    });
  });
}

long EnumValueName(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) noexcept {
  return Guarded([&]() -> long {
    OpenedKey opened;
    if (const long result = OpenedWith(key, kKeyQueryValue, opened); result != kErrorSuccess) {
      return result;
    }
    std::shared_ptr<const Hive> hive;
    const HiveKey* section = nullptr;
    if (const long result = ReadSection(opened, hive, section); result != kErrorSuccess) {
      return result;
    }
    if (section == nullptr || index >= section->values.size()) {
      return kErrorNoMoreItems;
    }
    const std::string& found = section->values[index].name;
    if (found.size() + 1 > *nameSize) {
      return kErrorMoreData;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<std::uint32_t>(found.size());
    return kErrorSuccess;
  });
}

long QueryValueInfo(RegKey key, std::uint32_t* valueCount, std::uint32_t* maxNameLength) noexcept {
  return Guarded([&]() -> long {
    OpenedKey opened;
    if (const long result = OpenedWith(key, kKeyQueryValue, opened); result != kErrorSuccess) {
      return result;
    }
    std::shared_ptr<const Hive> hive;
    const HiveKey* section = nullptr;
    if (const long result = ReadSection(opened, hive, section); result != kErrorSuccess) {
      return result;
    }
    std::uint32_t count = 0;
    std::uint32_t longest = 0;
    if (section != nullptr) {
      count = static_cast<std::uint32_t>(section->values.size());
      for (const HiveValue& value : section->values) {
        longest = std::max(longest, static_cast<std::uint32_t>(value.name.size()));
      }
    }
    *valueCount = count;
    *maxNameLength = longest;
    return kErrorSuccess;
  });
}

long CloseKey(RegKey key) noexcept {
  return Guarded([&]() -> long {
    if (IsRoot(key)) {
      return kErrorSuccess;
    }
    return openKeys.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
  });
}

std::string DescribeUnreadableKey(RegKey root, const std::string&) {
  // The hive file is the whole store: if it reads, every key in it does.
  const std::lock_guard lock(tableMutex);
  return DescribeHiveProblem(root);
}

std::string DescribeUnwritableKey(RegKey root, const std::string&) {
  return DescribeHiveUnwritable(root);
}

}  // namespace keldo::platform
