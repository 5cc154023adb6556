#include "shell/art/picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/art/pixel.h"

namespace keldo::art {
namespace {

using test::Blue;
using test::Green;
using test::Opaque;
using test::Red;

struct Region {
  int left, top, width, height;
};

struct Expected {
  PictureId id;
  const char* name;
  int width;
  int height;
  std::size_t colourBudget;  // distinct opaque colours; 0 for true colour
  bool masked;               // has transparent pixels; buttons key a colour instead
};

constexpr std::size_t kTrueColour = 0;

const Expected kPictures[] = {
    {PictureId::MainIcon, "MainIcon", 16, 16, 16, true},
    {PictureId::ConfigIcon, "ConfigIcon", 16, 16, 16, true},
    {PictureId::StateRun, "StateRun", 110, 110, 256, true},
    {PictureId::StatePause, "StatePause", 110, 110, 256, true},
    {PictureId::StateStop, "StateStop", 110, 110, 256, true},
    {PictureId::ButtonPlay, "ButtonPlay", 20, 20, kTrueColour, false},
    {PictureId::ButtonPause, "ButtonPause", 20, 20, kTrueColour, false},
    {PictureId::ButtonStop, "ButtonStop", 20, 20, kTrueColour, false},
    {PictureId::ButtonConfig, "ButtonConfig", 16, 16, 16, false},
    {PictureId::ButtonClose, "ButtonClose", 36, 18, 16, false},
    {PictureId::ButtonSave, "ButtonSave", 20, 20, 16, false},
    {PictureId::TrayRun, "TrayRun", 16, 16, 16, true},
    {PictureId::TrayStop, "TrayStop", 16, 16, 16, true},
    {PictureId::TrayPause, "TrayPause", 16, 16, 16, true},
};

TEST(Pictures, SizeMaskAndColourBudget) {
  ASSERT_EQ(std::size(kPictures), static_cast<std::size_t>(PictureId::TrayPause) + 1);
  for (const Expected& e : kPictures) {
    SCOPED_TRACE(e.name);
    const Picture& p = GetPicture(e.id);
    ASSERT_EQ(p.width, e.width);
    ASSERT_EQ(p.height, e.height);
    ASSERT_EQ(p.argb.size(), static_cast<std::size_t>(e.width) * e.height);
    std::set<std::uint32_t> colours;
    std::size_t transparent = 0;
    for (const std::uint32_t px : p.argb) {
      const std::uint32_t alpha = px >> 24;
      ASSERT_TRUE(alpha == 0 || alpha == 255) << std::hex << px;
      if (alpha == 0) {
        ++transparent;
      } else {
        colours.insert(px);
      }
    }
    if (e.colourBudget != kTrueColour) {
      EXPECT_LE(colours.size(), e.colourBudget);
    }
    EXPECT_GE(colours.size(), 3u) << "a picture needs more than an outline";
    EXPECT_EQ(transparent > 0, e.masked);
  }
}

// Picture buttons draw the bottom-left pixel's colour transparent. That colour
// must be the background all round, and keying it must not punch holes into
// the glyph: every pixel of it is reached from the edge through the same colour.
void ExpectKeyedBackground(const Picture& p, Region r) {
  const auto at = [&](int x, int y) { return p.At(r.left + x, r.top + y); };
  const std::uint32_t key = at(0, r.height - 1);
  EXPECT_TRUE(Opaque(key));
  EXPECT_EQ(at(0, 0), key);
  EXPECT_EQ(at(r.width - 1, 0), key);
  EXPECT_EQ(at(r.width - 1, r.height - 1), key);

  std::vector<char> reached(static_cast<std::size_t>(r.width) * r.height, 0);
  std::vector<std::pair<int, int>> todo;
  for (int x = 0; x < r.width; ++x) {
    todo.emplace_back(x, 0);
    todo.emplace_back(x, r.height - 1);
  }
  for (int y = 0; y < r.height; ++y) {
    todo.emplace_back(0, y);
    todo.emplace_back(r.width - 1, y);
  }
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    if (x < 0 || y < 0 || x >= r.width || y >= r.height || at(x, y) != key) {
      continue;
    }
    char& seen = reached[static_cast<std::size_t>(y) * r.width + x];
    if (seen != 0) {
      continue;
    }
    seen = 1;
    todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
  }
  int glyph = 0;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      if (at(x, y) == key) {
        EXPECT_NE(reached[static_cast<std::size_t>(y) * r.width + x], 0)
            << "background colour inside the glyph at " << x << "," << y;
      } else {
        ++glyph;
      }
    }
  }
  EXPECT_GE(glyph, r.width * r.height / 8) << "the glyph is missing or tiny";
}

TEST(Pictures, ButtonsKeyOnlyTheirBackground) {
  for (const PictureId id : {PictureId::ButtonPlay, PictureId::ButtonPause, PictureId::ButtonStop,
                             PictureId::ButtonConfig, PictureId::ButtonSave}) {
    SCOPED_TRACE(static_cast<int>(id));
    const Picture& p = GetPicture(id);
    ExpectKeyedBackground(p, {0, 0, p.width, p.height});
  }
  for (const int left : {0, 18}) {
    SCOPED_TRACE(left);
    ExpectKeyedBackground(GetPicture(PictureId::ButtonClose), {left, 0, 18, 18});
  }
  // Play, pause and stop show on black, as their labels say.
  for (const PictureId id :
       {PictureId::ButtonPlay, PictureId::ButtonPause, PictureId::ButtonStop}) {
    const Picture& p = GetPicture(id);
    EXPECT_EQ(p.At(0, p.height - 1), 0xFF000000u);
  }
}

