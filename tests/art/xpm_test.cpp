#include "shell/art/xpm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keldo::art {
namespace {

Picture Decode(const std::vector<const char*>& lines) {
  return DecodeXpm(lines);
}

TEST(DecodeXpm, ReadsMultiCharacterKeysTransparencyAndExtraKeys) {
  const Picture p = Decode({
      "3 2 3 2 0 0",  // with a hot spot
      ".. c None",
      "r. m white c #FF0000 s red",
      "bb s blue c #0000ff",
      "r...bb",
      "bbr.r.",
  });
  ASSERT_EQ(p.width, 3);
  ASSERT_EQ(p.height, 2);
  EXPECT_EQ(p.argb, (std::vector<std::uint32_t>{0xFFFF0000, 0x00000000, 0xFF0000FF, 0xFF0000FF,
                                                0xFFFF0000, 0xFFFF0000}));
}

TEST(DecodeXpm, RefusesMalformedSourceNamingTheLine) {
  struct Case {
    const char* what;
    std::vector<const char*> lines;
    const char* line;  // the line the message names
  };
  const Case cases[] = {
      {"nothing", {}, "line 1"},
      {"three values", {"1 1 1", "a c #000000", "a"}, "line 1"},
      {"value not a number", {"1 x 1 1", "a c #000000", "a"}, "line 1"},
      {"zero width", {"0 1 1 1", "a c #000000", ""}, "line 1"},
      {"enormous", {"100000 1 1 1", "a c #000000", "a"}, "line 1"},
      {"no characters per pixel", {"1 1 1 0", "a c #000000", "a"}, "line 1"},
      {"row missing", {"1 2 1 1", "a c #000000", "a"}, "line 4"},
      {"extension after the rows", {"1 1 1 1", "a c #000000", "a", "XPMEXT"}, "line 4"},
      {"no c key", {"1 1 1 1", "a m #000000", "a"}, "line 2"},
      {"odd key list", {"1 1 1 1", "a c", "a"}, "line 2"},
      {"named colour", {"1 1 1 1", "a c red", "a"}, "line 2"},
      {"short hex colour", {"1 1 1 1", "a c #12345", "a"}, "line 2"},
      {"not hex", {"1 1 1 1", "a c #12345G", "a"}, "line 2"},
      {"key twice", {"1 1 2 1", "a c #000000", "a c #FFFFFF", "a"}, "line 3"},
      {"short row", {"2 1 1 1", "a c #000000", "a"}, "line 3"},
      {"long row", {"2 1 1 1", "a c #000000", "aaa"}, "line 3"},
      {"undefined key", {"2 1 1 1", "a c #000000", "ab"}, "line 3"},
      {"null line", {"1 1 1 1", "a c #000000", nullptr}, "line 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Decode(c.lines);
      ADD_FAILURE() << "accepted";
    } catch (const EXpmError& e) {
      EXPECT_NE(std::string(e.what()).find(std::string(c.line) + ":"), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
}  // namespace keldo::art
