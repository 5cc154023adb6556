#include "engine/platform/posix/hive_format.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace keldo::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE";

Hive Parse(std::string_view text) {
  auto hive = ParseHive(text, kRoot);
  EXPECT_TRUE(hive) << text;
  return hive ? *hive : Hive{};
}

// Writing and reading back changes nothing, and a second write is identical.
void ExpectStableRoundTrip(const Hive& hive) {
  const std::string written = WriteHive(hive, kRoot);
  const auto again = ParseHive(written, kRoot);
  ASSERT_TRUE(again) << written;
  EXPECT_EQ(*again, hive) << written;
  EXPECT_EQ(WriteHive(*again, kRoot), written);
}

const HiveValue& ValueOf(const Hive& hive, std::string_view key, std::string_view name) {
  static const HiveValue kNone{"<none>", 0xFFFF, {}};
  const HiveKey* section = FindKey(hive, key);
  const HiveValue* value = section != nullptr ? FindValue(*section, name) : nullptr;
  return value != nullptr ? *value : kNone;
}

TEST(HiveFormat, ReadsAHandWrittenFileWithCrLfAndComments) {
  const Hive hive = Parse(
      "\xEF\xBB\xBFREGEDIT4\r\n"
      "\r\n"
      "; bench 3, edited by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\r\n"
      "\"ServerName\"=\"Bench \\\"3\\\" \\\\ east\"\r\n"
      "\"ServerPort\"=dword:00001389\r\n"
      "  ; indented comment\r\n"
      "@=\"default\"\r\n"
      "\"Blob\"=hex:01,02,\\\r\n"
      "  03,FF\r\n"
      "\"Path\"=hex(2):25,00\r\n"
      "\"Short\"=DWORD:7\r\n");
  EXPECT_THAT(ValueOf(hive, "software\\talmo\\keldo", "servername").data,
              ElementsAre('B', 'e', 'n', 'c', 'h', ' ', '"', '3', '"', ' ', '\\', ' ', 'e', 'a',
                          's', 't', 0));
  EXPECT_EQ(ValueOf(hive, "Software\\TALMO\\KELDO", "ServerPort").type, 4u);
  EXPECT_THAT(ValueOf(hive, "Software\\TALMO\\KELDO", "ServerPort").data,
              ElementsAre(0x89, 0x13, 0, 0));
  EXPECT_THAT(ValueOf(hive, "Software\\TALMO\\KELDO", "").data,
              ElementsAre('d', 'e', 'f', 'a', 'u', 'l', 't', 0));
  EXPECT_THAT(ValueOf(hive, "Software\\TALMO\\KELDO", "Blob").data, ElementsAre(1, 2, 3, 0xFF));
  EXPECT_EQ(ValueOf(hive, "Software\\TALMO\\KELDO", "Path").type, 2u);
  EXPECT_THAT(ValueOf(hive, "Software\\TALMO\\KELDO", "Short").data, ElementsAre(7, 0, 0, 0));
  EXPECT_THAT(hive.keptLines, ElementsAre("; bench 3, edited by hand"));
  EXPECT_THAT(FindKey(hive, "Software\\TALMO\\KELDO")->keptLines,
              ElementsAre("  ; indented comment"));
  EXPECT_TRUE(KeyExists(hive, "SOFTWARE"));
  EXPECT_TRUE(KeyExists(hive, "Software\\Talmo"));
  EXPECT_FALSE(KeyExists(hive, "Software\\TALM"));
  ExpectStableRoundTrip(hive);
}

