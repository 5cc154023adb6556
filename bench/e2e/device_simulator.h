#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace keldo::bench {

// A serial device on the master side of a pseudo-terminal. In command mode it
// answers every CR-ended line "Q<seq> <size>" with ReplyLine(seq, size); in
// stream mode it checks that the bytes arriving are PayloadByte(0), (1), ...
class DeviceSimulator {
 public:
  DeviceSimulator();
  ~DeviceSimulator();
  DeviceSimulator(const DeviceSimulator&) = delete;
  DeviceSimulator& operator=(const DeviceSimulator&) = delete;

  // The slave path the bridge opens, e.g. /dev/pts/7.
  const std::string& DevicePath() const { return slavePath_; }

  void Start();
  void Stop();

  void SetStreamMode(bool on);

  // Sends StreamLine(0), (1), ... on its own, paced at bytesPerSecond (a
  // line's speed in bytes: baud / 11 for 8 data bits, parity and a stop bit),
  // until StopEmitting, which returns how many lines went out.
  void StartEmitting(double bytesPerSecond);
  std::uint64_t StopEmitting();
  std::uint64_t StreamBytes() const { return streamBytes_.load(); }
  std::uint64_t StreamErrors() const { return streamErrors_.load(); }
  std::uint64_t BadCommands() const { return badCommands_.load(); }

 private:
  void Run();
  void HandleCommand(const std::string& line);
  void WriteAll(const std::string& bytes);

  int master_ = -1;
  int slave_ = -1;  // held open so the master never sees a hang-up between bridges
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::string slavePath_;
  std::thread thread_;
  std::thread emitter_;
  std::atomic<bool> emitting_{false};
  std::atomic<std::uint64_t> emitted_{0};
  std::atomic<bool> streamMode_{false};
  std::atomic<std::uint64_t> streamBytes_{0};
  std::atomic<std::uint64_t> streamErrors_{0};
  std::atomic<std::uint64_t> badCommands_{0};
};

}  // namespace keldo::bench
