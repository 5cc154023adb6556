#include "shell/art/picture_scale.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace keldo::art {
namespace {

// Every pixel a different colour, so a mapping can be read back from the result.
Picture Numbered(int width, int height) {
  Picture p{width, height, {}};
  for (int i = 0; i < width * height; ++i) {
    p.argb.push_back(0xFF000000u | static_cast<std::uint32_t>(i));
  }
  return p;
}

// For each destination column (row), the source column (row) it shows.
std::vector<int> Columns(const Picture& scaled, int sourceWidth) {
  std::vector<int> cols;
  for (int x = 0; x < scaled.width; ++x) {
    cols.push_back(static_cast<int>(scaled.At(x, 0) & 0xFFFFFF) % sourceWidth);
  }
  return cols;
}
std::vector<int> Rows(const Picture& scaled, int sourceWidth) {
  std::vector<int> rows;
  for (int y = 0; y < scaled.height; ++y) {
    rows.push_back(static_cast<int>(scaled.At(0, y) & 0xFFFFFF) / sourceWidth);
  }
  return rows;
}

TEST(ScaleForDpi, DoubleAndOneAndAHalf) {
  const Picture source = Numbered(16, 20);
  const Picture same = ScaleForDpi(source, 96);
  EXPECT_EQ(same.argb, source.argb);

  const Picture twice = ScaleForDpi(source, 192);
  ASSERT_EQ(twice.width, 32);
  ASSERT_EQ(twice.height, 40);
  for (int y = 0; y < twice.height; ++y) {
    for (int x = 0; x < twice.width; ++x) {
      ASSERT_EQ(twice.At(x, y), source.At(x / 2, y / 2)) << x << "," << y;
    }
  }

  // Even source lines once, odd ones twice.
  const Picture half = ScaleForDpi(source, 144);
  ASSERT_EQ(half.width, 24);
  ASSERT_EQ(half.height, 30);
  EXPECT_EQ(Columns(half, 16), (std::vector<int>{0, 1, 1, 2,  3,  3,  4,  5,  5,  6,  7,  7,
                                                 8, 9, 9, 10, 11, 11, 12, 13, 13, 14, 15, 15}));
  EXPECT_EQ(Rows(half, 16).size(), 30u);
  EXPECT_EQ(Rows(half, 16)[29], 19);
}

// Upscaled, no source line is lost or reordered, and the corners stay the
// corners, which keeps a picture button's bottom-left background colour.
TEST(ScaleForDpi, UpscalesKeepEveryLineInOrder) {
  for (const int dpi : {96, 110, 120, 144, 168, 192, 240, 288}) {
    for (const int side : {16, 18, 20, 36, 110}) {
      SCOPED_TRACE(std::to_string(dpi) + " dpi, side " + std::to_string(side));
      const Picture source = Numbered(side, 7);
      const Picture scaled = ScaleForDpi(source, dpi);
      EXPECT_EQ(scaled.width, (side * dpi + 48) / 96);
      const std::vector<int> cols = Columns(scaled, side);
      ASSERT_EQ(cols.front(), 0);
      ASSERT_EQ(cols.back(), side - 1);
      for (std::size_t i = 1; i < cols.size(); ++i) {
        ASSERT_TRUE(cols[i] == cols[i - 1] || cols[i] == cols[i - 1] + 1) << i;
      }
      EXPECT_EQ(scaled.At(0, scaled.height - 1), source.At(0, source.height - 1));
    }
  }
}

TEST(ScaleForDpi, EdgeCases) {
  EXPECT_THROW(ScaleForDpi(Numbered(4, 4), 0), std::invalid_argument);
  EXPECT_THROW(ScaleForDpi(Numbered(4, 4), -96), std::invalid_argument);
  const Picture dot = ScaleForDpi(Numbered(1, 1), 10);
  EXPECT_EQ(dot.width, 1);
  EXPECT_EQ(dot.argb.size(), 1u);
  EXPECT_TRUE(ScaleForDpi(Picture{}, 192).argb.empty());
}

}  // namespace
}  // namespace keldo::art
