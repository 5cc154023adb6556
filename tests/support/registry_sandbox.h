#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/registry.h"
#include "engine/settings_store.h"

namespace keldo::test {

// ServerBind and ServerAllow as a hand-edited settings key holds them, beside
// what Save writes; an allow of nullptr is stored as a number.
inline void StoreServerAccess(const char* bind, const char* allow) {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  if (reg.OpenPath(kSettingsKey, true)) {
    reg.WriteText("ServerBind", bind);
    allow != nullptr ? reg.WriteText("ServerAllow", allow) : reg.WriteInt("ServerAllow", 1);
  }
}

// Gives a test the registry to itself. On Linux the hive files and the
// autostart folder live in a fresh temporary folder (the registry folder does
// not exist until something is saved); under Wine the keys and values the
// tests touch are removed before and after.
class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // The key under HKEY_CURRENT_USER that accessor tests work in.
  static constexpr const char* kScratchPath = "Software\\KELDO Test";

  // The program the autorun entry starts, as the platform keeps it, or
  // nothing when there is no entry.
  std::optional<std::string> AutorunCommand() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace keldo::test
