#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/platform/serial_port.h"

namespace keldo {

// The link's one connection to the serial device. Bytes from the device collect in
// LineBuffer up to a carriage return; the controller reads LineBuffer and
// LineLength directly to forward a line.
class SerialChannel {
 public:
  static constexpr std::int32_t kLineBufferSize = 1024;
  // The last byte of LineBuffer is never used.
  static constexpr std::int32_t kLineCapacity = kLineBufferSize - 1;

  // Opens COM<portNumber> with a mode string from BaudModeTable; any other mode
  // string, or a port number below 1, is refused. Empties the line buffer.
  bool OpenPort(std::int32_t portNumber, std::string_view mode);
  // OpenPort for the device that was open before and went away, and for no
  // other (see SerialPort::Reopen).
  SerialPort::Reopening ReopenPort(std::int32_t portNumber, std::string_view mode);
  // Restores the port's settings and closes it; the line buffer is kept.
  void ClosePort();
  // Writes count bytes and empties the line buffer, since a write starts a fresh
  // reply. Does nothing at all while the port is closed.
  void WritePort(const void* bytes, std::int32_t count);
  // Moves waiting bytes into LineBuffer up to and including the first carriage
  // return; true when this call took one. Never empties the buffer itself.
  bool ReadLine();
  // Whether the device has sent bytes that ReadLine has not taken; never waits.
  bool InputWaiting() { return port_.IsOpen() && port_.InputWaiting(); }
  // Empties the line buffer without writing: its line has been handled, and
  // the next bytes start a new one.
  void StartNewLine() { lineLength_ = 0; }

  bool PortOpen() const { return port_.IsOpen(); }
  // The open port's device went away; it stays so until the port is reopened.
  bool DeviceGone() const { return port_.Gone(); }
  const std::array<std::uint8_t, kLineBufferSize>& LineBuffer() const { return lineBuffer_; }
  std::int32_t LineLength() const { return lineLength_; }

 private:
  SerialPort port_;
  std::array<std::uint8_t, kLineBufferSize> lineBuffer_{};
  std::int32_t lineLength_ = 0;
};

}  // namespace keldo
