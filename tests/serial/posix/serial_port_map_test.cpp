#include "engine/platform/posix/serial_port_map.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <map>
#include <optional>

#include "engine/platform/posix/hive_file.h"
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
  UpdateSerialPortMap({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyACM0"});
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
  UpdateSerialPortMap({odd, "/dev/ttyS0"});
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

// A start reads the map a few times, whatever its size, even while the hive
// file is too new to be read from memory: once per entry made a map of
// thousands cost minutes.
TEST_F(SerialPortMapTest, AStartReadsALargeMapAFewTimesWhateverItsSize) {
  std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n";
  for (int i = 1; i <= 500; ++i) {
    text += "\"/dev/t" + std::to_string(i) + "\"=\"COM" + std::to_string(i) + "\"\n";
  }
  const std::string hive = platform::HivePath(platform::kRegLocalMachine);
  Touch(hive, text);
  const auto inAnHour = fs::file_time_type::clock::now() + std::chrono::hours(1);
  const auto keepNew = [&] { fs::last_write_time(hive, inAnHour); };
  keepNew();
  const std::size_t parsed = platform::HiveFilesParsed();
  UpdateSerialPortMap({"/dev/t7", "/dev/new"});
  keepNew();
  EXPECT_EQ(SerialDevicePath(501), "/dev/new");
  EXPECT_EQ(SerialDevicePath(7), "/dev/t7");
  EXPECT_LE(platform::HiveFilesParsed() - parsed, 5u);
}

// What a start's refresh of the map may write: only a number for a device
// that has none, and never to a hive file it cannot read.
struct Refresh {
  const char* name;
  std::optional<std::string> hive;  // the file before; nothing: no file
  std::vector<std::string> devices;
  bool written;
};

const char kMapped[] =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n"
    "\"/dev/ttyS0\"=\"COM1\"\n\n";
const char kSettingsOnly[] =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\n"
    "\"COMPort\"=dword:00000001\n\n";
const char kForeign[] = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\X]\n";

const Refresh kRefreshes[] = {
    {"no file and no device", std::nullopt, {}, false},
    {"no file and a device", std::nullopt, {"/dev/ttyS0"}, true},
    {"every device mapped", kMapped, {"/dev/ttyS0"}, false},
    {"a device not mapped yet", kMapped, {"/dev/ttyS0", "/dev/ttyUSB0"}, true},
    {"no map and no device", kSettingsOnly, {}, false},
    {"a hive that is not REGEDIT4", kForeign, {"/dev/ttyS0"}, false},
};

TEST_F(SerialPortMapTest, ARefreshWritesOnlyWhenADeviceGetsANumber) {
  const fs::path hive = platform::HivePath(platform::kRegLocalMachine);
  const auto identity = [&] {
    struct stat st {};
    return ::stat(hive.c_str(), &st) == 0 ? std::optional<ino_t>(st.st_ino) : std::nullopt;
  };
  for (const Refresh& refresh : kRefreshes) {
    SCOPED_TRACE(refresh.name);
    fs::remove_all(hive.parent_path());
    if (refresh.hive) {
      Touch(hive, *refresh.hive);
    }
    const std::optional<ino_t> before = identity();

    UpdateSerialPortMap(refresh.devices);

    EXPECT_EQ(identity() != before, refresh.written);
    std::size_t files = 0;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(hive.parent_path(), missing)) {
      files += entry.path().filename().string().find(".unreadable-") == std::string::npos ? 0 : 1;
    }
    EXPECT_EQ(files, 0u) << "a hive set aside outside a save";
    if (refresh.written) {
      for (const std::string& device : refresh.devices) {
        EXPECT_TRUE(Map().count(device)) << device;
      }
    }
  }
}

}  // namespace
}  // namespace keldo
