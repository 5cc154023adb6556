#include "engine/platform/posix/serial_port_map.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "engine/platform/serial_port.h"
#include "engine/registry.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/temp_dir.h"

namespace keldo {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path, const std::string& text = "") {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

TEST(FindSerialDevices, TakesRealUartsThenUsbAdaptersByTheirStableNames) {
  test::TempDir root;
  const fs::path dev = root.path() / "dev";
  const fs::path sys = root.path() / "sys";
  for (const char* uart : {"ttyS0", "ttyS1", "ttyS2", "ttyS10"}) {
    Touch(dev / uart);
  }
  Touch(sys / "ttyS0" / "type", "4\n");
  Touch(sys / "ttyS1" / "type", "0\n");  // no chip behind this line
  Touch(sys / "ttyS2" / "type", "4\n");
  Touch(sys / "ttyS10" / "type", "4\n");
  for (const char* other : {"ttyUSB0", "ttyUSB1", "ttyACM0", "tty1", "console"}) {
    Touch(dev / other);
  }
  fs::create_directories(dev / "serial" / "by-id");
  fs::create_symlink("../../ttyUSB1", dev / "serial" / "by-id" / "usb-Maker_Adapter-if00-port0");
  fs::create_symlink("../../ttyUSB9", dev / "serial" / "by-id" / "usb-Unplugged-if00-port0");

  const std::vector<std::string> expected = {
      (dev / "ttyS0").string(),
      (dev / "ttyS2").string(),
      (dev / "ttyS10").string(),
      (dev / "serial" / "by-id" / "usb-Maker_Adapter-if00-port0").string(),
      (dev / "ttyACM0").string(),
      (dev / "ttyUSB0").string(),
  };
  EXPECT_EQ(FindSerialDevices(dev, sys), expected);
  EXPECT_TRUE(FindSerialDevices(root.path() / "missing", sys).empty());
}

class SerialPortMapTest : public ::testing::Test {
 protected:
  void Assign(const std::vector<std::string>& devices) {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    ASSERT_TRUE(key.OpenPath(kSerialCommKey, true));
    AssignComNumbers(key, devices);
  }

  std::map<std::string, std::string> Map() {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    EXPECT_TRUE(key.OpenPath(kSerialCommKey, false));
    std::vector<std::string> names;
    key.ListValueNames(names);
    std::map<std::string, std::string> map;
    for (const std::string& name : names) {
      map[name] = ReadAny(key, name);
    }
    return map;
  }

  static std::string ReadAny(TRegistry& key, const std::string& name) {
    try {
      return key.ReadText(name);
    } catch (const ERegistryException&) {
      return "dword " + std::to_string(key.ReadInt(name));
    }
  }

  test::RegistrySandbox registry_;
};

TEST_F(SerialPortMapTest, NewDevicesTakeTheLowestFreeNumberAndKeepIt) {
  {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    ASSERT_TRUE(key.OpenPath(kSerialCommKey, true));
    key.WriteText("/dev/pts/7", "COM1");    // made by hand: any path
    key.WriteText("/dev/ttyUSB0", "COM9");  // made by hand for a present device
    key.WriteText("/x", "com4");            // any letter case names a port
    key.WriteText("/y", "COM0");            // names none
    key.WriteText("/z", "LPT2");
    key.WriteInt("/w", 2);  // not a name at all
  }
  Assign({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyACM0"});
  std::map<std::string, std::string> map = Map();
  EXPECT_EQ(map["/dev/pts/7"], "COM1");
  EXPECT_EQ(map["/dev/ttyUSB0"], "COM9");
  EXPECT_EQ(map["/dev/ttyS0"], "COM2");
  EXPECT_EQ(map["/dev/ttyS1"], "COM3");
  EXPECT_EQ(map["/dev/ttyACM0"], "COM5");
  EXPECT_EQ(map["/w"], "dword 2");

  // Another run: devices gone keep their numbers, so a new one takes the next
  // free number, and nothing known is renumbered.
  // udev escapes odd characters in by-id names as \xNN; quotes are possible too.
  const std::string odd = "/dev/serial/by-id/usb-Maker\\x20Co_\"Q\"_=1-if00-port0";
  Assign({odd, "/dev/ttyS0"});
  const std::map<std::string, std::string> again = Map();
  map[odd] = "COM6";
  EXPECT_EQ(again, map);
  EXPECT_EQ(SerialDevicePath(6), odd);

  EXPECT_EQ(SerialDevicePath(3), "/dev/ttyS1");
  EXPECT_EQ(SerialDevicePath(4), "/x");
  EXPECT_EQ(SerialDevicePath(9), "/dev/ttyUSB0");
  EXPECT_EQ(SerialDevicePath(7), std::nullopt);
  EXPECT_EQ(SerialDevicePath(0), std::nullopt);
}

}  // namespace
}  // namespace keldo
