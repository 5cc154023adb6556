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

// The service's status, after the control when one is given; nothing when it
// is not installed or the control failed.
std::optional<SERVICE_STATUS> Service(DWORD control = 0) {
  const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  const SC_HANDLE service =
      manager != nullptr
          ? ::OpenServiceA(manager, kName, SERVICE_QUERY_STATUS | SERVICE_PAUSE_CONTINUE)
          : nullptr;
  SERVICE_STATUS status{};
  const bool got = service != nullptr && (control != 0 ? ::ControlService(service, control, &status)
                                                       : ::QueryServiceStatus(service, &status));
  for (const SC_HANDLE handle : {service, manager}) {
    if (handle != nullptr) {
      ::CloseServiceHandle(handle);
    }
  }
  return got ? std::optional(status) : std::nullopt;
}

// keldo-linkd.exe --install-service and its peers, under Wine's own service
// manager, with a pseudo-terminal device and loopback peers.
class ServiceTest : public DaemonProcessTest {
 protected:
  ~ServiceTest() override {
    if (Service()) {
      Linkd("--uninstall-service");
    }
  }

  int Run(const std::filesystem::path& program, const std::vector<std::string>& args) {
    ChildProcess child(program, output_.path() / ("run-" + std::to_string(runs_++) + ".txt"), args);
    const std::optional<int> code = child.Wait(60s);
    said_ = child.Output();
    return code.value_or(-1);
  }
  int Linkd(const char* verb) { return Run(KELDO_LINKD_PATH, {verb, "--instance", kInstance}); }
  int Net(const char* verb) { return Run("C:\\windows\\system32\\net.exe", {verb, kName}); }

  std::string said_;
  int runs_ = 0;
};

TEST_F(ServiceTest, NetStartRunsTheLinkAParamchangeReloadsItAndNetStopEndsItInOrder) {
  const std::uint16_t port = FreePort();
  Store(1, port, "KELDO", "127.0.0.1", InstanceSettingsKey(kInstance));
  ASSERT_EQ(Linkd("--install-service"), 0) << said_;
  ASSERT_TRUE(Service());
  ASSERT_EQ(Net("start"), 0) << said_;
  EXPECT_TRUE(Until([] { return Service()->dwCurrentState == SERVICE_RUNNING; }, 10s));

  Peer peer;
  ASSERT_TRUE(Until([&] { return peer.Connect(port); }, 10s));
  ExpectCarried(peer, device_, "T\r", "W 1.50\r");

  // paramchange does what SIGHUP does on Linux: Stop sequence, Start anew.
  const std::uint16_t after = FreePort();
  ASSERT_EQ(
      RunCommandLine({"--instance", kInstance, "--set", "ServerPort=" + std::to_string(after)})
          .exitCode,
      0);
  ASSERT_TRUE(Service(SERVICE_CONTROL_PARAMCHANGE));
  EXPECT_TRUE(Until([&] { return peer.AtEnd(); }, 10s));
  Peer moved;
  ASSERT_TRUE(Until([&] { return moved.Connect(after); }, 10s));
  ExpectCarried(moved, device_, "Z\r", "W 1.60\r");

  ASSERT_EQ(Net("stop"), 0) << said_;
  EXPECT_TRUE(Until([&] { return moved.AtEnd(); }, 10s));
  // Stopped by its own report after the Stop sequence: a process that died
  // would show ERROR_PROCESS_ABORTED.
  const std::optional<SERVICE_STATUS> stopped = Service();
  ASSERT_TRUE(stopped);
  EXPECT_EQ(stopped->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(stopped->dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));

  ASSERT_EQ(Linkd("--uninstall-service"), 0) << said_;
  EXPECT_FALSE(Service());
  EXPECT_EQ(Linkd("--uninstall-service"), 1);
  EXPECT_NE(said_.find("keldo-linkd: no service KELDOLink-svctest is installed"), std::string::npos)
      << said_;
}

// A service that cannot listen ends with its own non-zero exit code, which
// the failure actions (restart after 5 s) act on.
TEST_F(ServiceTest, AServiceThatCannotListenStopsWithAnExitCodeOfItsOwn) {
  Listener squatter;
  Store(1, squatter.Port(), "KELDO", "127.0.0.1", InstanceSettingsKey(kInstance));
  ASSERT_EQ(Linkd("--install-service"), 0) << said_;
  Net("start");
  ASSERT_TRUE(Until([] { return Service() && Service()->dwCurrentState == SERVICE_STOPPED; }, 20s));
  EXPECT_EQ(Service()->dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
  EXPECT_EQ(Service()->dwServiceSpecificExitCode, 1u);
}

}  // namespace
}  // namespace keldo::test
