#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/link_settings.h"
#include "engine/settings_store.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/loopback.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/temp_dir.h"

namespace keldo::test {

// A COM number per device, so no test meets a link an earlier one left.
inline std::int32_t NextDaemonComPort() {
  static std::int32_t next = 90;  // the controller suite counts up from 60
  return next++;
}

// The real keldo-linkd with a registry of its own and a pseudo-terminal for a
// device. Each run blocks a real second in its link set-up: keep these few.
class DaemonProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(device_.Error(), ""); }

  void Store(std::int32_t mode, std::int32_t port, const std::string& name = "KELDO",
             const std::string& host = "127.0.0.1", const std::string& key = kSettingsKey,
             std::int32_t comPort = 0) {
    LinkSettings s = DefaultLinkSettings();
    s.ServerMode = mode;
    s.ServerPort = port;
    s.ServerID = 42;
    s.ServerName = name;
    s.ServerHost = host;
    s.ServerAutoStart = 1;
    s.COMPort = comPort != 0 ? comPort : device_.PortNumber();
    const StoreResult stored = Save(s, key);
    ASSERT_TRUE(stored.written) << stored.failure;
  }

  void Start(const std::vector<std::string>& args = {}) {
    daemon_ = std::make_unique<ChildProcess>(KELDO_LINKD_PATH, output_.path() / "out.txt", args);
    ASSERT_TRUE(daemon_->Started());
  }

  // A server on a free port with its device open; returns the port.
  std::uint16_t StartServer(const std::vector<std::string>& args = {}) {
    const std::uint16_t port = FreePort();
    Store(1, port);
    Start(args);
    EXPECT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();
    return port;
  }

  // The peer connected to the server, the daemon's times-th connection.
  void Connect(Peer& peer, std::uint16_t port, int times = 1) {
    ASSERT_TRUE(peer.Connect(port));
    ASSERT_TRUE(WaitForOutput("Socket Connect.", times)) << Output();
  }

  // A request from the peer reaches the device, the device's reply the peer.
  static void ExpectCarried(Peer& peer, FakeSerialDevice& device, const std::string& request,
                            const std::string& reply) {
    ASSERT_TRUE(peer.Send(request));
    EXPECT_EQ(device.Receive(request.size(), 5000), request);
    device.Send(reply);
    EXPECT_EQ(Read(peer, reply.size()), reply);
  }

  // The daemon's standard output and error, with Windows line ends made plain.
  std::string Output() const {
    std::string text = daemon_->Output();
    std::erase(text, '\r');
    return text;
  }

  int Count(const std::string& text) const {
    const std::string out = Output();
    int found = 0;
    for (std::size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) {
      ++found;
    }
    return found;
  }

  bool WaitForOutput(const std::string& text, int times = 1,
                     std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return Until([&] { return Count(text) >= times; }, timeout);
  }

  template <class F>
  static bool Until(F done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  static std::string Read(Peer& peer, std::size_t count) {
    std::string got;
    Until([&] {
      got += peer.ReadAvailable();
      return got.size() >= count;
    });
    return got;
  }

  // Ends the daemon as a service manager or Ctrl+C would; it stops the link
  // and exits 0.
  void StopDaemon() {
    ASSERT_TRUE(daemon_->RequestTermination());
    EXPECT_EQ(daemon_->Wait(std::chrono::seconds(10)), 0) << Output();
    const std::string out = Output();
    EXPECT_NE(out.find("Current Stop\n", out.find("Current Run\n")), std::string::npos) << out;
  }

  RegistrySandbox registry_;
  FakeSerialDevice device_{NextDaemonComPort()};
  TempDir output_;
  std::unique_ptr<ChildProcess> daemon_;
};

}  // namespace keldo::test
