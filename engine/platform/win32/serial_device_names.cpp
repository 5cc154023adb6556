#include "engine/platform/serial_device_names.h"

namespace keldo {

std::string SerialDevicePathProblem(const std::string&) {
  return "Windows names its serial ports COMn";
}

std::optional<std::int32_t> NumberSerialDevice(const std::string& path, std::string& error) {
  error = SerialDevicePathProblem(path);
  return std::nullopt;
}

std::optional<std::string> SerialDeviceOf(std::int32_t) {
  return std::nullopt;
}

}  // namespace keldo
