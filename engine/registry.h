#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace keldo {

// The predefined keys that paths start from.
enum class RegistryRoot { CurrentUser, LocalMachine };

// Access masks with the platform's values.
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kKeyRead = 0x20019;

// Raised by the value reads and writes; the message names the value.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Registry accessor: one per store operation, one key open at a time.
// Created with root CurrentUser, full access and lazy write; destroying it
// closes any open key.
class TRegistry {
 public:
  TRegistry();
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Closes the open key when the root changes.
  void SelectRoot(RegistryRoot root);
  RegistryRoot Root() const { return root_; }

  // A path starting with '\' is taken from the root, any other from the open
  // key if there is one. Never raises; false leaves everything as it was.
  bool OpenPath(const std::string& path, bool create);
  // Whether the last successful OpenPath had to create the key it opened.
  bool CreatedKey() const { return createdKey_; }
  void ClosePath();
  const std::string& CurrentPath() const { return currentPath_; }
  bool HasOpenKey() const { return currentKey_ != 0; }

  bool HasValue(const std::string& name);
  std::int32_t ReadInt(const std::string& name);  // REG_DWORD only
  std::string ReadText(const std::string& name);  // REG_SZ or REG_EXPAND_SZ
  void WriteInt(const std::string& name, std::int32_t value);
  void WriteText(const std::string& name, const std::string& value);
  bool RemoveValue(const std::string& name);  // never raises
  void ListValueNames(std::vector<std::string>& list);

  std::uint32_t Access() const { return access_; }
  void SetAccess(std::uint32_t access) { access_ = access; }
  bool LazyWrite() const { return lazyWrite_; }

 private:
  RegistryRoot root_ = RegistryRoot::CurrentUser;
  std::uint32_t access_ = kKeyAllAccess;
  bool lazyWrite_ = true;
  std::uintptr_t currentKey_ = 0;  // platform key handle; 0 when none is open
  std::string currentPath_;
  bool createdKey_ = false;
};

}  // namespace keldo
