#pragma once

// The registry calls TRegistry needs, with the Windows semantics and error
// codes on every platform: the Windows backend forwards to advapi32, the POSIX
// backend keeps the keys in hive files.

#include <cstdint>
#include <string>

namespace keldo::platform {

// An open key, or one of the predefined roots. 0 is never a valid key.
using RegKey = std::uintptr_t;
inline constexpr RegKey kRegCurrentUser = 0x80000001;
inline constexpr RegKey kRegLocalMachine = 0x80000002;

// Windows error codes.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorOutOfMemory = 14;
inline constexpr long kErrorWriteFault = 29;
inline constexpr long kErrorReadFault = 30;
inline constexpr long kErrorLockViolation = 33;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorDiskFull = 112;
inline constexpr long kErrorBadFileType = 222;
inline constexpr long kErrorFileTooLarge = 223;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorKeyDeleted = 1018;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Access rights.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kDelete = 0x00010000;
inline constexpr std::uint32_t kWriteDac = 0x00040000;
inline constexpr std::uint32_t kWriteOwner = 0x00080000;

// RegOpenKeyExA: never creates anything.
long OpenKey(RegKey base, const std::string& subKey, std::uint32_t access, RegKey& key) noexcept;

// RegCreateKeyExA (REG_OPTION_NON_VOLATILE, default security): opens the key,
// creating it and any missing keys along the path; `created` tells which.
long CreateKey(RegKey base, const std::string& subKey, std::uint32_t access, RegKey& key,
               bool& created) noexcept;

// RegQueryValueExA. With `data` null only the type and size are returned;
// otherwise `size` is the buffer's capacity on entry and the data's size on
// return, and a buffer too small yields kErrorMoreData.
long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                std::uint32_t* size) noexcept;

// RegSetValueExA.
long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
              std::uint32_t size) noexcept;

// RegDeleteValueA.
long DeleteValue(RegKey key, const std::string& name) noexcept;

// RegEnumValueA for the name only: `nameSize` is the buffer's capacity
// (NUL included) on entry and the name's length on return.
long EnumValueName(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) noexcept;

// RegQueryInfoKeyA for the number of values and the longest value name.
long QueryValueInfo(RegKey key, std::uint32_t* valueCount, std::uint32_t* maxNameLength) noexcept;

// RegCloseKey. Closing a predefined root does nothing.
long CloseKey(RegKey key) noexcept;

// Why the key (a path below root) exists but cannot be read, naming where it
// is kept: the hive file on POSIX ("<file>: Permission denied", also a file
// that is refused or not REGEDIT4), the key on Windows. Empty when it can be
// read or does not exist.
std::string DescribeUnreadableKey(RegKey root, const std::string& subKey);

// Why the key (a path below root) cannot be opened, or made, for writing,
// naming where it is kept and the system's reason: the hive file on POSIX,
// the key on Windows. Empty when it can be. Changes nothing.
std::string DescribeUnwritableKey(RegKey root, const std::string& subKey);

}  // namespace keldo::platform
