#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keldo {

class TRegistry;

// COM numbers for Linux serial devices, kept in kSerialCommKey under
// HKEY_LOCAL_MACHINE as Windows keeps them: value name = device path, data = "COMn".

// The serial devices present under devDir: USB adapters by their stable
// serial/by-id names where udev made them (else ttyUSB*/ttyACM*), and the ttyS*
// ports that sysTtyDir shows to be real UARTs.
std::vector<std::string> FindSerialDevices(const std::filesystem::path& devDir,
                                           const std::filesystem::path& sysTtyDir);

// Gives each device that has no value in the open key the lowest COM number no
// value uses yet. Existing values, hand-made ones included, are never changed.
void AssignComNumbers(TRegistry& key, const std::vector<std::string>& devices);

// Enters the devices that have no value yet in kSerialCommKey, as
// AssignComNumbers does. Writes the hive only when a device gets a number,
// and never writes to a hive file that is not REGEDIT4 (only a save sets such
// a file aside).
void UpdateSerialPortMap(const std::vector<std::string>& devices);

// The number in a "COMn" name (any letter case), if it is one.
std::optional<std::int32_t> ComNumber(const std::string& name);

// The device that the key maps to COM<portNumber>, if any.
std::optional<std::string> SerialDevicePath(std::int32_t portNumber);

}  // namespace keldo
