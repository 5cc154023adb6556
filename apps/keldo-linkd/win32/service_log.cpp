#include "apps/keldo-linkd/win32/service_log.h"

namespace keldo {
namespace {

// The one message of the message table: its text is the line itself.
constexpr DWORD kLineEvent = 1;

std::string ProgramDataFolder() {
  char folder[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableA("ProgramData", folder, sizeof folder);
  return n > 0 && n < sizeof folder ? std::string(folder, n) : std::string("C:\\ProgramData");
}

}  // namespace

ServiceLog::ServiceLog(const std::string& instance)
    : source_(::RegisterEventSourceA(nullptr, kSource)),
      prefix_(instance.empty() ? std::string() : instance + ": "),
      fileName_(instance.empty() ? "keldo-linkd.log" : "keldo-linkd-" + instance + ".log") {}

ServiceLog::~ServiceLog() {
  if (source_ != nullptr) {
    ::DeregisterEventSource(source_);
  }
  if (file_ != nullptr) {
    std::fclose(file_);
  }
}

void ServiceLog::Write(const std::string& line, bool alert) {
  const std::string text = prefix_ + line;
  const char* strings[] = {text.c_str()};
  if (source_ != nullptr &&
      ::ReportEventA(source_, alert ? EVENTLOG_WARNING_TYPE : EVENTLOG_INFORMATION_TYPE, 0,
                     kLineEvent, nullptr, 1, 0, strings, nullptr)) {
    return;
  }
  WriteToFile(text);
}

void ServiceLog::WriteToFile(const std::string& line) {
  if (file_ == nullptr) {
    const std::string folder = ProgramDataFolder() + "\\KELDO Link";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    file_ = std::fopen((folder + "\\" + fileName_).c_str(), "ab");
    if (file_ == nullptr) {
      return;  // nowhere left to say it
    }
  }
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const auto u = [](WORD value) { return static_cast<unsigned>(value); };
  std::fprintf(file_, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s\r\n", u(now.wYear), u(now.wMonth),
               u(now.wDay), u(now.wHour), u(now.wMinute), u(now.wSecond), u(now.wMilliseconds),
               line.c_str());
  std::fflush(file_);
}

}  // namespace keldo
