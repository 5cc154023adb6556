#include "apps/keldo-linkd/trace.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace keldo {
namespace {

const char* FateText(TraceFate fate) {
  switch (fate) {
    case TraceFate::Passed:
      return "";
    case TraceFate::Answered:
      return ", answered: identification query";
    case TraceFate::DroppedPaused:
      return ", dropped: link paused";
    case TraceFate::DroppedNoPeer:
      return ", dropped: no peer";
    case TraceFate::DroppedQueueFull:
      return ", dropped: the peer's send queue is full";
    case TraceFate::DroppedNoDevice:
      return ", dropped: the serial port is not open";
    case TraceFate::DroppedPartialLine:
      return ", dropped: an unfinished line, discarded by a write from the network";
  }
  return "";
}

// "2025-06-01 14:03:07.412", local time.
std::string TimeText(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()) % 1000;
  char text[32] = "";
  // One thread: localtime's shared buffer is this call's alone.
  if (const std::tm* local = std::localtime(&seconds)) {
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  }
  char withMillis[48];
  std::snprintf(withMillis, sizeof withMillis, "%s.%03d", text, static_cast<int>(millis.count()));
  return withMillis;
}

// One row of 16 bytes at offset: hex in two groups of 8, then the printable
// ASCII between bars, the bar always in the same column.
void AppendRow(std::string& text, std::size_t offset, const std::uint8_t* bytes,
               std::size_t count) {
  static constexpr char kHex[] = "0123456789abcdef";
  char head[24];
  std::snprintf(head, sizeof head, "%08lx  ", static_cast<unsigned long>(offset));
  text += head;
  for (std::size_t i = 0; i < 16; ++i) {
    if (i < count) {
      text += kHex[bytes[i] >> 4];
      text += kHex[bytes[i] & 0x0F];
      text += ' ';
    } else {
      text += "   ";
    }
    if (i == 7) {
      text += ' ';
    }
  }
  text += " |";
  for (std::size_t i = 0; i < count; ++i) {
    text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
  }
  text += "|\n";
}

}  // namespace

std::string TraceWriter::Format(std::chrono::system_clock::time_point time,
                                TraceDirection direction, const std::string& peer,
                                const std::uint8_t* bytes, std::size_t count, TraceFate fate) {
  std::string text = TimeText(time);
  text += direction == TraceDirection::ComToNet ? " COM>NET " : " NET>COM ";
  text += peer.empty() ? "-" : peer;
  text += " " + std::to_string(count) + (count == 1 ? " byte" : " bytes") + FateText(fate) + "\n";
  for (std::size_t offset = 0; offset < count; offset += 16) {
    AppendRow(text, offset, bytes + offset, count - offset < 16 ? count - offset : 16);
  }
  return text;
}

void TraceWriter::Chunk(TraceDirection direction, const std::string& peer,
                        const std::uint8_t* bytes, std::size_t count, TraceFate fate) {
  const std::string text =
      Format(std::chrono::system_clock::now(), direction, peer, bytes, count, fate);
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fflush(file_);
}

std::FILE* OpenTraceFile(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) {
    error = std::strerror(errno);
  }
  return file;
}

}  // namespace keldo
