#include "engine/settings_store.h"

#include <exception>

#include "engine/platform/autorun.h"
#include "engine/platform/registry_api.h"
#include "engine/registry.h"

namespace keldo {
namespace {

constexpr std::int32_t kServerModeFallback = 0;

StoreResult Done() {
  return {true, {}};
}

StoreResult Failed(std::string why) {
  return {false, std::move(why)};
}

StoreResult NotOpened() {
  return Failed(std::string("cannot open HKEY_LOCAL_MACHINE") + kSettingsKey + " for writing");
}

std::int32_t ReadIntOr(TRegistry& reg, const char* name, std::int32_t fallback) {
  return reg.HasValue(name) ? reg.ReadInt(name) : fallback;
}

std::string ReadTextOr(TRegistry& reg, const char* name, const std::string& fallback) {
  return reg.HasValue(name) ? reg.ReadText(name) : fallback;
}

StoreResult FromAutorun(std::string failure) {
  return failure.empty() ? Done() : Failed(std::move(failure));
}

// A writing operation's registry work: whatever it raises ends it there and
// becomes the reason in its result; the accessor inside closes its key.
template <typename Body>
StoreResult Absorbed(Body body) {
  try {
    return body();
  } catch (const std::exception& e) {
    return Failed(e.what());
  } catch (...) {
    return Failed("unknown error");
  }
}

}  // namespace

void Load(LinkSettings& settings) {
  settings = DefaultLinkSettings();
  const LinkSettings fallback = DefaultLinkSettings();
  TRegistry reg;
  try {
    reg.SelectRoot(RegistryRoot::LocalMachine);
    // Reading needs no more than read access; a user who may read the key
    // but not change it still gets the stored settings.
    if (!reg.OpenPath(kSettingsKey, false)) {
      reg.SetAccess(kKeyRead);
      if (!reg.OpenPath(kSettingsKey, false)) {
        return;
      }
    }
    settings.ServerID = ReadIntOr(reg, "ServerID", fallback.ServerID);
    settings.ServerName = ReadTextOr(reg, "ServerName", fallback.ServerName);
    settings.ServerMode = ReadIntOr(reg, "ServerMode", kServerModeFallback);
    settings.ServerHost = ReadTextOr(reg, "ServerHost", fallback.ServerHost);
    settings.ServerPort = ReadIntOr(reg, "ServerPort", fallback.ServerPort);
    settings.ServerAutoStart = ReadIntOr(reg, "ServerAutoStart", fallback.ServerAutoStart);
    settings.COMPort = ReadIntOr(reg, "COMPort", fallback.COMPort);
    settings.COMBaud = ReadIntOr(reg, "COMBaud", fallback.COMBaud);
  } catch (...) {
    // The fields from the failing one on keep their defaults.
  }
  // Read whatever happened above: a restriction lost with a failed load would
  // open the listener to everyone.
  try {
    if (reg.HasOpenKey()) {
      settings.ServerBind = ReadTextOr(reg, "ServerBind", {});
      settings.ServerAllow = ReadTextOr(reg, "ServerAllow", {});
    }
  } catch (const std::exception& e) {
    settings.ServerAccessError = e.what();
  } catch (...) {
    settings.ServerAccessError = "unknown error";
  }
}

std::string DescribeUnreadableSettings() {
  try {
    return platform::DescribeUnreadableKey(platform::kRegLocalMachine, kSettingsKey + 1);
  } catch (const std::exception& e) {
    return e.what();
  }
}

StoreResult Save(const LinkSettings& settings) {
  return Absorbed([&] {
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    if (!reg.OpenPath(kSettingsKey, true)) {
      return NotOpened();
    }
    reg.WriteInt("ServerID", settings.ServerID);
    reg.WriteText("ServerName", settings.ServerName);
    reg.WriteInt("ServerMode", settings.ServerMode);
    reg.WriteText("ServerHost", settings.ServerHost);
    reg.WriteInt("ServerPort", settings.ServerPort);
    reg.WriteInt("ServerAutoStart", settings.ServerAutoStart);
    reg.WriteInt("COMPort", settings.COMPort);
    reg.WriteInt("COMBaud", settings.COMBaud);
    reg.ClosePath();
    return Done();
  });
}

StoreResult SaveAutoStart(std::int32_t serverAutoStart) {
  return Absorbed([&] {
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    if (!reg.OpenPath(kSettingsKey, true)) {
      return NotOpened();
    }
    // A key holding ServerAutoStart alone would load as client mode, since a
    // key without ServerMode means client; a key made here stores the server
    // mode that its absence stood for, so ticking the box changes nothing else.
    if (reg.CreatedKey()) {
      reg.WriteInt("ServerMode", DefaultLinkSettings().ServerMode);
    }
    reg.WriteInt("ServerAutoStart", serverAutoStart);
    reg.ClosePath();
    return Done();
  });
}

StoreResult RegisterAutorun() {
  return Absorbed([] { return FromAutorun(platform::WriteAutorunEntry()); });
}

StoreResult UnregisterAutorun() {
  return Absorbed([] { return FromAutorun(platform::RemoveAutorunEntry()); });
}

}  // namespace keldo
