#include "engine/platform/posix/serial_identity.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace keldo {
namespace {

namespace fs = std::filesystem;

// An adapter's terminal as sysfs lays it out (the usb-serial port under the
// interface, under the device with the maker's ids), in USB socket `socket`;
// without one, a pseudo-terminal, which is not in the tree at all.
SerialIdentity Identify(const char* socket, const char* serial = nullptr) {
  const test::TempDir root;
  const fs::path sys = fs::canonical(root.path());
  if (socket != nullptr) {
    const fs::path usb = sys / "devices" / socket;
    const fs::path port = usb / (std::string(socket) + ":1.0") / "ttyUSB0";
    fs::create_directories(port / "tty");
    fs::create_directories(sys / "dev" / "char");
    fs::create_symlink(port, port / "tty" / "device");
    fs::create_symlink(port / "tty", sys / "dev" / "char" / "188:0");
    std::ofstream(usb / "idVendor") << "0403\n";
    std::ofstream(usb / "idProduct") << "6001\n";
    if (serial != nullptr) {
      std::ofstream(usb / "serial") << serial << "\n";
    }
  }
  SerialIdentity identity = IdentifySerialDevice(sys, 188, 0);
  identity.place.erase(0, identity.place.empty() ? 0 : sys.string().size());
  return identity;
}

TEST(SerialIdentity, ADeviceIsTheSameOnlyWhereWhatTellsItApartIsTheSame) {
  const SerialIdentity before = Identify("1-2", "A50285BI");
  EXPECT_EQ(DescribeDevice(before), "USB 0403:6001 serial A50285BI");
  EXPECT_TRUE(SameDevice(before, Identify("1-3", "A50285BI"))) << "plugged in elsewhere";
  EXPECT_FALSE(SameDevice(before, Identify("1-2", "A9XYZ"))) << "another of its kind";
  EXPECT_FALSE(SameDevice(before, Identify("1-2"))) << "one without a serial number";
  // Without serial numbers only the place tells adapters apart; a terminal
  // with no device behind it is nobody's, not even its own.
  EXPECT_TRUE(SameDevice(Identify("1-2"), Identify("1-2")));
  EXPECT_FALSE(SameDevice(Identify("1-2"), Identify("1-3")));
  EXPECT_FALSE(SameDevice(Identify(nullptr), Identify(nullptr)));
}

}  // namespace
}  // namespace keldo
