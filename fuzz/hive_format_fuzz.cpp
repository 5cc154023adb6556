// Hive file parser: any input either is no hive or parses into a hive that
// writes back to text which parses into the same hive and writes back to the
// same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/platform/posix/hive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace keldo::platform;
  constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE";
  const auto hive = ParseHive(std::string_view(reinterpret_cast<const char*>(data), size), kRoot);
  if (!hive) {
    return 0;
  }
  for (const HiveKey& key : hive->keys) {
    if (!key.opaque && (FindKey(*hive, key.path) == nullptr || !KeyExists(*hive, key.path))) {
      std::abort();
    }
  }
  const std::string written = WriteHive(*hive, kRoot);
  const auto again = ParseHive(written, kRoot);
  if (!again || !(*again == *hive) || WriteHive(*again, kRoot) != written) {
    std::abort();
  }
  return 0;
}
