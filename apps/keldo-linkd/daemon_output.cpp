#include "apps/keldo-linkd/daemon_output.h"

namespace keldo {

LineWriter FileLines(std::FILE* file) {
  return [file](const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
    std::fflush(file);
  };
}

}  // namespace keldo
