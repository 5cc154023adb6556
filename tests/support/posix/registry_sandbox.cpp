#include "tests/support/registry_sandbox.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/posix/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace keldo::test {
namespace {

// Reverses the Desktop Entry escapes of an Exec value holding one argument:
// first the string escapes, then the argument's quoting, then %%.
std::optional<std::string> UnquoteExec(const std::string& value) {
  std::string unescaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      unescaped.push_back(value[i]);
      continue;
    }
    const char c = value[++i];
    unescaped.push_back(c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c);
  }
  std::string argument;
  const bool quoted = unescaped.size() >= 2 && unescaped.front() == '"' && unescaped.back() == '"';
  const std::string body = quoted ? unescaped.substr(1, unescaped.size() - 2) : unescaped;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (quoted && body[i] == '\\' && i + 1 < body.size()) {
      argument.push_back(body[++i]);
    } else if (body[i] == '%') {
      if (i + 1 == body.size() || body[i + 1] != '%') {
        return std::nullopt;
      }
      argument.push_back(body[++i]);
    } else {
      argument.push_back(body[i]);
    }
  }
  return argument;
}

}  // namespace

struct RegistrySandbox::State {
  TempDir folder;
  ScopedEnv registry{"KELDO_REGISTRY_DIR", (folder.path() / "registry").string()};
  ScopedEnv config{"XDG_CONFIG_HOME", (folder.path() / "config").string()};
};

RegistrySandbox::RegistrySandbox() : state_(std::make_unique<State>()) {}

bool RegistrySandbox::RefuseSettingsWrites() {
  // Root may write any file: a regular file where the folder should be
  // stops every user. The State's variable is put back at the end all the same.
  const auto blocker = state_->folder.path() / "not-a-folder";
  std::ofstream(blocker) << "x";
  return ::setenv("KELDO_REGISTRY_DIR", (blocker / "registry").c_str(), 1) == 0;
}

RegistrySandbox::~RegistrySandbox() = default;

std::optional<std::string> RegistrySandbox::AutorunCommand() const {
  std::ifstream entry(state_->folder.path() / "config" / "autostart" / "KELDOLink.desktop");
  if (!entry) {
    return std::nullopt;
  }
  std::string line;
  while (std::getline(entry, line)) {
    if (line.rfind("Exec=", 0) == 0) {
      return UnquoteExec(line.substr(5));
    }
  }
  return std::nullopt;
}

}  // namespace keldo::test
