#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/link_settings.h"
#include "shell/frmKELDOU.h"
#include "shell/toolkit/memory/toolkit.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/registry_sandbox.h"
#include "tests/support/virtual_time_loop.h"

namespace keldo::test {

// The main window on the in-memory widget set and the fake clock, with a
// registry of its own. Errors that reach the loop are collected.
class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture();
  ~WindowFixture() override;

  // Stored as the dialog's Save stores them. The default aims at a COM port
  // nothing answers on.
  static LinkSettings Settings(std::int32_t serverMode, std::uint16_t port,
                               std::int32_t comPort = 250);
  void Store(const LinkSettings& settings);
  // A pseudo-terminal device the link can open; its COM number is returned.
  std::int32_t MakeDevice();

  // Creates the window and shows it, which runs the link's start-up.
  void Open();
  TfrmKELDO& Window() { return *window_; }
  LinkController& Link() { return window_->Controller(); }

  // A right click on the tray icon and a pick from its menu.
  void TrayCommand(const std::string& caption);
  // Runs action once, ms of fake time from now.
  void At(std::uint32_t ms, std::function<void()> action);

  std::vector<std::string> Log() const { return window_->moLog.Lines(); }
  int CountLogged(const std::string& line) const;

  RegistrySandbox registry_;
  VirtualTimeLoop loop_;
  ui::memory::MemoryToolkit toolkit_;
  std::vector<std::string> errors_;
  std::unique_ptr<FakeSerialDevice> device_;
  std::vector<std::unique_ptr<Timer>> timers_;
  std::unique_ptr<TfrmKELDO> window_;
};

}  // namespace keldo::test
