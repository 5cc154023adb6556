#include "tests/support/serial_comm_values.h"

#include <exception>

#include "engine/platform/serial_port.h"
#include "engine/registry.h"

namespace keldo::test {

SerialCommValues::SerialCommValues(const std::vector<Value>& values) {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  if (!reg.OpenPath(kSerialCommKey, true)) {
    return;
  }
  try {
    for (const Value& value : values) {
      names_.push_back(value.name);
      if (const auto* text = std::get_if<std::string>(&value.data)) {
        reg.WriteText(value.name, *text);
      } else {
        reg.WriteInt(value.name, std::get<std::int32_t>(value.data));
      }
    }
    written_ = true;
  } catch (const std::exception&) {
  }
}

SerialCommValues::~SerialCommValues() {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  if (reg.OpenPath(kSerialCommKey, false)) {
    for (const std::string& name : names_) {
      reg.RemoveValue(name);
    }
  }
}

}  // namespace keldo::test
