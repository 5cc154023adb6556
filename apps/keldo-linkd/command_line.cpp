#include "apps/keldo-linkd/command_line.h"

#include <string_view>

#include "apps/keldo-linkd/terminal_view.h"
#include "engine/settings_store.h"
#include "keldo_version.h"

namespace keldo {
namespace {

using Action = DaemonCommand::Action;

constexpr const char* kUsage =
    "Usage: keldo-linkd [--instance NAME] [--trace[=FILE]]\n"
    "       keldo-linkd [--instance NAME] --show\n"
    "       keldo-linkd [--instance NAME] --set Name=value ...\n"
    "       keldo-linkd --list-ports\n"
    "       keldo-linkd [--instance NAME] [--trace=FILE] --install-service   (Windows)\n"
    "       keldo-linkd [--instance NAME] --uninstall-service                (Windows)\n"
    "       keldo-linkd --help | --version\n"
    "Links the serial port to TCP with the settings in the registry (on Linux the\n"
    "hive files in $KELDO_REGISTRY_DIR) until SIGINT or SIGTERM (Ctrl+C). SIGHUP\n"
    "reads the settings again and sets the link up anew, as the window's Save does.\n"
    "\n"
    "  --instance NAME      the settings of NAME (letters, digits, - and _, at most\n"
    "                       32): HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO\\Instances\\NAME\n"
    "  --trace[=FILE]       every chunk that crosses the link, in hex, on standard\n"
    "                       error or appended to FILE\n"
    "  --show               the settings; values not stored are marked (default)\n"
    "  --set Name=value     checks every value, then stores them:\n"
    "                         ServerMode 0 or client, 1 or server; ServerHost text\n"
    "                         ServerPort 1..65535; ServerID 1..9999; ServerName text\n"
    "                         COMPort 1..255, COMn or (Linux) a device path\n"
    "                         COMBaud 0..13 or its mode, 4800,n,8,1 .. 230400,e,8,1\n"
    "                         ServerAutoStart 0 or 1\n"
    "                         ServerBind an IPv4 address; ServerAllow addresses and\n"
    "                         ranges such as 192.168.1.0/24, 10.0.0.7 (empty: none)\n"
    "  --list-ports         the serial ports the configuration dialog lists\n"
    "  --install-service    registers the Windows service KELDOLink (KELDOLink-NAME)\n"
    "  --uninstall-service  removes it; both need an administrator\n"
    "Exit status: 0 done, 1 failed (a write refused, the network side not opened),\n"
    "2 a command line not understood.\n";

struct Flag {
  std::string_view word;
  Action action;
};

constexpr Flag kActions[] = {
    {"--show", Action::Show},
    {"--set", Action::Set},
    {"--list-ports", Action::ListPorts},
    {"--install-service", Action::InstallService},
    {"--uninstall-service", Action::UninstallService},
    {"--run-service", Action::RunService},
};

// The one action a command may have, with the option that asked for it.
class Parser {
 public:
  // Empty when the arguments make a command; else what is wrong.
  std::string Parse(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
      const std::string_view word = argv[i];
      auto [option, value] = Split(word);
      if (word == "--help" || word == "-h" || word == "--version") {
        return std::string(word) + " goes alone";
      }
      if (option == "--instance") {
        if (!value && i + 1 < argc && std::string_view(argv[i + 1]).rfind("--", 0) != 0) {
          value = argv[++i];
        }
        if (const std::string problem = TakeInstance(value); !problem.empty()) {
          return problem;
        }
      } else if (option == "--trace") {
        if (command_.trace) {
          return "--trace is given twice";
        }
        if (value && value->empty()) {
          return "--trace= needs a file name";
        }
        command_.trace = value.value_or("");
      } else if (const Flag* flag = FindAction(option); flag != nullptr && !value) {
        if (const std::string problem = TakeAction(*flag); !problem.empty()) {
          return problem;
        }
        while (flag->action == Action::Set && i + 1 < argc &&
               std::string_view(argv[i + 1]).rfind("--", 0) != 0) {
          command_.assignments.emplace_back(argv[++i]);
        }
      } else {
        return "unknown option " + std::string(word);
      }
    }
    return Check();
  }

  const DaemonCommand& Command() const { return command_; }

 private:
  // "--name=value" as the name and the value; "--name" without one.
  static std::pair<std::string_view, std::optional<std::string>> Split(std::string_view word) {
    const std::size_t equals = word.find('=');
    if (word.rfind("--", 0) != 0 || equals == std::string_view::npos) {
      return {word, std::nullopt};
    }
    return {word.substr(0, equals), std::string(word.substr(equals + 1))};
  }

  static const Flag* FindAction(std::string_view option) {
    for (const Flag& flag : kActions) {
      if (flag.word == option) {
        return &flag;
      }
    }
    return nullptr;
  }

  std::string TakeInstance(const std::optional<std::string>& name) {
    if (!command_.instance.empty()) {
      return "--instance is given twice";
    }
    if (!name) {
      return "--instance needs a name";
    }
    if (!IsInstanceName(*name)) {
      return "--instance takes letters, digits, - and _, at most 32 of them, not \"" + *name + "\"";
    }
    command_.instance = *name;
    return {};
  }

  std::string TakeAction(const Flag& flag) {
    if (actionWord_.empty()) {
      actionWord_ = flag.word;
      command_.action = flag.action;
      return {};
    }
    return std::string(actionWord_) + " and " + std::string(flag.word) + " do not go together";
  }

  // Options that mean nothing to the action asked for are refused rather
  // than ignored.
  std::string Check() const {
    const Action action = command_.action;
    if (action == Action::Set && command_.assignments.empty()) {
      return "--set needs at least one Name=value";
    }
    for (const std::string& assignment : command_.assignments) {
      if (assignment.find('=') == std::string::npos) {
        return "--set takes Name=value, not \"" + assignment + "\"";
      }
    }
    const bool runs = action == Action::RunLink || action == Action::InstallService ||
                      action == Action::RunService;
    if (command_.trace && !runs) {
      return "--trace goes with running the link, not with " + std::string(actionWord_);
    }
    if (command_.trace && command_.trace->empty() && action == Action::InstallService) {
      return "a service has no standard error: give the trace a file, --trace=FILE";
    }
    if (!command_.instance.empty() && action == Action::ListPorts) {
      return "--list-ports lists the machine's ports: it takes no --instance";
    }
    return {};
  }

  DaemonCommand command_;
  std::string_view actionWord_;
};

}  // namespace

std::variant<int, DaemonCommand> ParseCommandLine(int argc, const char* const* argv, std::FILE* out,
                                                  std::FILE* err) {
  if (argc >= 2) {
    const std::string_view first = argv[1];
    const bool help = first == "--help" || first == "-h";
    if ((help || first == "--version") && argc == 2) {
      if (help) {
        std::fputs(kUsage, out);
      } else {
        std::fprintf(out, "keldo-linkd %s\n", kVersion);
      }
      return kExitOk;
    }
  }
  Parser parser;
  const std::string problem = parser.Parse(argc, argv);
  if (problem.empty()) {
    return parser.Command();
  }
  const std::string line = EscapeControls("keldo-linkd: " + problem) + "\n";
  std::fputs(line.c_str(), err);
  std::fputs(kUsage, err);
  return kExitUsage;
}

}  // namespace keldo
