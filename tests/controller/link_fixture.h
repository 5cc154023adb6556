#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/link_controller.h"
#include "engine/link_settings.h"
#include "engine/link_view.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/loopback.h"
#include "tests/support/port_listener.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo::test {

// Records every output of the controller with the fake clock's time.
class RecordingView final : public LinkView {
 public:
  struct Event {
    std::uint64_t at;
    std::string what;  // "log:<line>", "clear", "transfer:<text>", "state:<n>", "input:<0|1>", ...
  };

  explicit RecordingView(const VirtualTimeLoop& clock) : clock_(clock) {}

  void AppendLog(const std::string& line) override;
  void ClearLog() override;
  void ShowTransfer(const std::string& text) override;
  void RefreshStateDisplay(LinkState state) override;
  void SetInputEnabled(bool enabled) override;
  void ShowAutoStart(bool checked) override;
  void ShowServerName(const std::string& name) override;
  void ScheduleTrayHide() override;
  void ResetCursor() override;
  void NetworkOpenFailed(const std::string& reason) override;
  void PeerRefused(const std::string& address) override;

  // The log view's lines since its last clear.
  const std::vector<std::string>& Log() const { return log_; }
  bool Logged(const std::string& line) const;
  int CountLogged(const std::string& line) const;
  // Every transfer text so far, in order.
  std::vector<std::string> Transfers() const;
  bool InputEnabled() const { return inputEnabled_; }
  // When what was first recorded, or -1.
  std::int64_t FirstAt(const std::string& what) const;
  const std::vector<Event>& Events() const { return events_; }
  void ForgetEvents() { events_.clear(); }

 private:
  void Record(std::string what);

  const VirtualTimeLoop& clock_;
  std::vector<Event> events_;
  std::vector<std::string> log_;
  bool inputEnabled_ = true;
};

// A controller on the fake clock with a pseudo-terminal for a device, real
// loopback sockets and a registry of its own.
class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture();
  ~LinkFixture() override;

  void SetUp() override { ASSERT_EQ(device_.Error(), ""); }

  // Settings aimed at the fixture's device, with the given role and port.
  LinkSettings ServerSettings(std::uint16_t port) const;
  LinkSettings ClientSettings(std::uint16_t port) const;
  // Stores settings as the configuration dialog's Save would.
  void Store(const LinkSettings& settings);

  // The start-up as the window's first show runs it, then Start, then the
  // 50 ms to the link set-up, which ends 1000 ms later on the fake clock.
  void StartLink();
  LinkController& Link() { return *link_; }
  void MakeLink();

  // Lets fake time pass until the peer has received count bytes (or 2 s of
  // fake time went by), and returns them.
  std::string ReceiveAtPeer(Peer& peer, std::size_t count);
  // Lets fake time pass until a device line has been handled for the n-th time.
  bool PollUntilTransfers(std::size_t n);
  // Handles real events until the line was logged.
  bool WaitForLog(const std::string& line, int times = 1);
  // Handles real events until the transfer text has been shown n times in all.
  bool WaitForTransfer(const std::string& text, int times = 1);

  RegistrySandbox registry_;
  VirtualTimeLoop loop_;
  RecordingView view_{loop_};
  const std::int32_t comPort_;
  FakeSerialDevice device_;
  std::unique_ptr<LinkController> link_;
};

}  // namespace keldo::test
