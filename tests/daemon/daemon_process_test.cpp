#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/identify_query.h"
#include "engine/link_settings.h"
#include "engine/settings_store.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/loopback.h"
#include "tests/support/port_listener.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/temp_dir.h"

namespace keldo::test {
namespace {

using namespace std::chrono_literals;

// A COM number per device, so no test meets a link an earlier one left.
std::int32_t NextComPort() {
  static std::int32_t next = 90;  // the controller suite counts up from 60
  return next++;
}

// Each run blocks a real second in its link set-up: keep these few.
class DaemonProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(device_.Error(), ""); }

  void Store(std::int32_t mode, std::uint16_t port) {
    LinkSettings s = DefaultLinkSettings();
    s.ServerMode = mode;
    s.ServerPort = port;
    s.ServerID = 42;
    s.ServerAutoStart = 1;
    s.COMPort = device_.PortNumber();
    const StoreResult stored = Save(s);
    ASSERT_TRUE(stored.written) << stored.failure;
  }

  void Start() {
    daemon_ = std::make_unique<ChildProcess>(KELDO_LINKD_PATH, output_.path() / "out.txt");
    ASSERT_TRUE(daemon_->Started());
  }

  // The daemon's output with Windows line ends made plain.
  std::string Output() const {
    std::string text = daemon_->Output();
    std::erase(text, '\r');
    return text;
  }

  bool WaitForOutput(const std::string& text, int times = 1) {
    return Until([&] {
      const std::string out = Output();
      int found = 0;
      for (std::size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) {
        ++found;
      }
      return found >= times;
    });
  }

  template <class F>
  static bool Until(F done, std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::sleep_for(2ms);
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
    EXPECT_EQ(daemon_->Wait(10s), 0) << Output();
    const std::string out = Output();
    EXPECT_NE(out.find("Current Stop\n", out.find("Current Run\n")), std::string::npos) << out;
  }

  RegistrySandbox registry_;
  FakeSerialDevice device_{NextComPort()};
  TempDir output_;
  std::unique_ptr<ChildProcess> daemon_;
};

TEST_F(DaemonProcessTest, ServerModeCarriesLinesToTheLatestPeerAndStopsOnRequest) {
  const std::uint16_t port = FreePort();
  Store(1, port);
  Start();
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();
  Peer a;
  ASSERT_TRUE(a.Connect(port));
  ASSERT_TRUE(WaitForOutput("Socket Connect.")) << Output();

  device_.Send("W 1.50\r");
  EXPECT_EQ(Read(a, 7), "W 1.50\r");
  ASSERT_TRUE(a.Send("T\r"));
  EXPECT_EQ(device_.Receive(2, 3000), "T\r");

  Peer b;
  ASSERT_TRUE(b.Connect(port));
  ASSERT_TRUE(WaitForOutput("Socket Connect.", 2));
  device_.Send("W 2.00\r");
  EXPECT_EQ(Read(b, 7), "W 2.00\r");
  EXPECT_EQ(a.ReadAvailable(), "");

  ASSERT_TRUE(WaitForOutput("Transfer: "));
  StopDaemon();
  const std::string out = Output();
  EXPECT_EQ(out.rfind("Name: KELDO\nTCP Server Mode,Port:" + std::to_string(port) + "\n", 0), 0u)
      << out;
  // ServerAutoStart 1, yet a daemon has no box to tick: no autorun entry.
  EXPECT_FALSE(registry_.AutorunCommand().has_value());
  EXPECT_TRUE(Until([&] { return a.AtEnd() && b.AtEnd(); }));
}

TEST_F(DaemonProcessTest, ClientModeAnswersTheIdentificationQueryAndPassesASplitOne) {
  const std::uint16_t port = FreePort();
  PortListener listener(port);
  ASSERT_TRUE(listener.Listening());
  Store(0, port);
  Start();
  Peer peer;
  ASSERT_TRUE(Until([&] { return listener.TryAccept(peer); })) << Output();
  ASSERT_TRUE(WaitForOutput("Socket Connect.")) << Output();

  const std::string query("KTQ\x0FT01\0\0\0", 10);
  ASSERT_TRUE(peer.Send(query));
  const IdentifyReply reply = BuildIdentifyReply(42);
  EXPECT_EQ(Read(peer, 11), std::string(reply.begin(), reply.end()));

  ASSERT_TRUE(peer.Send(query.substr(0, 3)));
  EXPECT_EQ(device_.Receive(3, 3000), query.substr(0, 3));
  ASSERT_TRUE(peer.Send(query.substr(3)));
  EXPECT_EQ(device_.Receive(7, 3000), query.substr(3));
  EXPECT_EQ(peer.ReadAvailable(), "");

  StopDaemon();
  const std::string out = Output();
  EXPECT_NE(out.find("Socket Disconnect.\n", out.rfind("Current Stop\n")), std::string::npos)
      << out;
  EXPECT_TRUE(Until([&] { return peer.AtEnd(); }));
}

}  // namespace
}  // namespace keldo::test
