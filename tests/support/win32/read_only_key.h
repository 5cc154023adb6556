#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <vector>

namespace keldo::test {

// Gives a key under HKEY_LOCAL_MACHINE a DACL that lets everybody read it but
// not change it, as a standard user sees the machine's keys; the key's own
// DACL comes back at the end.
class ReadOnlyKey {
 public:
  explicit ReadOnlyKey(const char* path);
  ~ReadOnlyKey();
  ReadOnlyKey(const ReadOnlyKey&) = delete;
  ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

  bool Applied() const { return applied_; }

 private:
  HKEY key_ = nullptr;
  std::vector<BYTE> saved_;
  bool applied_ = false;
};

}  // namespace keldo::test
