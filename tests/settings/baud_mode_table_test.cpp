#include "engine/link_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace keldo {
namespace {

TEST(BaudModeTable, EachSpeedComesWithoutThenWithEvenParity) {
  const char* speeds[] = {"4800", "9600", "19200", "38400", "57600", "115200", "230400"};
  ASSERT_EQ(BaudModeTable.size(), 14u);
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(BaudModeTable[2 * i], std::string(speeds[i]) + ",n,8,1");
    EXPECT_EQ(BaudModeTable[2 * i + 1], std::string(speeds[i]) + ",e,8,1");
  }
}

TEST(ModeString, OutOfRangeIndexYieldsTheDefaultEntry) {
  EXPECT_EQ(ModeString(0), "4800,n,8,1");
  EXPECT_EQ(ModeString(13), "230400,e,8,1");
  EXPECT_EQ(ModeString(14), "19200,e,8,1");
  EXPECT_EQ(ModeString(-1), "19200,e,8,1");
  EXPECT_EQ(ModeString(INT32_MIN), "19200,e,8,1");
}

TEST(LinkSettings, DefaultsAreTheDocumentedOnes) {
  const LinkSettings s = DefaultLinkSettings();
  EXPECT_EQ(s.ServerID, 1);
  EXPECT_EQ(s.ServerName, "KELDO");
  EXPECT_EQ(s.ServerMode, 1);
  EXPECT_EQ(s.ServerHost, "127.0.0.1");
  EXPECT_EQ(s.ServerPort, 5001);
  EXPECT_EQ(s.ServerAutoStart, 0);
  EXPECT_EQ(s.COMPort, 1);
  EXPECT_EQ(ModeString(s.COMBaud), "19200,e,8,1");
}

}  // namespace
}  // namespace keldo
