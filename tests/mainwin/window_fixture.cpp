#include "tests/mainwin/window_fixture.h"

#include <algorithm>

#include "engine/settings_store.h"
#include "tests/support/test_loop.h"

namespace keldo::test {
namespace {

// A COM number per device, apart from the other suites' (40, 60, 90 up).
std::int32_t NextComPort() {
  static std::int32_t next = 130;
  return next++;
}

}  // namespace

WindowFixture::WindowFixture() : loop_(TestLoop()), toolkit_(loop_) {
  loop_.SetErrorReport([this](const std::exception& e) { errors_.push_back(e.what()); });
}

WindowFixture::~WindowFixture() {
  window_.reset();
  timers_.clear();
}

LinkSettings WindowFixture::Settings(std::int32_t serverMode, std::uint16_t port,
                                     std::int32_t comPort) {
  LinkSettings s = DefaultLinkSettings();
  s.ServerMode = serverMode;
  s.ServerHost = "127.0.0.1";
  s.ServerPort = port;
  s.ServerName = "Bench 3";
  s.COMPort = comPort;
  return s;
}

void WindowFixture::Store(const LinkSettings& settings) {
  const StoreResult stored = Save(settings);
  ASSERT_TRUE(stored.written) << stored.failure;
}

std::int32_t WindowFixture::MakeDevice() {
  device_ = std::make_unique<FakeSerialDevice>(NextComPort());
  EXPECT_EQ(device_->Error(), "");
  return device_->PortNumber();
}

void WindowFixture::Open() {
  window_ = std::make_unique<TfrmKELDO>(toolkit_);
  window_->Show();
}

void WindowFixture::TrayCommand(const std::string& caption) {
  ASSERT_TRUE(toolkit_.RightClickTrayIcon());
  ASSERT_TRUE(toolkit_.ChooseMenuItem(caption)) << caption;
}

void WindowFixture::At(std::uint32_t ms, std::function<void()> action) {
  timers_.push_back(loop_.CreateTimer());
  Timer& timer = *timers_.back();
  timer.SetInterval(ms);
  timer.SetOnTimer([&timer, action = std::move(action)] {
    timer.SetEnabled(false);
    action();
  });
  timer.SetEnabled(true);
}

int WindowFixture::CountLogged(const std::string& line) const {
  const std::vector<std::string> lines = Log();
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace keldo::test
