#include "engine/serial_port_list.h"

#include <exception>
#include <string_view>

#include "engine/platform/serial_port.h"
#include "engine/registry.h"

namespace keldo {
namespace {

std::string Trimmed(const std::string& text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) {
    ++begin;
  }
  while (end > begin && isBlank(text[end - 1])) {
    --end;
  }
  return text.substr(begin, end - begin);
}

}  // namespace

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> ports;
  try {
    RefreshSerialPortMap();
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    // A standard user may read the map but not change it; asking for full
    // access alone would show such a user an empty list.
    if (!reg.OpenPath(kSerialCommKey, false)) {
      reg.SetAccess(kKeyRead);
      if (!reg.OpenPath(kSerialCommKey, false)) {
        return ports;
      }
    }
    std::vector<std::string> names;
    reg.ListValueNames(names);
    for (const std::string& name : names) {
      ports.push_back(Trimmed(reg.ReadText(name)));
    }
  } catch (const std::exception&) {
    // A value that is not text ends the list; what was read stays.
  }
  return ports;
}

}  // namespace keldo
