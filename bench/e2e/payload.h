#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace keldo::bench {

// Deterministic filler bytes: printable, never a carriage return, so a stream
// can be checked byte by byte and a reply line ends only where it should.
inline char PayloadByte(std::uint64_t position) {
  return static_cast<char>('0' + position % 64);  // '0'..'o'
}

// A reply line of exactly `size` bytes (the last one a CR) for request `seq`.
std::string ReplyLine(std::uint64_t seq, std::size_t size);

// The line a streaming device sends as its seq-th: "S" and ten digits, then a
// CR, 12 bytes in all, like a scale's continuous weight report.
inline constexpr std::size_t kStreamLineSize = 12;
std::string StreamLine(std::uint64_t seq);

}  // namespace keldo::bench
