#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <aclapi.h>

#include <vector>

namespace keldo::test {

// Gives a key under HKEY_LOCAL_MACHINE a DACL that lets everybody read it but
// not change it, as a standard user sees the machine's keys; the key's own
// DACL comes back at the end.
class ReadOnlyKey {
 public:
  explicit ReadOnlyKey(const char* path) {
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | WRITE_DAC, &key_) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = 0;
    ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 || ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) !=
                         ERROR_SUCCESS) {
      return;
    }
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    if (!::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize)) {
      return;
    }
    EXPLICIT_ACCESS_A access{};
    access.grfAccessPermissions = KEY_READ | WRITE_DAC;  // WRITE_DAC: to give the DACL back
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = reinterpret_cast<LPSTR>(everyone);
    PACL acl = nullptr;
    if (::SetEntriesInAclA(1, &access, nullptr, &acl) != ERROR_SUCCESS) {
      return;
    }
    SECURITY_DESCRIPTOR descriptor;
    applied_ = ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
               ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
               ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    ::LocalFree(acl);
  }
  ~ReadOnlyKey() {
    if (applied_) {
      ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
    }
    if (key_ != nullptr) {
      ::RegCloseKey(key_);
    }
  }
  ReadOnlyKey(const ReadOnlyKey&) = delete;
  ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

  bool Applied() const { return applied_; }

 private:
  HKEY key_ = nullptr;
  std::vector<BYTE> saved_;
  bool applied_ = false;
};

}  // namespace keldo::test
