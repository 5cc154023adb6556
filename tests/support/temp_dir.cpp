#include "tests/support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <string>
#include <system_error>

namespace keldo::test {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("keldo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace keldo::test
