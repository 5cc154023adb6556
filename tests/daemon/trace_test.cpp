#include "apps/keldo-linkd/trace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>

namespace keldo {
namespace {

// Noon local time on a day without a clock change, 0.042 s past the second.
std::chrono::system_clock::time_point Noon() {
  std::tm day{};
  day.tm_year = 125;
  day.tm_mon = 5;
  day.tm_mday = 1;
  day.tm_hour = 12;
  day.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&day)) + std::chrono::milliseconds(42);
}

struct TraceCase {
  TraceDirection direction;
  std::string peer;
  std::string bytes;
  TraceFate fate;
  std::string expected;  // after the time
};

// The rows are what `hexdump -C` prints for the same bytes.
TEST(TraceWriterTest, ChunksAreLaidOutAsHexdumpDoes) {
  const TraceCase cases[] = {
      {TraceDirection::ComToNet, "192.0.2.7:50211", "W 1.50\r", TraceFate::Passed,
       " COM>NET 192.0.2.7:50211 7 bytes\n"
       "00000000  57 20 31 2e 35 30 0d                              |W 1.50.|\n"},
      {TraceDirection::NetToCom, "192.0.2.7:50211", std::string("ABCDEFGHIJKLMNOP\0\x7f\xff", 19),
       TraceFate::DroppedPaused,
       " NET>COM 192.0.2.7:50211 19 bytes, dropped: link paused\n"
       "00000000  41 42 43 44 45 46 47 48  49 4a 4b 4c 4d 4e 4f 50  |ABCDEFGHIJKLMNOP|\n"
       "00000010  00 7f ff                                          |...|\n"},
      {TraceDirection::ComToNet, "", "T", TraceFate::DroppedNoPeer,
       " COM>NET - 1 byte, dropped: no peer\n"
       "00000000  54                                                |T|\n"},
      {TraceDirection::NetToCom, "10.0.0.1:1", "", TraceFate::Answered,
       " NET>COM 10.0.0.1:1 0 bytes, answered: identification query\n"},
  };
  for (const TraceCase& c : cases) {
    SCOPED_TRACE(c.expected);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
    EXPECT_EQ(TraceWriter::Format(Noon(), c.direction, c.peer, bytes, c.bytes.size(), c.fate),
              "2025-06-01 12:00:00.042" + c.expected);
  }
}

}  // namespace
}  // namespace keldo
