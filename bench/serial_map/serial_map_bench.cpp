// Usage: serial_map_bench [entries ...]   (default: 1000 5000 20000)
// For a COM port map of each size, in a registry of its own: the time the
// link's serial step takes to open a pseudo-terminal mapped after every other
// entry, once right after a new device was numbered (the hive just written),
// and once with nothing new (the hive written long before).
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/platform/posix/hive_file.h"
#include "engine/platform/posix/serial_port_map.h"
#include "engine/serial_channel.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/registry_sandbox.h"

namespace keldo::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kMode[] = "19200,e,8,1";

// Wall and CPU seconds since it was made: the machine the figures come from
// may be busy with other work, which stretches the one and not the other.
struct Stopwatch {
  Clock::time_point wall = Clock::now();
  std::clock_t cpu = std::clock();

  std::string Seconds() const {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f s (CPU %.3f s)",
                  std::chrono::duration<double>(Clock::now() - wall).count(),
                  static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    return text;
  }
};

// The map as a hand-written hive: entries devices that are not there.
bool WriteMap(const std::string& hive, int entries) {
  std::filesystem::create_directories(std::filesystem::path(hive).parent_path());
  std::ofstream out(hive);
  out << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n";
  for (int i = 1; i <= entries; ++i) {
    out << "\"/dev/keldo-bench/tty" << i << "\"=\"COM" << i << "\"\n";
  }
  return static_cast<bool>(out << "\n");
}

// A hive changed within the file system's clock tick is read afresh each
// time; one written a minute ago is what a start usually meets.
void Settle(const std::string& hive) {
  struct stat st {};
  ::stat(hive.c_str(), &st);
  const timespec times[2] = {{st.st_mtime - 60, 0}, {st.st_mtime - 60, 0}};
  ::utimensat(AT_FDCWD, hive.c_str(), times, 0);
}

bool Measure(int entries) {
  test::RegistrySandbox registry;
  const std::string hive = platform::HivePath(platform::kRegLocalMachine);
  if (!WriteMap(hive, entries)) {
    std::fprintf(stderr, "cannot write %s\n", hive.c_str());
    return false;
  }
  const std::int32_t port = entries + 1;
  test::FakeSerialDevice device(port);
  if (!device.Error().empty()) {
    std::fprintf(stderr, "no test device: %s\n", device.Error().c_str());
    return false;
  }
  Settle(hive);
  SerialChannel channel;

  const Stopwatch numbering;
  UpdateSerialPortMap({"/dev/keldo-bench/new"});
  const bool openedAfterNew = channel.OpenPort(port, kMode);
  const std::string afterNew = numbering.Seconds();
  channel.ClosePort();

  Settle(hive);
  const Stopwatch lookup;
  const bool opened = channel.OpenPort(port, kMode);
  const std::string settled = lookup.Seconds();
  channel.ClosePort();

  std::printf(
      "%6d entries, %5.0f KiB hive: new device numbered, port opened %s%s; "
      "port opened %s%s\n",
      entries, static_cast<double>(std::filesystem::file_size(hive)) / 1024, afterNew.c_str(),
      openedAfterNew ? "" : " (not opened)", settled.c_str(), opened ? "" : " (not opened)");
  std::fflush(stdout);
  return openedAfterNew && opened;
}

}  // namespace
}  // namespace keldo::bench

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.empty()) {
    sizes = {1000, 5000, 20000};
  }
  bool ok = true;
  for (const int entries : sizes) {
    ok = keldo::bench::Measure(entries) && ok;
  }
  return ok ? 0 : 1;
}
