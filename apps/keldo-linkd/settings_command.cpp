#include "apps/keldo-linkd/settings_command.h"

#include <algorithm>
#include <optional>

#include "apps/keldo-linkd/command_line.h"
#include "apps/keldo-linkd/terminal_view.h"
#include "engine/platform/serial_device_names.h"
#include "engine/serial_port_list.h"
#include "engine/setting_values.h"
#include "engine/settings_store.h"

namespace keldo {
namespace {

void WriteLine(std::FILE* file, const std::string& text) {
  const std::string line = EscapeControls(text) + "\n";
  std::fputs(line.c_str(), file);
}

// " (/dev/ttyUSB0)" where a device is behind the port.
std::string DeviceNote(std::int32_t port) {
  const std::optional<std::string> device = SerialDeviceOf(port);
  return device ? " (" + *device + ")" : std::string();
}

std::string ShownValue(const LinkSettings& settings, std::string_view name) {
  std::string text = std::string(name) + "=" + SettingText(settings, name);
  if (name == "COMPort") {
    text += DeviceNote(settings.COMPort);
  } else if (name == "COMBaud") {
    text += " (" + std::string(ModeString(settings.COMBaud)) + ")";
  }
  return text;
}

// The settings as the link would load them, with a word on stderr where the
// load could not read what is stored. False then.
bool ShowLines(const std::string& key, const std::vector<std::string_view>& names, std::FILE* out,
               std::FILE* err) {
  bool readable = true;
  if (const std::string why = DescribeUnreadableSettings(key); !why.empty()) {
    WriteLine(err, "keldo-linkd: cannot read the settings, " + why + "; showing the defaults");
    readable = false;
  }
  const StoredSettings found = LoadStored(key);
  if (!found.failure.empty()) {
    WriteLine(err, "keldo-linkd: " + found.failure +
                       "; it and the settings after it show their defaults");
    readable = false;
  }
  if (const std::string& why = found.settings.ServerAccessError; !why.empty()) {
    WriteLine(err, "keldo-linkd: " + why + "; a server does not listen until it is mended");
    readable = false;
  }

  for (std::size_t i = 0; i < kSettingNames.size(); ++i) {
    if (std::find(names.begin(), names.end(), kSettingNames[i]) != names.end()) {
      WriteLine(out, ShownValue(found.settings, kSettingNames[i]) +
                         (found.stored[i] ? "" : " (default)"));
    }
  }
  return readable;
}

}  // namespace

int ShowSettings(const std::string& key, std::FILE* out, std::FILE* err) {
  const std::vector<std::string_view> all(kSettingNames.begin(), kSettingNames.end());
  return ShowLines(key, all, out, err) ? kExitOk : kExitFailed;
}

int SetSettings(const std::string& key, const std::vector<std::string>& assignments, std::FILE* out,
                std::FILE* err) {
  std::vector<SettingValue> values;
  std::vector<std::string_view> names;
  for (const std::string& assignment : assignments) {
    const std::size_t equals = assignment.find('=');
    const std::string given = assignment.substr(0, equals);
    const std::optional<std::string_view> name = SettingName(given);
    if (!name) {
      std::string known;
      for (const std::string_view setting : kSettingNames) {
        known += (known.empty() ? "" : ", ") + std::string(setting);
      }
      WriteLine(err, "keldo-linkd: " + given + " is not a setting; the settings are " + known);
      return kExitUsage;
    }
    SettingValue value = CheckSettingValue(*name, std::string_view(assignment).substr(equals + 1));
    if (!value.error.empty()) {
      WriteLine(err, "keldo-linkd: " + value.error);
      return kExitUsage;
    }
    values.push_back(std::move(value));
    names.push_back(*name);
  }
  for (SettingValue& value : values) {
    if (value.devicePath.empty()) {
      continue;
    }
    std::string why;
    const std::optional<std::int32_t> number = NumberSerialDevice(value.devicePath, why);
    if (!number) {
      WriteLine(err, "keldo-linkd: cannot give " + value.devicePath + " a COM number: " + why);
      return kExitFailed;
    }
    value.number = *number;
  }
  LinkSettings settings = DefaultLinkSettings();
  for (const SettingValue& value : values) {
    ApplySettingValue(settings, value);
  }
  const StoreResult stored = SaveSome(settings, names, key);
  if (!stored.written) {
    const std::string why = DescribeUnwritableSettings(key);
    WriteLine(err, "keldo-linkd: the settings were not saved: " + stored.failure +
                       (why.empty() ? "" : " (" + why + ")"));
    return kExitFailed;
  }
  ShowLines(key, names, out, err);
  return kExitOk;
}

int ListPorts(std::FILE* out) {
  for (const std::string& port : ListSerialPorts()) {
    const SettingValue number = CheckSettingValue("COMPort", port);
    WriteLine(out, port + (number.error.empty() ? DeviceNote(number.number) : std::string()));
  }
  return kExitOk;
}

std::optional<int> RunSettingsCommand(const DaemonCommand& command, std::FILE* out,
                                      std::FILE* err) {
  const std::string key = InstanceSettingsKey(command.instance);
  switch (command.action) {
    case DaemonCommand::Action::Show:
      return ShowSettings(key, out, err);
    case DaemonCommand::Action::Set:
      return SetSettings(key, command.assignments, out, err);
    case DaemonCommand::Action::ListPorts:
      return ListPorts(out);
    default:
      return std::nullopt;
  }
}

}  // namespace keldo
