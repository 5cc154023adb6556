#include "engine/platform/posix/serial_identity.h"

#include <fstream>
#include <system_error>

namespace keldo {

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute; empty where there is none.
std::string Attribute(const fs::path& dir, const char* name) {
  std::ifstream in(dir / name);
  std::string value;
  std::getline(in, value);
  return value;
}

}  // namespace

SerialIdentity IdentifySerialDevice(const fs::path& sysDir, unsigned major, unsigned minor) {
  SerialIdentity identity;
  std::error_code ec;
  // A terminal in the device tree links to the hardware behind it; a
  // pseudo-terminal is not in the tree at all, a console has no such link.
  const fs::path node =
      sysDir / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor));
  const fs::path device = fs::canonical(node / "device", ec);
  if (ec) {
    return identity;
  }
  identity.place = device.string();
  const std::string port = Attribute(device, "port_number");
  // Up the tree to the USB device: the step below it is the interface.
  fs::path below = device;
  for (fs::path dir = device; dir.has_relative_path(); dir = dir.parent_path()) {
    if (fs::exists(dir / "idVendor", ec)) {
      identity.model = Attribute(dir, "idVendor") + ":" + Attribute(dir, "idProduct");
      identity.serial = Attribute(dir, "serial");
      const std::string name = below.filename().string();
      identity.interface = name.substr(name.find(':') + 1) + (port.empty() ? "" : " port " + port);
      break;
    }
    below = dir;
  }
  return identity;
}

bool SameDevice(const SerialIdentity& a, const SerialIdentity& b) {
  if (a.place.empty() || b.place.empty() || a.model != b.model || a.interface != b.interface) {
    return false;
  }
  if (!a.serial.empty() && !b.serial.empty()) {
    return a.serial == b.serial;
  }
  return a.serial == b.serial && a.place == b.place;
}

std::string DescribeDevice(const SerialIdentity& identity) {
  if (identity.place.empty()) {
    return "a terminal with no device behind it";
  }
  if (identity.model.empty()) {
    return identity.place;
  }
  return "USB " + identity.model +
         (identity.serial.empty() ? " at " + identity.place : " serial " + identity.serial);
}

}  // namespace keldo
