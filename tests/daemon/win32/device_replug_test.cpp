#include "tests/daemon/daemon_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace keldo::test {
namespace {

// A USB adapter pulled and plugged in again: the loss is reported, and the
// device is served again at the same port without a restart. Windows gives a
// device its COM number by its identity, so what opens as the same COM port
// again is that device (on Linux the test's device, a pseudo-terminal, never
// comes back: terminal_replug_test).
TEST_F(DaemonProcessTest, AVanishedDeviceIsReportedAndServedAgainOnceItIsBack) {
  const std::uint16_t port = FreePort();
  Store(1, port);
  Start();
  ASSERT_TRUE(WaitForOutput("COM Port Open Ok.")) << Output();
  Peer peer;
  ASSERT_TRUE(peer.Connect(port));
  ASSERT_TRUE(WaitForOutput("Socket Connect.")) << Output();

  device_.Vanish();
  const std::string com = "COM" + std::to_string(device_.PortNumber());
  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + com + " has gone away")) << Output();
  FakeSerialDevice back(device_.PortNumber());
  ASSERT_EQ(back.Error(), "");
  ASSERT_TRUE(WaitForOutput("keldo-linkd: " + com + " is back: reopened")) << Output();

  back.Send("W 3.00\r");
  EXPECT_EQ(Read(peer, 7), "W 3.00\r");
  ASSERT_TRUE(peer.Send("T\r"));
  EXPECT_EQ(back.Receive(2, 3000), "T\r");
  StopDaemon();
}

}  // namespace
}  // namespace keldo::test
