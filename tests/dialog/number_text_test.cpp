#include "shell/number_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace keldo {
namespace {

struct Case {
  const char* text;
  std::optional<std::int32_t> value;
};

TEST(TextToInt, ConvertsOnlyWholeNumbersInRange) {
  const Case cases[] = {
      {"0", 0},
      {"5001", 5001},
      {"007", 7},
      {"+12", 12},
      {"-1", -1},
      {"  42", 42},  // leading spaces are skipped
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$1F", 31},
      {"x1f", 31},
      {"X1F", 31},
      {" 0x10", 16},
      {"0X10", 16},
      {"$FFFFFFFF", -1},  // the 32 bits, read as signed
      {"$80000000", INT32_MIN},
      {"0x00000000000010", 16},  // leading zeros do not count against the range
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"12 ", std::nullopt},  // nothing may follow the digits
      {"12x", std::nullopt},
      {"1 2", std::nullopt},
      {"\t12", std::nullopt},  // only spaces are skipped
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"-$1F", std::nullopt},  // no sign before a hexadecimal number
      {"+0x10", std::nullopt},
      {"$1G", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"$100000000", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToInt(c.text), c.value) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace keldo
