#include "tests/support/registry_sandbox.h"

#include <windows.h>

#include "tests/support/win32/read_only_key.h"

namespace keldo::test {
namespace {

constexpr const char* kRunPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void Clean() {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\TALMO");
  RegDeleteTreeA(HKEY_CURRENT_USER, RegistrySandbox::kScratchPath);
  HKEY run = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
    RegDeleteValueA(run, "KELDOLink");
    RegCloseKey(run);
  }
}

}  // namespace

struct RegistrySandbox::State {
  std::unique_ptr<ReadOnlyKey> readOnly;
};

RegistrySandbox::RegistrySandbox() : state_(std::make_unique<State>()) {
  Clean();
}

RegistrySandbox::~RegistrySandbox() {
  state_->readOnly.reset();  // its DACL back first, or the key would stay
  Clean();
}

bool RegistrySandbox::RefuseSettingsWrites() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\TALMO\\KELDO", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  state_->readOnly = std::make_unique<ReadOnlyKey>("Software\\TALMO\\KELDO");
  return state_->readOnly->Applied();
}

std::optional<std::string> RegistrySandbox::AutorunCommand() const {
  char buffer[4096];
  DWORD size = sizeof buffer;
  if (RegGetValueA(HKEY_CURRENT_USER, kRunPath, "KELDOLink", RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // Windows runs the value as a command line: the path may stand quoted or bare.
  std::string command(buffer);
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"') {
    command = command.substr(1, command.size() - 2);
  }
  return command;
}

}  // namespace keldo::test
