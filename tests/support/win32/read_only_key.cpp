#include "tests/support/win32/read_only_key.h"

#include <sddl.h>

namespace keldo::test {

ReadOnlyKey::ReadOnlyKey(const char* path) {
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | WRITE_DAC, &key_) !=
      ERROR_SUCCESS) {
    key_ = nullptr;
    return;
  }
  DWORD size = 0;
  ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
  saved_.resize(size);
  // Everyone: KEY_READ, and WRITE_DAC to give the DACL back.
  PSECURITY_DESCRIPTOR readOnly = nullptr;
  applied_ =
      size != 0 &&
      ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) == ERROR_SUCCESS &&
      ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;0x60019;;;WD)", SDDL_REVISION_1,
                                                             &readOnly, nullptr) &&
      ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
  ::LocalFree(readOnly);
}

ReadOnlyKey::~ReadOnlyKey() {
  if (applied_) {
    ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
  }
  if (key_ != nullptr) {
    ::RegCloseKey(key_);
  }
}

}  // namespace keldo::test
