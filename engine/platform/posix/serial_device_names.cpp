#include "engine/platform/serial_device_names.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "engine/platform/posix/serial_port_map.h"
#include "engine/platform/registry_api.h"
#include "engine/platform/serial_port.h"
#include "engine/registry.h"

namespace keldo {
namespace {

// The number the map holds for path, read without asking for write access.
std::optional<std::int32_t> MappedNumber(const std::string& path) {
  try {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    key.SetAccess(kKeyRead);
    if (key.OpenPath(kSerialCommKey, false) && key.HasValue(path)) {
      return ComNumber(key.ReadText(path));
    }
  } catch (const std::exception&) {
    // A value that is not text names no port.
  }
  return std::nullopt;
}

}  // namespace

std::string SerialDevicePathProblem(const std::string& path) {
  if (MappedNumber(path)) {
    return {};
  }
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    return std::strerror(errno);
  }
  return S_ISCHR(status.st_mode) ? std::string() : "not a character device";
}

std::optional<std::int32_t> NumberSerialDevice(const std::string& path, std::string& error) {
  if (const auto number = MappedNumber(path)) {
    return number;
  }
  try {
    UpdateSerialPortMap({path});
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (const auto number = MappedNumber(path)) {
    return number;
  }
  const std::string map(kSerialCommKey + 1);
  if (error.empty()) {
    error = platform::DescribeUnwritableKey(platform::kRegLocalMachine, map);
  }
  if (error.empty()) {
    error = platform::DescribeUnreadableKey(platform::kRegLocalMachine, map);
  }
  if (error.empty()) {
    error = "the serial port map took no number for it";
  }
  return std::nullopt;
}

std::optional<std::string> SerialDeviceOf(std::int32_t portNumber) {
  return SerialDevicePath(portNumber);
}

}  // namespace keldo
