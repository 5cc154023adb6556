#include "tests/support/win32/read_only_key.h"

#include <aclapi.h>

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
  if (size == 0 ||
      ::RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS) {
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

ReadOnlyKey::~ReadOnlyKey() {
  if (applied_) {
    ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
  }
  if (key_ != nullptr) {
    ::RegCloseKey(key_);
  }
}

}  // namespace keldo::test
