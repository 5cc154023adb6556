#include "shell/art/picture_scale.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace keldo::art {
namespace {

constexpr std::int64_t kBaseDpi = 96;

int ScaledSide(int side, int dpi) {
  const std::int64_t scaled = (static_cast<std::int64_t>(side) * dpi + kBaseDpi / 2) / kBaseDpi;
  return static_cast<int>(std::max<std::int64_t>(scaled, 1));
}

// Integer form of floor((d + 0.5) * from / to), so every build maps alike.
std::vector<int> SourceIndices(int from, int to) {
  std::vector<int> indices(static_cast<std::size_t>(to));
  for (int d = 0; d < to; ++d) {
    indices[static_cast<std::size_t>(d)] =
        static_cast<int>((2 * static_cast<std::int64_t>(d) + 1) * from / (2 * std::int64_t{to}));
  }
  return indices;
}

}  // namespace

Picture ScaleForDpi(const Picture& picture, int dpi) {
  if (dpi < 1) {
    throw std::invalid_argument("ScaleForDpi: dpi must be positive");
  }
  Picture scaled;
  if (picture.width < 1 || picture.height < 1) {
    return scaled;
  }
  scaled.width = ScaledSide(picture.width, dpi);
  scaled.height = ScaledSide(picture.height, dpi);
  const std::vector<int> xs = SourceIndices(picture.width, scaled.width);
  const std::vector<int> ys = SourceIndices(picture.height, scaled.height);
  scaled.argb.reserve(static_cast<std::size_t>(scaled.width) * scaled.height);
  for (const int y : ys) {
    for (const int x : xs) {
      scaled.argb.push_back(picture.At(x, y));
    }
  }
  return scaled;
}

}  // namespace keldo::art
