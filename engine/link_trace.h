#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace keldo {

enum class TraceDirection { ComToNet, NetToCom };

// What became of a chunk of bytes.
enum class TraceFate {
  Passed,             // handed on: to the peer's connection, or to the device
  Answered,           // the identification query: answered by the link itself
  DroppedPaused,      // from the network while the link is paused
  DroppedNoPeer,      // a device line with no peer to take it
  DroppedQueueFull,   // a device line past the peer's send queue bound
  DroppedNoDevice,    // from the network while the serial port is not open
  DroppedPartialLine  // device bytes without their line end, discarded by a write
};

// Sees every chunk that crosses the link, as it is read, with its fate. The
// controller calls it only when one is set, so a link without a trace pays
// one test of a pointer per chunk.
class LinkTrace {
 public:
  // peer: the network side's address ("192.0.2.7:50211"), empty when none.
  virtual void Chunk(TraceDirection direction, const std::string& peer, const std::uint8_t* bytes,
                     std::size_t count, TraceFate fate) = 0;

 protected:
  ~LinkTrace() = default;
};

}  // namespace keldo
