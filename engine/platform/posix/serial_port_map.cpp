#include "engine/platform/posix/serial_port_map.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <fstream>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>

#include "engine/platform/posix/hive_file.h"
#include "engine/platform/serial_port.h"
#include "engine/registry.h"

namespace keldo {

namespace fs = std::filesystem;

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Directory iteration that stops quietly where the folder is missing or unreadable.
template <typename Visit>
void ForEachEntry(const fs::path& dir, Visit visit) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    visit(it->path());
  }
}

// Every ttyS line has a sysfs entry, but only a line where a chip answered has a
// type other than 0 (unknown). Asking sysfs, rather than the port itself, leaves
// the modem lines of every port alone.
bool IsUart(const fs::path& sysTtyDir, const std::string& name) {
  std::ifstream in(sysTtyDir / name / "type");
  int type = 0;
  return static_cast<bool>(in >> type) && type != 0;
}

// Orders ttyS2 before ttyS10, so the built-in ports take COM numbers in their order.
std::tuple<std::string, unsigned long, std::string> NaturalKey(const std::string& path) {
  const std::size_t digits = path.find_last_not_of("0123456789") + 1;
  if (digits == path.size() || path.size() - digits > 9) {
    return {path, 0, path};
  }
  return {path.substr(0, digits), std::stoul(path.substr(digits)), path};
}

void SortNaturally(std::vector<std::string>& paths) {
  std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return NaturalKey(a) < NaturalKey(b);
  });
}

}  // namespace

std::vector<std::string> FindSerialDevices(const fs::path& devDir, const fs::path& sysTtyDir) {
  std::vector<std::string> uarts;
  std::vector<std::string> usbById;
  std::vector<std::string> usbBare;
  std::set<fs::path> byIdTargets;

  // The by-id name follows the adapter across replugs and reboots, while its
  // ttyUSBn name depends on the order the adapters were found in.
  ForEachEntry(devDir / "serial" / "by-id", [&](const fs::path& link) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (!ec) {
      usbById.push_back(link.string());
      byIdTargets.insert(target);
    }
  });
  ForEachEntry(devDir, [&](const fs::path& path) {
    const std::string name = path.filename().string();
    if (StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM")) {
      std::error_code ec;
      if (byIdTargets.count(fs::canonical(path, ec)) == 0) {
        usbBare.push_back(path.string());
      }
    } else if (StartsWith(name, "ttyS") && IsUart(sysTtyDir, name)) {
      uarts.push_back(path.string());
    }
  });

  SortNaturally(uarts);
  SortNaturally(usbById);
  SortNaturally(usbBare);
  std::vector<std::string> devices = std::move(uarts);
  devices.insert(devices.end(), usbById.begin(), usbById.end());
  devices.insert(devices.end(), usbBare.begin(), usbBare.end());
  return devices;
}

std::optional<std::int32_t> ComNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 12) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) {
      return std::nullopt;
    }
  }
  std::int64_t number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') {
      return std::nullopt;
    }
    number = number * 10 + (name[i] - '0');
  }
  if (number < 1 || number > INT32_MAX) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(number);
}

void AssignComNumbers(TRegistry& key, const std::vector<std::string>& devices) {
  std::vector<std::string> names;
  key.ListValueNames(names);
  std::set<std::int32_t> used;
  for (const std::string& name : names) {
    try {
      if (const auto number = ComNumber(key.ReadText(name))) {
        used.insert(*number);
      }
    } catch (const ERegistryException&) {
      // A value of another type names no port.
    }
  }
  for (const std::string& device : devices) {
    if (key.HasValue(device)) {
      continue;
    }
    std::int32_t number = 1;
    while (used.count(number) != 0) {
      ++number;
    }
    key.WriteText(device, "COM" + std::to_string(number));
    used.insert(number);
  }
}

void UpdateSerialPortMap(const std::vector<std::string>& devices) {
  if (devices.empty() || platform::HiveIsForeign(platform::kRegLocalMachine)) {
    return;
  }
  TRegistry key;
  key.SelectRoot(RegistryRoot::LocalMachine);
  key.SetAccess(kKeyRead);
  if (key.OpenPath(kSerialCommKey, false) &&
      std::all_of(devices.begin(), devices.end(),
                  [&](const std::string& device) { return key.HasValue(device); })) {
    return;
  }
  key.ClosePath();
  key.SetAccess(kKeyAllAccess);
  if (key.OpenPath(kSerialCommKey, true)) {
    AssignComNumbers(key, devices);
  }
}

std::optional<std::string> SerialDevicePath(std::int32_t portNumber) {
  try {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    key.SetAccess(kKeyRead);
    if (!key.OpenPath(kSerialCommKey, false)) {
      return std::nullopt;
    }
    std::vector<std::string> names;
    key.ListValueNames(names);
    for (const std::string& name : names) {
      try {
        if (ComNumber(key.ReadText(name)) == portNumber) {
          return name;
        }
      } catch (const ERegistryException&) {
        // Not a text value: no port.
      }
    }
  } catch (const std::exception&) {
    // An unreadable store maps no port.
  }
  return std::nullopt;
}

}  // namespace keldo
