// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/settings_store.h"
#include "tests/daemon/command_runner.h"
#include "tests/daemon/daemon_fixture.h"

namespace keldo::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kInstance = "svctest";
constexpr const char* kName = "KELDOLink-svctest";

// Calls use(service) on the service opened with access; false when it is
// not installed.
template <class Use>
bool WithService(DWORD access, Use use) {
  const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  const SC_HANDLE service = manager != nullptr ? ::OpenServiceA(manager, kName, access) : nullptr;
  const bool used = service != nullptr && use(service);
  for (const SC_HANDLE handle : {service, manager}) {
    if (handle != nullptr) {
      ::CloseServiceHandle(handle);
    }
  }
  return used;
}

std::optional<SERVICE_STATUS> Status() {
  SERVICE_STATUS status{};
  if (!WithService(SERVICE_QUERY_STATUS,
                   [&](SC_HANDLE service) { return ::QueryServiceStatus(service, &status); })) {
    return std::nullopt;
  }
  return status;
}

bool SendControl(DWORD control) {
  SERVICE_STATUS status{};
  return WithService(SERVICE_PAUSE_CONTINUE, [&](SC_HANDLE service) {
    return ::ControlService(service, control, &status) != FALSE;
  });
}

// keldo-linkd.exe --install-service and its peers, under Wine's own service
// manager, with a pseudo-terminal device and loopback peers.
class ServiceTest : public DaemonProcessTest {
 protected:
  ~ServiceTest() override {
    if (Status()) {
      Run(KELDO_LINKD_PATH, {"--uninstall-service", "--instance", kInstance});
    }
  }

  int Run(const std::filesystem::path& program, const std::vector<std::string>& args) {
    ChildProcess child(program, output_.path() / ("run-" + std::to_string(runs_++) + ".txt"), args);
    const std::optional<int> code = child.Wait(60s);
    said_ = child.Output();
    return code.value_or(-1);
  }
  int Net(const char* verb) { return Run("C:\\windows\\system32\\net.exe", {verb, kName}); }

  std::string said_;
  int runs_ = 0;
};

TEST_F(ServiceTest, NetStartRunsTheLinkAParamchangeReloadsItAndNetStopEndsItInOrder) {
  const std::uint16_t port = FreePort();
  Store(1, port, "KELDO", "127.0.0.1", InstanceSettingsKey(kInstance));
  ASSERT_EQ(Run(KELDO_LINKD_PATH, {"--install-service", "--instance", kInstance}), 0) << said_;
  ASSERT_TRUE(Status());
  ASSERT_EQ(Net("start"), 0) << said_;
  EXPECT_TRUE(Until([] { return Status()->dwCurrentState == SERVICE_RUNNING; }, 10s));

  Peer peer;
  ASSERT_TRUE(Until([&] { return peer.Connect(port); }, 10s));
  ASSERT_TRUE(peer.Send("T\r"));
  EXPECT_EQ(device_.Receive(2, 5000), "T\r");
  device_.Send("W 1.50\r");
  EXPECT_EQ(Read(peer, 7), "W 1.50\r");

  // paramchange does what SIGHUP does on Linux: Stop sequence, Start anew.
  const std::uint16_t after = FreePort();
  ASSERT_EQ(
      RunCommandLine({"--instance", kInstance, "--set", "ServerPort=" + std::to_string(after)})
          .exitCode,
      0);
  ASSERT_TRUE(SendControl(SERVICE_CONTROL_PARAMCHANGE));
  EXPECT_TRUE(Until([&] { return peer.AtEnd(); }, 10s));
  Peer moved;
  ASSERT_TRUE(Until([&] { return moved.Connect(after); }, 10s));
  ASSERT_TRUE(moved.Send("Z\r"));
  EXPECT_EQ(device_.Receive(2, 5000), "Z\r");

  ASSERT_EQ(Net("stop"), 0) << said_;
  EXPECT_TRUE(Until([&] { return moved.AtEnd(); }, 10s));
  // Stopped by its own report after the Stop sequence: a process that died
  // would show ERROR_PROCESS_ABORTED.
  ASSERT_TRUE(Status());
  EXPECT_EQ(Status()->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Status()->dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));

  ASSERT_EQ(Run(KELDO_LINKD_PATH, {"--uninstall-service", "--instance", kInstance}), 0) << said_;
  EXPECT_FALSE(Status());
  EXPECT_EQ(Run(KELDO_LINKD_PATH, {"--uninstall-service", "--instance", kInstance}), 1);
  EXPECT_NE(said_.find("keldo-linkd: no service KELDOLink-svctest is installed"), std::string::npos)
      << said_;
}

// A service that cannot listen ends with its own non-zero exit code, which
// the failure actions (restart after 5 s) act on.
TEST_F(ServiceTest, AServiceThatCannotListenStopsWithAnExitCodeOfItsOwn) {
  Listener squatter;
  Store(1, squatter.Port(), "KELDO", "127.0.0.1", InstanceSettingsKey(kInstance));
  ASSERT_EQ(Run(KELDO_LINKD_PATH, {"--install-service", "--instance", kInstance}), 0) << said_;
  Net("start");
  ASSERT_TRUE(Until([] { return Status() && Status()->dwCurrentState == SERVICE_STOPPED; }, 20s));
  EXPECT_EQ(Status()->dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
  EXPECT_EQ(Status()->dwServiceSpecificExitCode, 1u);
}

}  // namespace
}  // namespace keldo::test
