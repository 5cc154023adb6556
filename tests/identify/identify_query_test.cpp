#include "engine/identify_query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keldo {
namespace {

std::string AsText(const IdentifyReply& r) {
  return std::string(r.begin(), r.end());
}

std::vector<std::uint8_t> Query(std::string tail = "xyz") {
  std::string q = std::string("KTQ\x0FT01") + tail;
  return {q.begin(), q.end()};
}

TEST(IdentifyReply, MatchesTheWorkedExamples) {
  EXPECT_EQ(AsText(BuildIdentifyReply(1)),
            "\x0Ft01"
            "0001"
            "B7\r");
  EXPECT_EQ(AsText(BuildIdentifyReply(1234)),
            "\x0Ft01"
            "1234"
            "E7\r");
}

TEST(IdentifyReply, CheckDigitsAreLowNibbleFirstOfTheXorOfBytesZeroToSeven) {
  for (int id : {0, 7, 42, 999, 5000, 9999}) {
    const IdentifyReply r = BuildIdentifyReply(id);
    unsigned x = 0;
    for (int i = 0; i < 8; ++i)
      x ^= r[static_cast<std::size_t>(i)];
    const char* hex = "0123456789ABCDEF";
    EXPECT_EQ(r[8], hex[x & 0xF]) << id;
    EXPECT_EQ(r[9], hex[x >> 4]) << id;
    EXPECT_EQ(r[10], 0x0D);
  }
}

TEST(IdentifyReply, KeepsTheLastFourDigitsOfLargeAndNegativeIdentifiers) {
  EXPECT_EQ(AsText(BuildIdentifyReply(12345)).substr(4, 4), "2345");
  EXPECT_EQ(AsText(BuildIdentifyReply(10000)).substr(4, 4), "0000");
  // Negative values are the stored DWORD read as unsigned: always four digits.
  EXPECT_EQ(AsText(BuildIdentifyReply(-1)).substr(4, 4), "7295");
  const IdentifyReply r = BuildIdentifyReply(INT32_MIN);  // 2147483648
  EXPECT_EQ(AsText(r).substr(4, 4), "3648");
}

TEST(IdentifyQuery, RecognisesOnlyTenBytesWithTheFixedPrefix) {
  const auto q = Query();
  EXPECT_TRUE(IsIdentifyQuery(q.data(), 10));
  EXPECT_TRUE(IsIdentifyQuery(Query(std::string("\0\xFF\r", 3)).data(), 10));

  EXPECT_FALSE(IsIdentifyQuery(q.data(), 9));  // split over two reads
  auto joined = Query("xyzMORE");
  EXPECT_FALSE(IsIdentifyQuery(joined.data(), 14));  // joined with other bytes
  EXPECT_FALSE(IsIdentifyQuery(nullptr, 10));
  for (std::size_t i = 0; i < 7; ++i) {
    auto bad = q;
    bad[i] ^= 0x20;  // e.g. lower-case letters
    EXPECT_FALSE(IsIdentifyQuery(bad.data(), 10)) << "byte " << i;
  }
}

}  // namespace
}  // namespace keldo
