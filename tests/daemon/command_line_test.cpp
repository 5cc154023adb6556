#include "apps/keldo-linkd/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/platform/serial_device_names.h"
#include "engine/registry.h"
#include "engine/settings_store.h"
#include "keldo_version.h"
#include "tests/daemon/command_runner.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/serial_comm_values.h"

namespace keldo::test {
namespace {

using Action = DaemonCommand::Action;

struct ParseCase {
  std::vector<std::string> args;
  std::optional<int> exitCode;  // none: a command that runs the link
  std::string outStart;
  std::string errStart;
};

TEST(CommandLineTest, OptionsAnswerOrNameWhatWasNotUnderstood) {
  const std::string version = std::string("keldo-linkd ") + kVersion + "\n";
  const ParseCase cases[] = {
      {{}, std::nullopt, "", ""},
      {{"--version"}, 0, version, ""},
      {{"--help"}, 0, "Usage: keldo-linkd", ""},
      {{"--verison"}, 2, "", "keldo-linkd: unknown option --verison\nUsage: keldo-linkd"},
      {{"-v"}, 2, "", "keldo-linkd: unknown option -v\n"},
      {{"--version", "x"}, 2, "", "keldo-linkd: --version goes alone\n"},
      {{"--instance"}, 2, "", "keldo-linkd: --instance needs a name\n"},
      {{"--instance=a/b"}, 2, "", "keldo-linkd: --instance takes letters, digits, - and _"},
      {{"--instance", std::string(33, 'a')}, 2, "", "keldo-linkd: --instance takes letters"},
      {{"--instance", "a", "--instance", "b"}, 2, "", "keldo-linkd: --instance is given twice"},
      {{"--set"}, 2, "", "keldo-linkd: --set needs at least one Name=value\n"},
      {{"--set", "ServerPort"}, 2, "", "keldo-linkd: --set takes Name=value, not \"ServerPort\""},
      {{"--show", "--set", "ServerID=2"}, 2, "", "keldo-linkd: --show and --set do not go"},
      {{"--trace="}, 2, "", "keldo-linkd: --trace= needs a file name\n"},
      {{"--trace", "--show"}, 2, "", "keldo-linkd: --trace goes with running the link"},
      {{"--trace", "--install-service"}, 2, "", "keldo-linkd: a service has no standard error"},
      {{"--list-ports", "--instance", "a"}, 2, "", "keldo-linkd: --list-ports lists the"},
      {{"--trace", "--instance", "scale-2_b"}, std::nullopt, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front());
    const CommandOutcome got = RunCommandLine(c.args);
    EXPECT_EQ(got.exitCode, c.exitCode);
    EXPECT_EQ(got.out.rfind(c.outStart, 0), 0u) << got.out;
    EXPECT_EQ(got.err.rfind(c.errStart, 0), 0u) << got.err;
  }
  const DaemonCommand run = RunCommandLine({"--instance=A1", "--trace=t.txt"}).command;
  EXPECT_EQ(run.action, Action::RunLink);
  EXPECT_EQ(run.instance, "A1");
  EXPECT_EQ(run.trace, "t.txt");
}

constexpr const char* kDefaults =
    "ServerID=1 (default)\nServerName=KELDO (default)\nServerMode=1 (default)\n"
    "ServerHost=127.0.0.1 (default)\nServerPort=5001 (default)\nServerAutoStart=0 (default)\n"
    "COMPort=1 (default)\nCOMBaud=5 (19200,e,8,1) (default)\nServerBind= (default)\n"
    "ServerAllow= (default)\n";

struct SetCase {
  std::string assignment;
  std::string shown;  // the line --set shows, or the start of its error
};

// Every value is checked before anything is written: a bad one names the
// setting and what it takes, and leaves the key as it was (here: absent).
TEST(CommandLineTest, SetRefusesBadValuesWithNothingWritten) {
  RegistrySandbox registry;
  std::vector<SetCase> cases = {
      {"ServerPort=0", "ServerPort takes 1 to 65535, not \"0\""},
      {"ServerPort=65536", "ServerPort takes 1 to 65535"},
      {"ServerPort=+80", "ServerPort takes 1 to 65535"},
      {"ServerMode=2", "ServerMode takes 0 (client) or 1 (server), not \"2\""},
      {"ServerID=0", "ServerID takes 1 to 9999"},
      {"ServerAutoStart=yes", "ServerAutoStart takes 0 or 1"},
      {"COMBaud=14", "COMBaud takes 0 to 13 or its mode"},
      {"COMBaud=19200,o,8,1", "COMBaud takes 0 to 13 or its mode"},
      {"COMPort=0", "COMPort takes 1 to 255, COM1 to COM255"},
      {"COMPort=COM256", "COMPort takes 1 to 255, COM1 to COM255"},
      {"COMPort=/no/such/device", "COMPort takes 1 to 255"},
      {"ServerName=Scale\t1", "ServerName takes text without control characters"},
      {"ServerHost=a\x7f", "ServerHost takes text without control characters"},
      {"ServerBind=10.0.0.1 10.0.0.2", "ServerBind takes one IPv4 address, or nothing"},
      {"ServerAllow=10.0.0.0/33", "ServerAllow takes IPv4 addresses and ranges"},
      {"ServerSpeed=5", "ServerSpeed is not a setting; the settings are ServerID"},
  };
  if (!SerialDevicePathProblem("/dev/null").empty()) {  // not a port's name here
    cases.push_back({"COMPort=/dev/null", "COMPort takes"});
  }
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.assignment);
    // A good value beside it is not written either.
    const CommandOutcome got = RunCommandLine({"--set", "ServerID=7", c.assignment});
    EXPECT_EQ(got.exitCode, 2);
    EXPECT_EQ(got.err.rfind("keldo-linkd: " + c.shown, 0), 0u) << got.err;
  }
  const CommandOutcome shown = RunCommandLine({"--show"});
  EXPECT_EQ(shown.exitCode, 0);
  EXPECT_EQ(shown.out, kDefaults);
  EXPECT_EQ(shown.err, "");
}

