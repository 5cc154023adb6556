#include "tests/daemon/daemon_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/identify_query.h"
#include "tests/support/port_listener.h"

namespace keldo::test {
namespace {

using namespace std::chrono_literals;

TEST_F(DaemonProcessTest, ServerModeCarriesLinesToTheLatestPeerAndStopsOnRequest) {
  const std::uint16_t port = StartServer();
  Peer a;
  Connect(a, port);
  ExpectCarried(a, device_, "T\r", "W 1.50\r");
  Peer b;
  Connect(b, port, 2);
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
  EXPECT_EQ(out.find("keldo-linkd:"), std::string::npos) << "nothing to complain about";
  EXPECT_TRUE(Until([&] { return a.AtEnd() && b.AtEnd(); }));
}

TEST_F(DaemonProcessTest, ClientModeAnswersTheIdentificationQueryAndPassesASplitOne) {
  const std::uint16_t port = FreePort();
  PortListener listener(port);
  ASSERT_TRUE(listener.Listening());
  // A name that would forge lines and clear the screen, were it written raw.
  Store(0, port, "Scale 7\nCurrent Pause\x1b[2J");
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
  EXPECT_EQ(out.rfind("Name: Scale 7\\x0ACurrent Pause\\x1B[2J\n", 0), 0u) << out;
  EXPECT_EQ(out.find("Current Pause\n"), std::string::npos);
  EXPECT_TRUE(Until([&] { return peer.AtEnd(); }));
}

// A listener that cannot be had is not something to run on without: the
// daemon says why on standard error and exits with 1 after the Stop sequence,
// so that a service manager restarts it.
TEST_F(DaemonProcessTest, AServerThatCannotListenSaysWhyAndExitsWithAnError) {
  Listener squatter;
  struct Case {
    std::int32_t port;
    std::string why;
  };
  const Case cases[] = {
      {squatter.Port(), "on API 'bind'"},
      {70000, "(10022), on API 'bind'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    Store(1, c.port);
    Start();
    EXPECT_EQ(daemon_->Wait(10s), 1) << Output();
    const std::string out = Output();
    const std::size_t said =
        out.find("keldo-linkd: cannot listen on TCP port " + std::to_string(c.port) + ": ");
    ASSERT_NE(said, std::string::npos) << out;
    EXPECT_NE(out.find(c.why, said), std::string::npos) << out;
    EXPECT_NE(out.find("Current Stop\n", out.find("Current Run\n")), std::string::npos) << out;
  }
}

// The rate limit is RefusalReport's; here, that the line gets out at all.
TEST_F(DaemonProcessTest, APeerOutsideServerAllowIsRefusedWithALineOnStandardError) {
  StoreServerAccess("", "127.0.0.1");
  const std::uint16_t port = StartServer();
  Peer refused;
  ASSERT_TRUE(refused.Connect(port, "127.0.0.1", "127.0.0.2"));
  EXPECT_TRUE(WaitForOutput("keldo-linkd: refused 127.0.0.2: not in ServerAllow\n")) << Output();
  EXPECT_TRUE(Until([&] { return refused.Gone(); }));
  StopDaemon();
  const std::string out = Output();
  EXPECT_NE(out.find(std::to_string(port) + "\nAllow:127.0.0.1\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Socket Connect."), std::string::npos) << out;
}

// A USB adapter pulled and plugged in again: the loss is reported, and the
// device is served again at the same port without a restart.
TEST_F(DaemonProcessTest, AVanishedDeviceIsReportedAndServedAgainOnceItIsBack) {
  if (!FakeSerialDevice::ComesBack()) {
    GTEST_SKIP() << "a new test device is another device here (terminal_replug_test)";
  }
  Peer peer;
  Connect(peer, StartServer());
  device_.Vanish();
  const std::string com = "COM" + std::to_string(device_.PortNumber());
  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + com + " has gone away")) << Output();
  FakeSerialDevice back(device_.PortNumber());
  ASSERT_EQ(back.Error(), "");
  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + com + " is back: reopened")) << Output();

  ExpectCarried(peer, back, "T\r", "W 3.00\r");
  StopDaemon();
}

// What an integrator needs when a device "does not answer": each chunk with
// its direction and bytes, and the ones the link dropped, marked as such.
TEST_F(DaemonProcessTest, TheTraceShowsEachChunkWithItsDirectionAndWhatBecameOfIt) {
  const std::filesystem::path trace = output_.path() / "trace.txt";
  const std::uint16_t port = StartServer({"--trace=" + trace.string()});
  device_.Send("W 0.00\r");
  const auto traced = [&] {
    std::ifstream in(trace, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  ASSERT_TRUE(Until([&] { return traced().find("dropped: no peer") != std::string::npos; }));
  Peer peer;
  Connect(peer, port);
  ExpectCarried(peer, device_, "T\r", "W 1.50\r");
  StopDaemon();

  const std::string text = traced();
  const std::size_t dropped = text.find(
      " COM>NET - 7 bytes, dropped: no peer\n"
      "00000000  57 20 30 2e 30 30 0d   ");
  const std::size_t request = text.find(" NET>COM 127.0.0.1:", dropped);
  const std::size_t reply = text.find(" COM>NET 127.0.0.1:", request);
  ASSERT_NE(reply, std::string::npos) << text;
  EXPECT_NE(text.find(" 2 bytes\n00000000  54 0d  ", request), std::string::npos) << text;
  EXPECT_NE(text.find("|T.|\n", request), std::string::npos) << text;
  EXPECT_NE(text.find(" 7 bytes\n00000000  57 20 31 2e 35 30 0d  ", reply), std::string::npos)
      << text;
  EXPECT_NE(text.find("|W 1.50.|\n", reply), std::string::npos) << text;
  EXPECT_EQ(Output().find("00000000"), std::string::npos) << "the trace has a file of its own";
}

// Two links on one machine: each instance has its settings key, its TCP port
// and its device.
TEST_F(DaemonProcessTest, TwoInstancesServeTheirOwnPortsAndDevices) {
  const std::uint16_t portA = FreePort();
  Store(1, portA, "Scale A", "127.0.0.1", InstanceSettingsKey("scale-a"));
  FakeSerialDevice deviceB(NextDaemonComPort());
  ASSERT_EQ(deviceB.Error(), "");
  const std::uint16_t portB = FreePort();
  Store(1, portB, "Scale B", "127.0.0.1", InstanceSettingsKey("scale_b"), deviceB.PortNumber());
  Start({"--instance", "scale-a"});
  ChildProcess second(KELDO_LINKD_PATH, output_.path() / "b.txt", {"--instance=scale_b"});
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();
  ASSERT_TRUE(Until([&] { return second.Output().find("COM Port Open Ok.") != std::string::npos; }))
      << second.Output();

  Peer a;
  Peer peerB;
  Connect(a, portA);
  ASSERT_TRUE(peerB.Connect(portB));
  ASSERT_TRUE(Until([&] { return second.Output().find("Socket Connect.") != std::string::npos; }));
  ExpectCarried(a, device_, "A\r", "W 1.00\r");
  ExpectCarried(peerB, deviceB, "B\r", "W 2.00\r");

  ASSERT_TRUE(second.RequestTermination());
  EXPECT_EQ(second.Wait(std::chrono::seconds(10)), 0) << second.Output();
  StopDaemon();
  EXPECT_EQ(Output().rfind("Name: Scale A\n", 0), 0u) << Output();
  EXPECT_NE(second.Output().find("Name: Scale B"), std::string::npos) << second.Output();
}

}  // namespace
}  // namespace keldo::test
