#include "engine/serial_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/fake_serial_device.h"
#include "tests/support/registry_sandbox.h"

namespace keldo {
namespace {

using Clock = std::chrono::steady_clock;
using test::FakeSerialDevice;

// Each device gets a number of its own, so no test meets what an earlier one left.
// Two digits: on Windows these names need the device namespace.
std::int32_t NextPort() {
  static std::int32_t next = 40;
  return next++;
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Polls like the controller until a call takes a carriage return.
bool PollForLine(SerialChannel& channel) {
  const auto start = Clock::now();
  while (MillisecondsSince(start) < 3000) {
    if (channel.ReadLine()) {
      return true;
    }
  }
  return false;
}

class SerialChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(device_.Error(), "");
    ASSERT_TRUE(channel_.OpenPort(port_, "19200,e,8,1"));
    ASSERT_TRUE(channel_.PortOpen());
  }

  bool PollForLine() { return keldo::PollForLine(channel_); }

  // Polls until length bytes are held; each of those polls must find no line.
  void PollUntilHeld(std::int32_t length) {
    const auto start = Clock::now();
    while (channel_.LineLength() < length && MillisecondsSince(start) < 3000) {
      ASSERT_FALSE(channel_.ReadLine());
    }
    ASSERT_EQ(channel_.LineLength(), length);
  }

  std::string Line() const {
    return std::string(channel_.LineBuffer().begin(),
                       channel_.LineBuffer().begin() + channel_.LineLength());
  }

  test::RegistrySandbox registry_;
  const std::int32_t port_ = NextPort();
  FakeSerialDevice device_{port_};
  SerialChannel channel_;
};

TEST_F(SerialChannelTest, CollectsALineAcrossPolls) {
  device_.Send("ABC");
  PollUntilHeld(3);
  device_.Send("DE\r");
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(Line(), "ABCDE\r");
}

TEST_F(SerialChannelTest, LeavesBytesAfterTheCarriageReturnForTheNextCall) {
  device_.Send("A\rB\rC\r");
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(Line(), "A\r");
  // Forwarding does not empty the buffer, so the next line joins the first.
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(Line(), "A\rB\r");
  // A write starts a fresh reply.
  channel_.WritePort("Q", 1);
  EXPECT_EQ(channel_.LineLength(), 0);
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(Line(), "C\r");
  EXPECT_EQ(device_.Receive(1, 2000), "Q");
}

TEST_F(SerialChannelTest, PassesEveryByteValueUnchangedBothWays) {
  // Caught here: CR/NL translation, stripped high bits, XON/XOFF, signal and
  // editing characters, echo, output processing.
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all.push_back(static_cast<char>(b));
  }
  std::string line = all;
  line.erase(line.find('\r'), 1);
  device_.Send(line + "\r");
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(Line(), line + "\r");

  channel_.WritePort(all.data(), static_cast<std::int32_t>(all.size()));
  EXPECT_EQ(device_.Receive(all.size(), 2000), all);
  EXPECT_EQ(device_.Receive(1, 50), "") << "echo or extra bytes";
}

TEST_F(SerialChannelTest, CutsLinesLongerThanTheBuffer) {
  device_.Send(std::string(1022, 'x') + "\r");
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(channel_.LineLength(), 1023);
  EXPECT_EQ(Line(), std::string(1022, 'x') + "\r");

  channel_.WritePort(nullptr, 0);  // empties the buffer, writes nothing
  EXPECT_EQ(channel_.LineLength(), 0);
  // The carriage return finds the buffer full: it empties it and is dropped.
  device_.Send(std::string(1023, 'y') + "\r");
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(channel_.LineLength(), 0);

  std::string longLine;
  for (int i = 0; i < 1030; ++i) {
    longLine.push_back(static_cast<char>('a' + i % 26));
  }
  device_.Send(longLine + "\r");
  ASSERT_TRUE(PollForLine());
  EXPECT_EQ(Line(), longLine.substr(1024) + "\r");
  EXPECT_EQ(device_.Receive(1, 50), "");
}

