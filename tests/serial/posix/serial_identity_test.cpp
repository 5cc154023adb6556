#include "engine/platform/posix/serial_identity.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/temp_dir.h"

namespace keldo {
namespace {

namespace fs = std::filesystem;

// A sysfs tree with one terminal, as the kernel lays out a USB adapter
// (usb-serial: a port device under the interface) or a built-in UART.
struct Node {
  const char* usbDevice;  // "usb1/1-2", or null for a UART
  const char* vendor;
  const char* serial;  // null: the maker gave none
};

SerialIdentity Identify(const Node& node) {
  const test::TempDir root;
  const fs::path sys = root.path();
  fs::path device;
  if (node.usbDevice != nullptr) {
    const fs::path usb = sys / "devices" / "pci0000:00" / node.usbDevice;
    device = usb / (fs::path(node.usbDevice).filename().string() + ":1.0") / "ttyUSB0";
    fs::create_directories(device / "tty" / "ttyUSB0");
    std::ofstream(usb / "idVendor") << node.vendor << "\n";
    std::ofstream(usb / "idProduct") << "6001\n";
    if (node.serial != nullptr) {
      std::ofstream(usb / "serial") << node.serial << "\n";
    }
    std::ofstream(device / "port_number") << "0\n";
    fs::create_symlink(device, device / "tty" / "ttyUSB0" / "device");
    fs::create_directories(sys / "dev" / "char");
    fs::create_symlink(device / "tty" / "ttyUSB0", sys / "dev" / "char" / "188:0");
  } else {
    device = sys / "devices" / "platform" / "serial8250";
    fs::create_directories(device / "tty" / "ttyS1");
    fs::create_symlink(device, device / "tty" / "ttyS1" / "device");
    fs::create_directories(sys / "dev" / "char");
    fs::create_symlink(device / "tty" / "ttyS1", sys / "dev" / "char" / "188:0");
  }
  SerialIdentity identity = IdentifySerialDevice(sys, 188, 0);
  // Places are compared within one tree: make them independent of the folder.
  if (identity.place.rfind(fs::canonical(sys).string(), 0) == 0) {
    identity.place.erase(0, fs::canonical(sys).string().size());
  }
  return identity;
}

TEST(SerialIdentity, ADeviceIsTheSameOnlyWhenWhatTellsItApartIsTheSame) {
  const Node ftdi{"usb1/1-2", "0403", "A50285BI"};
  struct Case {
    const char* name;
    Node now;
    bool same;
  };
  const Case cases[] = {
      {"the adapter plugged into another socket", {"usb1/1-3", "0403", "A50285BI"}, true},
      {"another adapter of the same kind", {"usb1/1-2", "0403", "A9XYZ"}, false},
      {"an adapter of another maker", {"usb1/1-2", "1a86", "A50285BI"}, false},
      {"an adapter without a serial number", {"usb1/1-2", "0403", nullptr}, false},
  };
  const SerialIdentity before = Identify(ftdi);
  EXPECT_EQ(before.model, "0403:6001");
  EXPECT_EQ(before.serial, "A50285BI");
  EXPECT_EQ(before.interface, "1.0 port 0");
  EXPECT_EQ(DescribeDevice(before), "USB 0403:6001 serial A50285BI");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SameDevice(before, Identify(c.now)), c.same);
  }

  // Without serial numbers only the place tells adapters apart.
  const Node plain{"usb1/1-2", "1a86", nullptr};
  EXPECT_TRUE(SameDevice(Identify(plain), Identify(plain)));
  EXPECT_FALSE(SameDevice(Identify(plain), Identify({"usb1/1-3", "1a86", nullptr})));
  const Node uart{nullptr, nullptr, nullptr};
  EXPECT_TRUE(SameDevice(Identify(uart), Identify(uart)));
}

// A pseudo-terminal is not in the device tree: nobody's, not even its own.
TEST(SerialIdentity, ATerminalWithoutADeviceIsNeverTheSame) {
  const test::TempDir root;
  const SerialIdentity none = IdentifySerialDevice(root.path(), 136, 3);
  EXPECT_TRUE(none.place.empty());
  EXPECT_FALSE(SameDevice(none, none));
  EXPECT_EQ(DescribeDevice(none), "a terminal with no device behind it");
}

}  // namespace
}  // namespace keldo
