#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstdio>
#include <string>

namespace keldo {

// Where a service's lines go: the Windows Event Log, source "KELDO Link" (log
// lines as information, the standard-error lines as warnings), or, where the
// Event Log cannot be had, the file %ProgramData%\KELDO Link\keldo-linkd.log
// (keldo-linkd-NAME.log for an instance), each line with the local time.
// An instance's lines start with its name.
class ServiceLog {
 public:
  static constexpr const char* kSource = "KELDO Link";

  explicit ServiceLog(const std::string& instance);
  ~ServiceLog();
  ServiceLog(const ServiceLog&) = delete;
  ServiceLog& operator=(const ServiceLog&) = delete;

  void Write(const std::string& line, bool alert);

 private:
  void WriteToFile(const std::string& line);

  HANDLE source_ = nullptr;
  std::string prefix_;
  std::string fileName_;
  std::FILE* file_ = nullptr;
};

}  // namespace keldo
