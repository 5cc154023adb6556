#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace keldo::test {

// A pseudo-terminal standing in for a serial device that the link opens as
// COM<portNumber>. The test plays the device: what it sends arrives at the port,
// and what the port writes can be received here. On Linux the port number is
// mapped in the registry, so a RegistrySandbox must exist first; under Wine the
// device is a socat relay between the terminal and a loopback connection.
class FakeSerialDevice {
 public:
  explicit FakeSerialDevice(std::int32_t portNumber);
  ~FakeSerialDevice();
  FakeSerialDevice(const FakeSerialDevice&) = delete;
  FakeSerialDevice& operator=(const FakeSerialDevice&) = delete;

  // Empty once the device is ready; otherwise what went wrong.
  const std::string& Error() const;
  std::int32_t PortNumber() const;

  void Send(std::string_view bytes);
  // What the port wrote: up to count bytes, waiting at most timeoutMs for them.
  std::string Receive(std::size_t count, int timeoutMs);
  // Takes the device away for good, as when a USB adapter is pulled: the
  // terminal's far side closes.
  void Vanish();

  // Whether a new device at the same COM number is the one that vanished: on
  // Windows the COM number is a device's identity; on Linux the device is a
  // pseudo-terminal, and a new one is somebody else's.
  static bool ComesBack();

  // The far side of the terminal on Linux (a descriptor that also reaches the
  // line settings); the loopback socket under Wine.
  std::intptr_t NativeHandle() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace keldo::test
