#include "engine/setting_values.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

#include "engine/allow_list.h"
#include "engine/platform/serial_device_names.h"
#include "engine/platform/socket_api.h"

namespace keldo {
namespace {

bool IsAddressOrNothing(std::string_view text) {
  std::uint32_t address = 0;
  return text.empty() || net::ParseIpv4(std::string(text), address);
}

bool IsAllowList(std::string_view text) {
  std::string badEntry;
  return AllowList::Parse(text, badEntry).has_value();
}

// One setting: where it lives in LinkSettings, and what a value may be.
struct Rule {
  std::string_view name;
  std::int32_t LinkSettings::*number;  // null for a text
  std::string LinkSettings::*text;     // null for a number
  std::int32_t min;
  std::int32_t max;
  std::string_view allowed;
  bool (*textCheck)(std::string_view) = nullptr;  // beyond having no control characters
};

constexpr Rule kRules[] = {
    {"ServerID", &LinkSettings::ServerID, nullptr, 1, 9999, "1 to 9999"},
    {"ServerName", nullptr, &LinkSettings::ServerName, 0, 0, "text without control characters"},
    {"ServerMode", &LinkSettings::ServerMode, nullptr, 0, 1, "0 (client) or 1 (server)"},
    {"ServerHost", nullptr, &LinkSettings::ServerHost, 0, 0, "text without control characters"},
    {"ServerPort", &LinkSettings::ServerPort, nullptr, 1, 65535, "1 to 65535"},
    {"ServerAutoStart", &LinkSettings::ServerAutoStart, nullptr, 0, 1, "0 or 1"},
    {"COMPort", &LinkSettings::COMPort, nullptr, 1, 255,
     "1 to 255, COM1 to COM255 or (on Linux) a serial device's path"},
    {"COMBaud", &LinkSettings::COMBaud, nullptr, 0, 13,
     "0 to 13 or its mode, 4800,n,8,1 to 230400,e,8,1"},
    {"ServerBind", nullptr, &LinkSettings::ServerBind, 0, 0,
     "one IPv4 address, or nothing for every interface", &IsAddressOrNothing},
    {"ServerAllow", nullptr, &LinkSettings::ServerAllow, 0, 0,
     "IPv4 addresses and ranges (address/prefix length) separated by commas or spaces, or "
     "nothing for everyone",
     &IsAllowList},
};

const Rule* FindRule(std::string_view name) {
  const auto found = std::find_if(std::begin(kRules), std::end(kRules),
                                  [&](const Rule& rule) { return rule.name == name; });
  return found == std::end(kRules) ? nullptr : found;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// Decimal digits only, nothing around them.
std::optional<std::int64_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 10 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// The number a word or a name stands for: "client", "COM3", "19200,e,8,1".
std::optional<std::int64_t> NumberOfWord(const Rule& rule, std::string_view text) {
  if (rule.name == "ServerMode") {
    if (SameIgnoringCase(text, "client")) {
      return 0;
    }
    if (SameIgnoringCase(text, "server")) {
      return 1;
    }
  } else if (rule.name == "COMPort") {
    if (text.size() > 3 && SameIgnoringCase(text.substr(0, 3), "COM")) {
      return Decimal(text.substr(3));
    }
  } else if (rule.name == "COMBaud") {
    for (std::size_t i = 0; i < BaudModeTable.size(); ++i) {
      if (SameIgnoringCase(text, BaudModeTable[i])) {
        return static_cast<std::int64_t>(i);
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string_view> SettingName(std::string_view name) {
  for (const std::string_view known : kSettingNames) {
    if (SameIgnoringCase(name, known)) {
      return known;
    }
  }
  return std::nullopt;
}

SettingValue CheckSettingValue(std::string_view name, std::string_view text) {
  const Rule* rule = FindRule(name);
  SettingValue value;
  value.name = name;
  if (rule == nullptr) {
    value.error = std::string(name) + " is not a setting";
    return value;
  }
  const auto refuse = [&](const std::string& why) {
    value.error = std::string(rule->name) + " takes " + std::string(rule->allowed) + ", not \"" +
                  std::string(text) + "\"" + (why.empty() ? "" : " (" + why + ")");
  };
  if (rule->text != nullptr) {
    if (HasControlCharacter(text) || (rule->textCheck != nullptr && !rule->textCheck(text))) {
      refuse("");
    } else {
      value.text = text;
    }
    return value;
  }
  if (rule->name == "COMPort" && !text.empty() && text.front() == '/') {
    value.devicePath = text;
    if (const std::string problem = SerialDevicePathProblem(value.devicePath); !problem.empty()) {
      refuse(problem);
    }
    return value;
  }
  std::optional<std::int64_t> number = Decimal(text);
  if (!number) {
    number = NumberOfWord(*rule, text);
  }
  if (!number || *number < rule->min || *number > rule->max) {
    refuse("");
    return value;
  }
  value.number = static_cast<std::int32_t>(*number);
  return value;
}

void ApplySettingValue(LinkSettings& settings, const SettingValue& value) {
  const Rule* rule = FindRule(value.name);
  if (rule == nullptr || !value.error.empty()) {
    return;
  }
  if (rule->text != nullptr) {
    settings.*(rule->text) = value.text;
  } else {
    settings.*(rule->number) = value.number;
  }
}

std::string SettingText(const LinkSettings& settings, std::string_view name) {
  const Rule* rule = FindRule(name);
  if (rule == nullptr) {
    return {};
  }
  return rule->text != nullptr ? settings.*(rule->text) : std::to_string(settings.*(rule->number));
}

bool IsTextSetting(std::string_view name) {
  const Rule* rule = FindRule(name);
  return rule != nullptr && rule->text != nullptr;
}

std::int32_t SettingNumber(const LinkSettings& settings, std::string_view name) {
  const Rule* rule = FindRule(name);
  return rule != nullptr && rule->number != nullptr ? settings.*(rule->number) : 0;
}

}  // namespace keldo