TEST(HiveFormat, KeepsEveryTypeByteExact) {
  Hive hive;
  hive.keys.push_back(HiveKey{"Types", false, {}, {}});
  auto& values = hive.keys.back().values;
  values.push_back({"MultiSz", 7, {'a', 0, 'b', 0, 0}});
  values.push_back({"Qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}});
  values.push_back({"None", 0, {}});
  values.push_back({"OddType", 0x80000001, {0xAB}});
  values.push_back({"SzWithoutNul", 1, {'x', 'y'}});
  values.push_back({"SzWithNewline", 1, {'a', '\n', 'b', 0}});
  values.push_back({"EmptySz", 1, {}});
  values.push_back({"ShortDword", 4, {1, 2}});
  values.push_back({"Long", 3, std::vector<std::uint8_t>(300, 0x5A)});
  values.push_back({"Name \"with\" \\ quotes", 1, {'v', 0}});
  ExpectStableRoundTrip(hive);

  const std::string text = WriteHive(hive, kRoot);
  EXPECT_THAT(text, HasSubstr("\"Qword\"=hex(b):01,02,03,04,05,06,07,08\n"));
  EXPECT_THAT(text, HasSubstr("\"OddType\"=hex(80000001):ab\n"));
  EXPECT_THAT(text, HasSubstr("\"EmptySz\"=hex(1):\n"));
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(line.size(), 80u) << line;
  }
}

TEST(HiveFormat, LinesThatDoNotParseAreKeptAndTheRestStaysUsable) {
  const std::string text =
      "REGEDIT4\n"
      "stray text before any key\n"
      "[HKEY_LOCAL_MACHINE\\A]\n"
      "\"Good\"=dword:00000001\n"
      "\"BadNumber\"=dword:xyz\n"
      "\"BadEscape\"=\"C:\\Temp\"\n"
      "\"Broken\"=hex:01,\\\n"
      "[HKEY_LOCAL_MACHINE\\B]\n"
      "\"Other\"=\"y\"\n"
      "[HKEY_CURRENT_USER\\Elsewhere]\n"
      "\"Hidden\"=\"z\"\n"
      "[-HKEY_LOCAL_MACHINE\\C]\n"
      "[HKEY_LOCAL_MACHINE\\D\\\\E]\n"
      "[HKEY_LOCAL_MACHINE\\B]\n"
      "\"Merged\"=dword:2\n";
  const Hive hive = Parse(text);
  EXPECT_THAT(hive.keptLines, ElementsAre("stray text before any key"));
  const HiveKey* a = FindKey(hive, "A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->values.size(), 1u);
  EXPECT_THAT(a->keptLines, ElementsAre("\"BadNumber\"=dword:xyz", "\"BadEscape\"=\"C:\\Temp\"",
                                        "\"Broken\"=hex:01,\\"));
  // The broken continuation does not swallow the next key, and a key written
  // twice is one key.
  EXPECT_EQ(ValueOf(hive, "B", "Other").type, 1u);
  EXPECT_EQ(ValueOf(hive, "B", "Merged").type, 4u);
  EXPECT_FALSE(KeyExists(hive, "Elsewhere"));
  EXPECT_FALSE(KeyExists(hive, "C"));
  EXPECT_FALSE(KeyExists(hive, "D"));
  ExpectStableRoundTrip(hive);

  const std::string written = WriteHive(hive, kRoot);
  for (const char* line :
       {"stray text before any key", "\"BadNumber\"=dword:xyz", "[HKEY_CURRENT_USER\\Elsewhere]",
        "\"Hidden\"=\"z\"", "[-HKEY_LOCAL_MACHINE\\C]", "[HKEY_LOCAL_MACHINE\\D\\\\E]"}) {
    EXPECT_THAT(written, HasSubstr(std::string(line) + "\n"));
  }
}

TEST(HiveFormat, AKeptLineEndingInABackslashDoesNotJoinTheNextOne) {
  const Hive cutByBlank = Parse(
      "REGEDIT4\n"
      "[HKEY_LOCAL_MACHINE\\A]\n"
      "\"Cut\"=hex:01,\\\n"
      "\n"
      "02\n");
  EXPECT_EQ(FindKey(cutByBlank, "A")->values.size(), 0u);
  ExpectStableRoundTrip(cutByBlank);

  const Hive cutByValue = Parse(
      "REGEDIT4\n"
      "[HKEY_LOCAL_MACHINE\\A]\n"
      "\"Cut\"=hex:01,\\\n"
      "\"Next\"=hex:61,00\n");
  EXPECT_EQ(ValueOf(cutByValue, "A", "Next").type, 3u);
  EXPECT_EQ(ValueOf(cutByValue, "A", "Cut").type, 0xFFFFu);
  ExpectStableRoundTrip(cutByValue);
}

TEST(HiveFormat, OnlyRegedit4IsAHive) {
  EXPECT_FALSE(
      ParseHive("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n", kRoot));
  EXPECT_FALSE(ParseHive(std::string("\xFF\xFER\0E\0G\0", 8), kRoot));
  EXPECT_FALSE(ParseHive("[HKEY_LOCAL_MACHINE\\A]\nREGEDIT4\n", kRoot));
  EXPECT_TRUE(ParseHive("", kRoot));
  EXPECT_TRUE(ParseHive("\n  \r\n", kRoot));
  EXPECT_TRUE(ParseHive("  REGEDIT4  ", kRoot));
}

}  // namespace
}  // namespace keldo::platform
