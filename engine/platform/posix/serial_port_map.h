#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldo {

// COM numbers for Linux serial devices, kept in kSerialCommKey under
// HKEY_LOCAL_MACHINE as Windows keeps them: value name = device path, data = "COMn".

// The serial devices present under devDir: USB adapters by their stable
// serial/by-id names where udev made them (else ttyUSB*/ttyACM*), and the ttyS*
// ports that sysTtyDir shows to be real UARTs.
std::vector<std::string> FindSerialDevices(const std::filesystem::path& devDir,
                                           const std::filesystem::path& sysTtyDir);

// Gives each device that has no value yet in kSerialCommKey the lowest COM
// number no value uses yet; existing values, hand-made ones included, are
// never changed. Writes the hive once, only when a device gets a number, and
// never to a hive file that is not REGEDIT4 (only a save sets such a file
// aside). Linear in the size of the map.
void UpdateSerialPortMap(const std::vector<std::string>& devices);

// The number in a "COMn" name (any letter case), if it is one.
std::optional<std::int32_t> ComNumber(const std::string& name);

// The device that the key maps to COM<portNumber>, if any: the first such
// value in the key's order. One read of the hive.
std::optional<std::string> SerialDevicePath(std::int32_t portNumber);

}  // namespace keldo
