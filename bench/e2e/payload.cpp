#include "payload.h"

#include <string>

namespace keldo::bench {

std::string ReplyLine(std::uint64_t seq, std::size_t size) {
  std::string line = "A" + std::to_string(seq) + ":";
  if (line.size() + 1 > size) {
    line.resize(size > 0 ? size - 1 : 0);
  }
  for (std::uint64_t i = line.size(); line.size() + 1 < size; ++i) {
    line.push_back(PayloadByte(i + seq));
  }
  line.push_back('\r');
  return line;
}

std::string StreamLine(std::uint64_t seq) {
  std::string digits = std::to_string(seq % 10000000000ULL);
  return "S" + std::string(10 - digits.size(), '0') + digits + "\r";
}

}  // namespace keldo::bench