TEST(CommandLineTest, SetStoresCheckedValuesThatShowThenShows) {
  RegistrySandbox registry;
  const SetCase cases[] = {
      {"serverport=6000", "ServerPort=6000"},
      {"ServerMode=client", "ServerMode=0"},
      {"ServerMode=SERVER", "ServerMode=1"},
      {"COMBaud=115200,E,8,1", "COMBaud=11 (115200,e,8,1)"},
      {"COMPort=com7", "COMPort=7"},
      {"COMPort=255", "COMPort=255"},
      {"ServerID=9999", "ServerID=9999"},
      {"ServerName=Scale 2 (left)", "ServerName=Scale 2 (left)"},
      {"ServerHost=", "ServerHost="},
      {"ServerAutoStart=1", "ServerAutoStart=1"},
      {"ServerBind=127.0.0.1", "ServerBind=127.0.0.1"},
      {"ServerAllow=192.168.1.0/24, 10.0.0.7", "ServerAllow=192.168.1.0/24, 10.0.0.7"},
      {"ServerBind=", "ServerBind="},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.assignment);
    const CommandOutcome got = RunCommandLine({"--set", c.assignment});
    EXPECT_EQ(got.exitCode, 0) << got.err;
    EXPECT_EQ(got.out, c.shown + "\n");
  }
  // The first write made the key with all eight values, as a save does: the
  // mode is still the server's it was, not the client's a bare key means.
  const CommandOutcome shown = RunCommandLine({"--show"});
  EXPECT_EQ(shown.out,
            "ServerID=9999\nServerName=Scale 2 (left)\nServerMode=1\nServerHost=\n"
            "ServerPort=6000\nServerAutoStart=1\nCOMPort=255\nCOMBaud=11 (115200,e,8,1)\n"
            "ServerBind=\nServerAllow=192.168.1.0/24, 10.0.0.7\n");
  // Into a key that exists only the values given go: here an instance's key
  // that holds a host and no mode, which loads as a client.
  {
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    ASSERT_TRUE(reg.OpenPath(InstanceSettingsKey("scale2"), true));
    reg.WriteText("ServerHost", "10.0.0.7");
  }
  const CommandOutcome instance =
      RunCommandLine({"--instance", "scale2", "--set", "ServerPort=6001", "ServerID=2"});
  EXPECT_EQ(instance.out, "ServerID=2\nServerPort=6001\n");
  LinkSettings stored;
  Load(stored, InstanceSettingsKey("scale2"));
  EXPECT_EQ(stored.ServerPort, 6001);
  EXPECT_EQ(stored.ServerMode, 0);
  EXPECT_EQ(stored.ServerHost, "10.0.0.7");
  Load(stored);
  EXPECT_EQ(stored.ServerPort, 6000);
}

// On Linux a device path gets a COM number: its own where the map has one,
// else the lowest free one. Windows names its ports itself.
TEST(CommandLineTest, ADevicePathTakesItsNumberFromTheSerialPortMap) {
  RegistrySandbox registry;
  if (!SerialDevicePathProblem("/dev/null").empty()) {
    GTEST_SKIP() << "serial devices are not named by path here";
  }
  const SerialCommValues values({{"/dev/kt-mapped", std::string("COM1")}});
  ASSERT_TRUE(values.Written());
  EXPECT_EQ(RunCommandLine({"--set", "COMPort=/dev/kt-mapped"}).out,
            "COMPort=1 (/dev/kt-mapped)\n");
  EXPECT_EQ(RunCommandLine({"--set", "COMPort=/dev/null"}).out, "COMPort=2 (/dev/null)\n");
  EXPECT_EQ(RunCommandLine({"--set", "COMPort=/dev/null"}).out, "COMPort=2 (/dev/null)\n");
  const CommandOutcome listed = RunCommandLine({"--list-ports"});
  EXPECT_EQ(listed.out.rfind("COM1 (/dev/kt-mapped)\nCOM2 (/dev/null)\n", 0), 0u) << listed.out;
}

TEST(CommandLineTest, ListPortsGivesWhatTheDialogLists) {
  RegistrySandbox registry;
  const SerialCommValues values({{"/dev/kt-a", std::string("COM5")}});
  ASSERT_TRUE(values.Written());
  const CommandOutcome listed = RunCommandLine({"--list-ports"});
  EXPECT_EQ(listed.exitCode, 0);
  const bool paths = SerialDevicePathProblem("/dev/null").empty();
  EXPECT_EQ(listed.out.rfind(paths ? "COM5 (/dev/kt-a)\n" : "COM5\n", 0), 0u) << listed.out;
}

}  // namespace
}  // namespace keldo::test
