#include "engine/settings_store.h"

#include <algorithm>
#include <exception>

#include "engine/platform/autorun.h"
#include "engine/platform/registry_api.h"
#include "engine/registry.h"
#include "engine/setting_values.h"

namespace keldo {
namespace {

constexpr std::int32_t kServerModeFallback = 0;

StoreResult Done() {
  return {true, {}};
}

StoreResult Failed(std::string why) {
  return {false, std::move(why)};
}

StoreResult NotOpened(const std::string& key) {
  return Failed("cannot open HKEY_LOCAL_MACHINE" + key + " for writing");
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

bool IsInstanceName(std::string_view name) {
  return !name.empty() && name.size() <= 32 && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
  });
}

std::string InstanceSettingsKey(const std::string& instance) {
  return instance.empty() ? std::string(kSettingsKey)
                          : std::string(kSettingsKey) + "\\Instances\\" + instance;
}

void Load(LinkSettings& settings, const std::string& key) {
  settings = LoadStored(key).settings;
}

StoredSettings LoadStored(const std::string& key) {
  StoredSettings found;
  LinkSettings& settings = found.settings;
  settings = DefaultLinkSettings();
  const LinkSettings fallback = DefaultLinkSettings();
  TRegistry reg;
  // The values in store order, each read when the key has it.
  std::size_t next = 0;
  const auto readInt = [&](std::int32_t missing) {
    const std::string name(kSettingNames[next]);
    const bool has = reg.HasValue(name);
    const std::int32_t value = has ? reg.ReadInt(name) : missing;
    found.stored[next++] = has;
    return value;
  };
  const auto readText = [&](const std::string& missing) {
    const std::string name(kSettingNames[next]);
    const bool has = reg.HasValue(name);
    std::string value = has ? reg.ReadText(name) : missing;
    found.stored[next++] = has;
    return value;
  };
  try {
    reg.SelectRoot(RegistryRoot::LocalMachine);
    // Reading needs no more than read access; a user who may read the key
    // but not change it still gets the stored settings.
    if (!reg.OpenPath(key, false)) {
      reg.SetAccess(kKeyRead);
      if (!reg.OpenPath(key, false)) {
        return found;
      }
    }
    found.keyFound = true;
    settings.ServerID = readInt(fallback.ServerID);
    settings.ServerName = readText(fallback.ServerName);
    settings.ServerMode = readInt(kServerModeFallback);
    settings.ServerHost = readText(fallback.ServerHost);
    settings.ServerPort = readInt(fallback.ServerPort);
    settings.ServerAutoStart = readInt(fallback.ServerAutoStart);
    settings.COMPort = readInt(fallback.COMPort);
    settings.COMBaud = readInt(fallback.COMBaud);
  } catch (const std::exception& e) {
    // The fields from the failing one on keep their defaults.
    found.failure = e.what();
  } catch (...) {
    found.failure = "unknown error";
  }
  // Read whatever happened above: a restriction lost with a failed load would
  // open the listener to everyone.
  try {
    if (reg.HasOpenKey()) {
      next = kSavedSettingCount;
      settings.ServerBind = readText({});
      settings.ServerAllow = readText({});
    }
  } catch (const std::exception& e) {
    settings.ServerAccessError = e.what();
  } catch (...) {
    settings.ServerAccessError = "unknown error";
  }
  return found;
}

std::string DescribeUnreadableSettings(const std::string& key) {
  try {
    return platform::DescribeUnreadableKey(platform::kRegLocalMachine, key.substr(1));
  } catch (const std::exception& e) {
    return e.what();
  }
}

std::string DescribeUnwritableSettings(const std::string& key) {
  try {
    return platform::DescribeUnwritableKey(platform::kRegLocalMachine, key.substr(1));
  } catch (const std::exception& e) {
    return e.what();
  }
}

StoreResult Save(const LinkSettings& settings, const std::string& key) {
  return Absorbed([&] {
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    if (!reg.OpenPath(key, true)) {
      return NotOpened(key);
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

StoreResult SaveSome(const LinkSettings& settings, const std::vector<std::string_view>& names,
                     const std::string& key) {
  return Absorbed([&] {
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    if (!reg.OpenPath(key, true)) {
      return NotOpened(key);
    }
    for (std::size_t i = 0; i < kSettingNames.size(); ++i) {
      const std::string_view name = kSettingNames[i];
      const bool named = std::find(names.begin(), names.end(), name) != names.end();
      if (!named && !(reg.CreatedKey() && i < kSavedSettingCount)) {
        continue;
      }
      if (IsTextSetting(name)) {
        reg.WriteText(std::string(name), SettingText(settings, name));
      } else {
        reg.WriteInt(std::string(name), SettingNumber(settings, name));
      }
    }
    reg.ClosePath();
    return Done();
  });
}

StoreResult SaveAutoStart(std::int32_t serverAutoStart) {
  return Absorbed([&] {
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    if (!reg.OpenPath(kSettingsKey, true)) {
      return NotOpened(kSettingsKey);
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
