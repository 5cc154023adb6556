#pragma once

#include <filesystem>
#include <string>

namespace keldo {

// What tells one serial device from another that takes its node: where it
// sits in the device tree and, for a USB adapter, its maker's ids, serial
// number and interface. A terminal with no device behind it (a
// pseudo-terminal, a console) has no place, and no identity: a new one at
// the same number belongs to somebody else.
struct SerialIdentity {
  std::string place;      // the device's sysfs path; empty for a terminal without one
  std::string model;      // USB "vendor:product"; empty on other buses
  std::string serial;     // the USB serial number, where the maker gave one
  std::string interface;  // the USB interface, and the port within it ("1.0 port 0")
};

// The identity of the character device major:minor, from the sysfs tree at
// sysDir (/sys).
SerialIdentity IdentifySerialDevice(const std::filesystem::path& sysDir, unsigned major,
                                    unsigned minor);

// Whether b is the device a was: the same USB adapter by its serial number
// wherever it is plugged in, or, without a serial number, the same kind of
// device at the same place. A terminal with no device behind it is nobody's.
bool SameDevice(const SerialIdentity& a, const SerialIdentity& b);

// For messages: "USB 0403:6001 serial A50285BI", else the device's place.
std::string DescribeDevice(const SerialIdentity& identity);

}  // namespace keldo
