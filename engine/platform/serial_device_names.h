#pragma once

// Serial devices named by path, as Linux names them, and the COM numbers the
// serial port map (kSerialCommKey) gives them. Windows names its ports COMn
// itself: there, no path names a port.

#include <cstdint>
#include <optional>
#include <string>

namespace keldo {

// Why the device at path cannot be given a COM number; empty when it can (on
// Linux a character device, or a path the map already holds, plugged in or
// not).
std::string SerialDevicePathProblem(const std::string& path);

// The COM number the map gives the device at path, entering it with the
// lowest free number when it has none yet. Nothing when that fails, with the
// reason in error.
std::optional<std::int32_t> NumberSerialDevice(const std::string& path, std::string& error);

// The device behind COM<portNumber> where devices are named by path; nothing
// on Windows and for a number no device has.
std::optional<std::string> SerialDeviceOf(std::int32_t portNumber);

}  // namespace keldo
