#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/link_trace.h"

namespace keldo {

// keldo-linkd's --trace: every chunk as a line with the local time, the
// direction, the peer, the length and what became of it, then its bytes 16
// a row as `hexdump -C` lays them out:
//
//   2025-06-01 14:03:07.412 COM>NET 192.0.2.7:50211 7 bytes
//   00000000  57 20 31 2e 35 30 0d                              |W 1.50.|
//   2025-06-01 14:03:07.431 NET>COM 192.0.2.7:50211 2 bytes, dropped: link paused
//   00000000  54 0d                                             |T.|
//
// Each chunk is written whole and flushed.
class TraceWriter final : public LinkTrace {
 public:
  // file stays the caller's.
  explicit TraceWriter(std::FILE* file) : file_(file) {}

  void Chunk(TraceDirection direction, const std::string& peer, const std::uint8_t* bytes,
             std::size_t count, TraceFate fate) override;

  // One chunk's text, its lines ended by '\n'.
  static std::string Format(std::chrono::system_clock::time_point time, TraceDirection direction,
                            const std::string& peer, const std::uint8_t* bytes, std::size_t count,
                            TraceFate fate);

 private:
  std::FILE* file_;
};

// Opens the --trace file for appending; null with the reason in error.
std::FILE* OpenTraceFile(const std::string& path, std::string& error);

}  // namespace keldo
