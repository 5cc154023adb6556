#include "engine/platform/posix/serial_port_map.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_set>

#include "engine/platform/posix/hive_file.h"
#include "engine/platform/serial_port.h"

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

// The map's key below HKEY_LOCAL_MACHINE, as the hive names it.
std::string_view MapPath() {
  return std::string_view(kSerialCommKey).substr(1);
}

// The port a value of the map names: text "COMn" as ReadText reads it (a
// REG_SZ or REG_EXPAND_SZ, up to its first NUL); nothing for any other value.
std::optional<std::int32_t> PortOf(const platform::HiveValue& value) {
  if (value.type != platform::kRegSz && value.type != platform::kRegExpandSz) {
    return std::nullopt;
  }
  const std::string text(value.data.begin(), value.data.end());
  return ComNumber(text.substr(0, text.find('\0')));
}

std::unordered_set<std::string> NamesOf(const platform::HiveKey& map) {
  std::unordered_set<std::string> names;
  for (const platform::HiveValue& value : map.values) {
    names.insert(platform::FoldedName(value.name));
  }
  return names;
}

// Gives each device without a value the lowest COM number no value uses yet,
// in one pass over the map: the candidate only ever moves up. Existing values,
// hand-made ones included, are never changed. Whether any value was added.
bool AssignComNumbers(platform::HiveKey& map, const std::vector<std::string>& devices) {
  std::unordered_set<std::string> names = NamesOf(map);
  std::unordered_set<std::int32_t> used;
  for (const platform::HiveValue& value : map.values) {
    if (const auto number = PortOf(value)) {
      used.insert(*number);
    }
  }
  bool added = false;
  std::int32_t candidate = 1;
  for (const std::string& device : devices) {
    // A name the hive file cannot carry on one line is no device path.
    if (device.find_first_of(std::string_view("\n\0", 2)) != std::string::npos ||
        !names.insert(platform::FoldedName(device)).second) {
      continue;
    }
    while (used.count(candidate) != 0) {
      ++candidate;
    }
    const std::string text = "COM" + std::to_string(candidate);
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    map.values.push_back(platform::HiveValue{device, platform::kRegSz, std::move(data)});
    used.insert(candidate);
    added = true;
  }
  return added;
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

std::optional<std::string> SerialDevicePath(std::int32_t portNumber) {
  std::shared_ptr<const platform::Hive> hive;
  if (platform::ReadHive(platform::kRegLocalMachine, hive) != platform::kErrorSuccess) {
    return std::nullopt;  // an unreadable store maps no port
  }
  if (const platform::HiveKey* map = platform::FindKey(*hive, MapPath())) {
    for (const platform::HiveValue& value : map->values) {
      if (PortOf(value) == portNumber) {
        return value.name;
      }
    }
  }
  return std::nullopt;
}

void UpdateSerialPortMap(const std::vector<std::string>& devices) {
  if (devices.empty()) {
    return;
  }
  std::shared_ptr<const platform::Hive> hive;
  if (platform::ReadHive(platform::kRegLocalMachine, hive) != platform::kErrorSuccess ||
      platform::HiveIsForeign(platform::kRegLocalMachine)) {
    return;
  }
  if (const platform::HiveKey* map = platform::FindKey(*hive, MapPath())) {
    const std::unordered_set<std::string> names = NamesOf(*map);
    if (std::all_of(devices.begin(), devices.end(), [&](const std::string& device) {
          return names.count(platform::FoldedName(device)) != 0;
        })) {
      return;
    }
  }
  // One write for every new device, made on the hive as it is under the lock.
  platform::UpdateHive(platform::kRegLocalMachine, [&](platform::Hive& current, bool& changed) {
    const std::string path(MapPath());
    platform::HiveKey* map = platform::FindKey(current, path);
    if (map == nullptr) {
      platform::AddKey(current, path);
      map = platform::FindKey(current, path);
    }
    changed = AssignComNumbers(*map, devices);
    return platform::kErrorSuccess;
  });
}

}  // namespace keldo