TEST(Pictures, DisabledCloseIsAGreyCopyOfTheEnabledOne) {
  const Picture& p = GetPicture(PictureId::ButtonClose);
  const std::uint32_t key = p.At(0, p.height - 1);
  bool colourful = false;
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 18; ++x) {
      const std::uint32_t on = p.At(x, y);
      const std::uint32_t off = p.At(18 + x, y);
      ASSERT_EQ(on == key, off == key) << "outline differs at " << x << "," << y;
      if (off != key) {
        EXPECT_TRUE(Red(off) == Green(off) && Green(off) == Blue(off)) << x << "," << y;
      }
      colourful = colourful || (on != key && !(Red(on) == Green(on) && Green(on) == Blue(on)));
    }
  }
  EXPECT_TRUE(colourful) << "the enabled door is grey already";
}

// What differs between the pictures of one family: the region of the sign.
struct Family {
  std::vector<PictureId> members;
  std::function<bool(int, int)> inSign;
  int minShared;  // opaque pixels the members must share outside it
};

TEST(Pictures, FamiliesShareEverythingButTheirSign) {
  const Family families[] = {
      // The grey case at the upper left; the overlay at the lower right.
      {{PictureId::TrayRun, PictureId::TrayStop, PictureId::TrayPause},
       [](int x, int y) { return x >= 8 && y >= 7; },
       60},
      // Monitor, cables and terminals; the round sign in the middle.
      {{PictureId::StateRun, PictureId::StatePause, PictureId::StateStop},
       [](int x, int y) { return (x - 55) * (x - 55) + (y - 58) * (y - 58) <= 17 * 17; },
       2500},
  };
  for (const Family& f : families) {
    const Picture& first = GetPicture(f.members[0]);
    for (std::size_t m = 1; m < f.members.size(); ++m) {
      SCOPED_TRACE(static_cast<int>(f.members[m]));
      const Picture& other = GetPicture(f.members[m]);
      ASSERT_EQ(other.width, first.width);
      int shared = 0;
      int differing = 0;
      for (int y = 0; y < first.height; ++y) {
        for (int x = 0; x < first.width; ++x) {
          if (!f.inSign(x, y)) {
            ASSERT_EQ(other.At(x, y), first.At(x, y)) << x << "," << y;
            shared += Opaque(first.At(x, y)) ? 1 : 0;
          } else {
            differing += other.At(x, y) != first.At(x, y) ? 1 : 0;
          }
        }
      }
      EXPECT_GE(shared, f.minShared);
      EXPECT_GT(differing, 0);
    }
  }
}

// Each state is told by the same sign everywhere: a triangle pointing right,
// two bars one above the other, or a square.
enum class Sign { Triangle, Bars, Square };

bool IsGreen(std::uint32_t px) {
  return Opaque(px) && Green(px) > Red(px) + 40 && Green(px) > Blue(px) + 40;
}
bool IsRed(std::uint32_t px) {
  return Opaque(px) && Red(px) > Green(px) + 40 && Red(px) > Blue(px) + 40;
}
bool IsBlack(std::uint32_t px) {
  return px == 0xFF000000u;
}

TEST(Pictures, SignsMatchTheirState) {
  struct Case {
    PictureId id;
    Region region;
    bool (*ink)(std::uint32_t);
    Sign sign;
  };
  const Region button{0, 0, 20, 20};
  const Region disc{45, 48, 21, 21};
  const Region overlay{9, 7, 7, 9};  // clear of the case's outline
  const Case cases[] = {
      {PictureId::ButtonPlay, button, IsGreen, Sign::Triangle},
      {PictureId::ButtonPause, button, IsGreen, Sign::Bars},
      {PictureId::ButtonStop, button, IsRed, Sign::Square},
      {PictureId::StateRun, disc, IsGreen, Sign::Triangle},
      {PictureId::StatePause, disc, IsGreen, Sign::Bars},
      {PictureId::StateStop, disc, IsRed, Sign::Square},
      {PictureId::TrayRun, {8, 7, 8, 9}, IsGreen, Sign::Triangle},
      {PictureId::TrayStop, overlay, IsRed, Sign::Square},
      {PictureId::TrayPause, overlay, IsBlack, Sign::Bars},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    const Picture& p = GetPicture(c.id);
    // Inked pixels per row, with the rows above and below the sign dropped.
    std::vector<int> rows;
    for (int y = 0; y < c.region.height; ++y) {
      int ink = 0;
      for (int x = 0; x < c.region.width; ++x) {
        ink += c.ink(p.At(c.region.left + x, c.region.top + y)) ? 1 : 0;
      }
      if (ink > 0 || !rows.empty()) {
        rows.push_back(ink);
      }
    }
    while (!rows.empty() && rows.back() == 0) {
      rows.pop_back();
    }
    ASSERT_GE(rows.size(), 4u) << "no sign drawn";
    const bool gap = std::count(rows.begin(), rows.end(), 0) > 0;
    const int widest = *std::max_element(rows.begin(), rows.end());
    const bool even = std::all_of(rows.begin(), rows.end(), [&](int n) { return n == widest; });
    switch (c.sign) {
      case Sign::Square:
        EXPECT_TRUE(even && std::abs(static_cast<int>(rows.size()) - widest) <= 1);
        break;
      case Sign::Bars:
        EXPECT_TRUE(gap) << "bars lie one above the other";
        break;
      case Sign::Triangle:
        // Pointing sideways: narrow at the top and bottom, widest between.
        EXPECT_FALSE(gap);
        EXPECT_LT(rows.front() * 2, widest);
        EXPECT_LT(rows.back() * 2, widest);
        break;
    }
  }
}

}  // namespace
}  // namespace keldo::art