TEST_F(SerialChannelTest, RefusesWhatItCannotOpenAndStaysClosed) {
  channel_.ClosePort();
  SerialChannel other;
  EXPECT_FALSE(other.OpenPort(250, "9600,n,8,1"));  // no such port
  EXPECT_FALSE(other.OpenPort(0, "9600,n,8,1"));
  EXPECT_FALSE(other.OpenPort(-port_, "9600,n,8,1"));
  for (const char* mode : {"9600,n,7,1", "9600,o,8,1", "19200,E,8,1", "12345,n,8,1", ""}) {
    EXPECT_FALSE(other.OpenPort(port_, mode)) << mode;
    EXPECT_FALSE(other.PortOpen()) << mode;
  }
  // None of the refusals left the device held.
  ASSERT_TRUE(other.OpenPort(port_, "9600,n,8,1"));
  device_.Send("ok\r");
  EXPECT_TRUE(keldo::PollForLine(other));
}

TEST_F(SerialChannelTest, ClosedChannelIgnoresReadsAndWrites) {
  device_.Send("AB");
  PollUntilHeld(2);
  channel_.ClosePort();
  EXPECT_FALSE(channel_.PortOpen());
  channel_.ClosePort();
  EXPECT_FALSE(channel_.PortOpen());

  channel_.WritePort("Z", 1);
  EXPECT_EQ(channel_.LineLength(), 2);
  EXPECT_FALSE(channel_.ReadLine());
  EXPECT_EQ(device_.Receive(1, 100), "");

  ASSERT_TRUE(channel_.OpenPort(port_, "19200,e,8,1"));
  EXPECT_EQ(channel_.LineLength(), 0);
}

TEST_F(SerialChannelTest, EmptyQueueCostsAboutTheReadTimeout) {
  std::vector<double> calls;
  for (int i = 0; i < 40; ++i) {
    const auto start = Clock::now();
    ASSERT_FALSE(channel_.ReadLine());
    calls.push_back(MillisecondsSince(start));
  }
  std::sort(calls.begin(), calls.end());
  EXPECT_GE(calls[20], 0.8);   // waits for the device...
  EXPECT_LT(calls[20], 10.0);  // ...for about a millisecond, not a tick of 100 ms
}

TEST_F(SerialChannelTest, VanishedDeviceReadsNothingAndStillCloses) {
  device_.Send("AB");
  PollUntilHeld(2);
  EXPECT_FALSE(channel_.DeviceGone());
  device_.Vanish();

  const auto start = Clock::now();
  for (int i = 0; i < 40; ++i) {
    EXPECT_FALSE(channel_.ReadLine());
  }
  EXPECT_LT(MillisecondsSince(start), 40 * 10.0) << "blocks, or spins in a driver";

  const auto writeStart = Clock::now();
  channel_.WritePort("lost", 4);
  EXPECT_LT(MillisecondsSince(writeStart), 500.0);
  EXPECT_EQ(channel_.LineLength(), 0);

  EXPECT_TRUE(channel_.PortOpen());
  EXPECT_TRUE(channel_.DeviceGone());
  channel_.ClosePort();
  EXPECT_FALSE(channel_.PortOpen());
  EXPECT_FALSE(channel_.DeviceGone());
  EXPECT_FALSE(channel_.OpenPort(port_, "19200,e,8,1"));

  // Plugged in again, it is the same port and works as before.
  FakeSerialDevice back(port_);
  ASSERT_EQ(back.Error(), "");
  ASSERT_TRUE(channel_.OpenPort(port_, "19200,e,8,1"));
  EXPECT_FALSE(channel_.DeviceGone());
  back.Send("C\r");
  EXPECT_TRUE(PollForLine());
  channel_.WritePort("ok", 2);
  EXPECT_EQ(back.Receive(2, 2000), "ok");
}

TEST(SerialChannel, OpensSingleDigitPortNumbers) {
  test::RegistrySandbox registry;
  FakeSerialDevice device(7);
  ASSERT_EQ(device.Error(), "");
  SerialChannel channel;
  ASSERT_TRUE(channel.OpenPort(7, "230400,n,8,1"));
  channel.WritePort("hi\r", 3);
  EXPECT_EQ(device.Receive(3, 2000), "hi\r");
}

}  // namespace
}  // namespace keldo
