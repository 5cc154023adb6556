#include "engine/platform/posix/serial_termios.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/registry.h"
#include "engine/serial_channel.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/temp_dir.h"

namespace keldo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kPort = 12;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double ThreadCpuMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

class TermiosPortTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(device_.Error(), ""); }

  // The far side of a terminal reaches the near side's line settings.
  termios Settings() const {
    termios t{};
    EXPECT_EQ(tcgetattr(Far(), &t), 0);
    return t;
  }
  int Far() const { return static_cast<int>(device_.NativeHandle()); }
  std::string NearPath() const { return ptsname(Far()); }

  test::RegistrySandbox registry_;
  test::FakeSerialDevice device_{kPort};
  SerialChannel channel_;
};

TEST_F(TermiosPortTest, RawWhileOpenAndPutBackAsFoundAtClose) {
  termios found = Settings();
  found.c_cc[VINTR] = 0x07;  // settings the link has no business with stay
  found.c_iflag |= IGNPAR;
  found.c_cflag |= HUPCL;
  cfsetspeed(&found, B9600);
  ASSERT_EQ(tcsetattr(Far(), TCSANOW, &found), 0);
  found = Settings();

  ASSERT_TRUE(channel_.OpenPort(kPort, "230400,n,8,1"));
  const termios open = Settings();
  EXPECT_EQ(cfgetospeed(&open), static_cast<speed_t>(B230400));
  EXPECT_EQ(cfgetispeed(&open), static_cast<speed_t>(B230400));
  EXPECT_EQ(open.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(open.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
  EXPECT_EQ(open.c_oflag & OPOST, 0u);
  EXPECT_EQ(open.c_cflag & (CSIZE | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(open.c_cflag & (CREAD | CLOCAL | HUPCL), static_cast<tcflag_t>(CREAD | CLOCAL | HUPCL));
  EXPECT_EQ(open.c_cc[VINTR], 0x07);
  EXPECT_NE(open.c_iflag & IGNPAR, 0u);

  channel_.ClosePort();
  const termios back = Settings();
  EXPECT_EQ(back.c_iflag, found.c_iflag);
  EXPECT_EQ(back.c_oflag, found.c_oflag);
  EXPECT_EQ(back.c_cflag, found.c_cflag);
  EXPECT_EQ(back.c_lflag, found.c_lflag);
  EXPECT_EQ(cfgetospeed(&back), cfgetospeed(&found));
  EXPECT_EQ(std::string(back.c_cc, back.c_cc + NCCS), std::string(found.c_cc, found.c_cc + NCCS));
}

// Asking a terminal for nothing but parity, which it ignores, fails on recent
// kernels; a line already raw at the speed asked must still open.
TEST_F(TermiosPortTest, OpensALineThatIsAlreadyRaw) {
  termios raw = Settings();
  ApplyLineMode(*ParseModeString("19200,n,8,1"), raw);
  ASSERT_EQ(tcsetattr(Far(), TCSANOW, &raw), 0);
  ASSERT_TRUE(channel_.OpenPort(kPort, "19200,e,8,1"));
}

// A terminal driver ignores parity, so the mapping is checked on its own.
TEST(ModeString, MapsParityAndRefusesWhatTheLinkCannotExpress) {
  termios t{};
  t.c_cflag = CS7 | PARODD | CSTOPB | CRTSCTS;
  ApplyLineMode(*ParseModeString("19200,e,8,1"), t);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS),
            static_cast<tcflag_t>(CS8 | PARENB));
  ApplyLineMode(*ParseModeString("4800,n,8,1"), t);
  EXPECT_EQ(t.c_cflag & PARENB, 0u);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
  for (const char* mode :
       {"19200,o,8,1", "19200,e,7,1", "19200,e,8,2", "19201,n,8,1", "19200,n,8", "+19200,n,8,1"}) {
    EXPECT_FALSE(ParseModeString(mode)) << mode;
  }
}

TEST_F(TermiosPortTest, PortIsExclusive) {
  ASSERT_TRUE(channel_.OpenPort(kPort, "9600,n,8,1"));
  SerialChannel second;
  EXPECT_FALSE(second.OpenPort(kPort, "9600,n,8,1"));
  channel_.ClosePort();
  ASSERT_TRUE(second.OpenPort(kPort, "9600,n,8,1"));
  second.ClosePort();

  // Another program that holds the lock.
  const int other = open(NearPath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  EXPECT_FALSE(channel_.OpenPort(kPort, "9600,n,8,1"));
  close(other);
}

TEST_F(TermiosPortTest, VanishedDeviceCostsTheTimeoutButNoCpu) {
  ASSERT_TRUE(channel_.OpenPort(kPort, "9600,n,8,1"));
  device_.Vanish();
  const auto start = Clock::now();
  const double cpuStart = ThreadCpuMilliseconds();
  for (int i = 0; i < 100; ++i) {
    ASSERT_FALSE(channel_.ReadLine());
  }
  const double wall = MillisecondsSince(start);
  const double cpu = ThreadCpuMilliseconds() - cpuStart;
  // A hung-up terminal reports ready at once: without waiting the timeout out, a
  // caller polling in a loop would spin.
  EXPECT_GE(wall, 100 * 0.9);
  EXPECT_LT(wall, 100 * 5.0);
  EXPECT_LT(cpu, wall / 4) << "cpu " << cpu << " ms of " << wall << " ms";
}

TEST_F(TermiosPortTest, WriteToADeviceThatStopsReadingGivesUp) {
  ASSERT_TRUE(channel_.OpenPort(kPort, "230400,n,8,1"));
  const std::string block(4096, 'w');
  double slowest = 0;
  for (int i = 0; i < 64 && slowest < 50; ++i) {
    const auto start = Clock::now();
    channel_.WritePort(block.data(), static_cast<std::int32_t>(block.size()));
    slowest = std::max(slowest, MillisecondsSince(start));
  }
  ASSERT_GE(slowest, 50) << "the terminal never filled up";
  // 4096 bytes at 230400 bit/s take 178 ms on the wire; twice that plus 200 ms.
  EXPECT_LT(slowest, 1500);
  const auto start = Clock::now();
  channel_.ClosePort();
  EXPECT_LT(MillisecondsSince(start), 1500);
}

TEST(TermiosPort, RefusesMappedPathsThatAreNoTerminal) {
  test::RegistrySandbox registry;
  test::TempDir dir;
  const std::string file = (dir.path() / "plain-file").string();
  std::fclose(std::fopen(file.c_str(), "w"));
  {
    TRegistry key;
    key.SelectRoot(RegistryRoot::LocalMachine);
    ASSERT_TRUE(key.OpenPath(kSerialCommKey, true));
    key.WriteText(file, "COM13");
    key.WriteText(dir.path().string(), "COM14");
    key.WriteText("/dev/null", "COM15");
  }
  SerialChannel channel;
  for (std::int32_t port : {13, 14, 15}) {
    EXPECT_FALSE(channel.OpenPort(port, "9600,n,8,1")) << port;
    EXPECT_FALSE(channel.PortOpen());
  }
}

}  // namespace
}  // namespace keldo
