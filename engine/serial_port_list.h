#pragma once

#include <string>
#include <vector>

namespace keldo {

// The port names ("COM3") the serial port map holds, for the configuration
// dialog's list: the map is brought up to date first, so an adapter plugged
// in meanwhile is listed. The values' data in the registry's enumeration
// order, trimmed of bytes 0 to 32 at both ends. A key that does not open
// gives no names; a value that cannot be read as text ends the list there.
// Never raises.
std::vector<std::string> ListSerialPorts();

}  // namespace keldo
