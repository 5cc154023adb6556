#include "engine/platform/serial_port.h"

#include <windows.h>

#include <string>

namespace keldo {

struct SerialPort::Native {
  HANDLE handle = INVALID_HANDLE_VALUE;
  COMMTIMEOUTS savedTimeouts{};
  bool gone = false;  // the driver no longer answers: the device went away
};

namespace {

// CreateFileA knows the bare names COM1..COM9 only; from COM10 on a bare name is
// taken for a file in the current folder, so those go through the device namespace.
std::string DeviceName(std::int32_t portNumber) {
  const std::string name = "COM" + std::to_string(portNumber);
  return portNumber >= 10 ? "\\\\.\\" + name : name;
}

// A read of one byte comes back after at most 1 ms when nothing is waiting; writes
// have no time limit.
COMMTIMEOUTS LinkTimeouts() {
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = 0;
  t.ReadTotalTimeoutMultiplier = 0;
  t.ReadTotalTimeoutConstant = SerialPort::kReadTimeoutMs;
  t.WriteTotalTimeoutMultiplier = 0;
  t.WriteTotalTimeoutConstant = 0;
  return t;
}

// The mode string carries no flow-control letter, so BuildCommDCBA turns XON/XOFF
// and hardware handshaking off; every other field keeps the port's value. A driver
// may refuse part of the settings while taking the rest (a pseudo-terminal under
// Wine refuses parity), so SetCommState's result says little; the speed the port
// ends up with decides, so a port never runs at a speed nobody asked for.
bool ApplyMode(HANDLE handle, const std::string& mode) {
  DCB wanted{};
  wanted.DCBlength = sizeof(DCB);
  if (!GetCommState(handle, &wanted) || !BuildCommDCBA(mode.c_str(), &wanted)) {
    return false;
  }
  SetCommState(handle, &wanted);
  DCB now{};
  now.DCBlength = sizeof(DCB);
  return GetCommState(handle, &now) && now.BaudRate == wanted.BaudRate;
}

}  // namespace

SerialPort::SerialPort() : native_(std::make_unique<Native>()) {}

SerialPort::~SerialPort() {
  Close();
}

bool SerialPort::Open(std::int32_t portNumber, std::string_view mode) {
  Close();
  HANDLE handle = CreateFileA(DeviceName(portNumber).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return false;
  }
  // Without the read timeout a read would wait for ever for the next byte; a handle
  // that takes no timeouts is no serial port.
  COMMTIMEOUTS saved{};
  if (!GetCommTimeouts(handle, &saved)) {
    CloseHandle(handle);
    return false;
  }
  COMMTIMEOUTS timeouts = LinkTimeouts();
  if (!SetCommTimeouts(handle, &timeouts) || !ApplyMode(handle, std::string(mode))) {
    SetCommTimeouts(handle, &saved);
    CloseHandle(handle);
    return false;
  }
  native_->handle = handle;
  native_->savedTimeouts = saved;
  native_->gone = false;
  return true;
}

SerialPort::Reopening SerialPort::Reopen(std::int32_t portNumber, std::string_view mode) {
  return Reopening{Open(portNumber, mode), {}};
}

void SerialPort::Close() {
  if (native_->handle == INVALID_HANDLE_VALUE) {
    return;
  }
  SetCommTimeouts(native_->handle, &native_->savedTimeouts);
  CloseHandle(native_->handle);
  native_->handle = INVALID_HANDLE_VALUE;
}

bool SerialPort::IsOpen() const {
  return native_->handle != INVALID_HANDLE_VALUE;
}

bool SerialPort::Gone() const {
  return IsOpen() && native_->gone;
}

bool SerialPort::ReadByte(std::uint8_t& byte) {
  Native& port = *native_;
  if (port.gone) {
    return false;
  }
  DWORD read = 0;
  if (ReadFile(port.handle, &byte, 1, &read, nullptr) && read == 1) {
    return true;
  }
  // After an empty read, a port whose driver cannot report its status belongs to
  // a device that went away (a pulled adapter): reading it again only fails again,
  // under Wine after spinning for some 16 ms. Clearing the error state also lets
  // a driver that stops reads on a line error go on.
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(port.handle, &errors, &status)) {
    port.gone = true;
  }
  return false;
}

bool SerialPort::InputWaiting() {
  Native& port = *native_;
  DWORD errors = 0;
  COMSTAT status{};
  return port.handle != INVALID_HANDLE_VALUE && !port.gone &&
         ClearCommError(port.handle, &errors, &status) && status.cbInQue > 0;
}

void SerialPort::Write(const std::uint8_t* bytes, std::size_t count) {
  DWORD written = 0;
  WriteFile(native_->handle, bytes, static_cast<DWORD>(count), &written, nullptr);
}

// Windows keeps the key itself.
void RefreshSerialPortMap() {}

}  // namespace keldo
