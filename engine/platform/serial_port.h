#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace keldo {

// The registry key that names the serial ports: value name = device, data = "COMn".
// Windows fills it; on Linux RefreshSerialPortMap does.
inline constexpr char kSerialCommKey[] = "\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// One serial device as the operating system offers it: opened exclusively by COM
// number, raw bytes both ways, reads that give up after kReadTimeoutMs.
class SerialPort {
 public:
  static constexpr int kReadTimeoutMs = 1;

  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens COM<portNumber> and applies a mode string such as "19200,e,8,1".
  // False leaves the port closed and the device as it was.
  bool Open(std::int32_t portNumber, std::string_view mode);
  // What Reopen did: opened, or why the node now at the port's path was not
  // taken (empty while nothing is there).
  struct Reopening {
    bool opened = false;
    std::string refused;
  };
  // Opens the port again after its device went away, but only the very device
  // that was open before, such as a USB adapter plugged in again. Whatever
  // took its place (a pseudo-terminal of another session at the same number,
  // another adapter) is left untouched. Windows gives a device its COM number
  // by its identity, so there this is Open.
  Reopening Reopen(std::int32_t portNumber, std::string_view mode);
  // Puts back the settings found at open, then closes. Does nothing when closed.
  void Close();
  bool IsOpen() const;

  // One received byte. False when none arrived within about kReadTimeoutMs, or
  // the device failed; never much longer than that. On Linux a device that went
  // away still costs the timeout, so a caller polling in a loop cannot spin; on
  // Windows such a read returns at once.
  bool ReadByte(std::uint8_t& byte);
  // Whether a byte is there to read now; never waits.
  bool InputWaiting();
  // Failures and short writes are dropped, as the device would drop them.
  void Write(const std::uint8_t* bytes, std::size_t count);
  // Whether a read or write found the device gone (a USB adapter pulled, a
  // terminal hung up): nothing passes until the port is opened again.
  bool Gone() const;

  // The backend's state, defined by each backend.
  struct Native;

 private:
  std::unique_ptr<Native> native_;
};

// Brings kSerialCommKey up to date with the serial devices present. Call it before
// listing the key; Open calls it itself. Never raises.
void RefreshSerialPortMap();

}  // namespace keldo
