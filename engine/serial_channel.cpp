#include "engine/serial_channel.h"

#include <algorithm>
#include <cstddef>

#include "engine/link_settings.h"

namespace keldo {

namespace {

constexpr std::uint8_t kCarriageReturn = 0x0D;

bool IsTableMode(std::string_view mode) {
  return std::find(BaudModeTable.begin(), BaudModeTable.end(), mode) != BaudModeTable.end();
}

}  // namespace

bool SerialChannel::OpenPort(std::int32_t portNumber, std::string_view mode) {
  // The controller closes before it opens; closing here too keeps a stray second
  // open from leaking the device.
  port_.Close();
  if (portNumber < 1 || !IsTableMode(mode)) {
    return false;
  }
  if (!port_.Open(portNumber, mode)) {
    return false;
  }
  lineLength_ = 0;
  return true;
}

SerialPort::Reopening SerialChannel::ReopenPort(std::int32_t portNumber, std::string_view mode) {
  port_.Close();
  if (portNumber < 1 || !IsTableMode(mode)) {
    return {};
  }
  SerialPort::Reopening reopening = port_.Reopen(portNumber, mode);
  if (reopening.opened) {
    lineLength_ = 0;
  }
  return reopening;
}

void SerialChannel::ClosePort() {
  port_.Close();
}

void SerialChannel::WritePort(const void* bytes, std::int32_t count) {
  if (!port_.IsOpen()) {
    return;
  }
  if (bytes != nullptr && count > 0) {
    port_.Write(static_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(count));
  }
  lineLength_ = 0;
}

bool SerialChannel::ReadLine() {
  if (!port_.IsOpen()) {
    return false;
  }
  std::uint8_t byte = 0;
  while (port_.ReadByte(byte)) {
    // A line longer than the buffer is cut: the byte that finds it full empties it
    // and is dropped, and collecting starts again.
    if (lineLength_ >= kLineCapacity) {
      lineLength_ = 0;
    } else {
      lineBuffer_[static_cast<std::size_t>(lineLength_)] = byte;
      ++lineLength_;
    }
    if (byte == kCarriageReturn) {
      return true;
    }
  }
  return false;
}

}  // namespace keldo
