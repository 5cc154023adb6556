#include "shell/art/xpm.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace keldo::art {
namespace {

// Far above any picture of the program; keeps a bad values line from asking
// for gigabytes.
constexpr int kMaxSide = 4096;
constexpr int kMaxCharsPerPixel = 4;

[[noreturn]] void Fail(std::size_t line, const std::string& what) {
  throw EXpmError("XPM line " + std::to_string(line + 1) + ": " + what);
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = text.find_first_not_of(" \t", pos);
    if (start == std::string_view::npos) {
      break;
    }
    const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
    words.push_back(text.substr(start, end - start));
    pos = end;
  }
  return words;
}

int ParseInt(std::string_view word, std::size_t line) {
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) {
    Fail(line, "not a number: " + std::string(word));
  }
  return value;
}

std::uint32_t ParseColour(std::string_view value, std::size_t line) {
  if (value == "None" || value == "none") {
    return 0;
  }
  std::uint32_t rgb = 0;
  if (value.size() != 7 || value[0] != '#') {
    Fail(line, "colour is neither #RRGGBB nor None: " + std::string(value));
  }
  const auto [end, error] = std::from_chars(value.data() + 1, value.data() + 7, rgb, 16);
  if (error != std::errc() || end != value.data() + 7) {
    Fail(line, "bad hexadecimal colour: " + std::string(value));
  }
  return 0xFF000000u | rgb;
}

}  // namespace

Picture DecodeXpm(std::span<const char* const> lines) {
  if (lines.empty() || lines[0] == nullptr) {
    Fail(0, "missing values line");
  }
  const std::vector<std::string_view> values = Words(lines[0]);
  if (values.size() != 4 && values.size() != 6) {
    Fail(0, "values line needs width, height, colours and characters per pixel");
  }
  const int width = ParseInt(values[0], 0);
  const int height = ParseInt(values[1], 0);
  const int colours = ParseInt(values[2], 0);
  const int cpp = ParseInt(values[3], 0);
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
    Fail(0, "size out of range");
  }
  if (colours < 1 || cpp < 1 || cpp > kMaxCharsPerPixel) {
    Fail(0, "colour count or characters per pixel out of range");
  }
  const std::size_t expected = 1 + static_cast<std::size_t>(colours) + height;
  if (lines.size() != expected) {
    // Names the first missing or the first extra line.
    Fail(std::min(lines.size(), expected),
         "expected " + std::to_string(expected) + " lines, found " + std::to_string(lines.size()));
  }

  std::map<std::string_view, std::uint32_t, std::less<>> palette;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(colours); ++i) {
    const std::string_view text = lines[i] != nullptr ? lines[i] : "";
    if (text.size() < static_cast<std::size_t>(cpp)) {
      Fail(i, "colour line shorter than its key");
    }
    const std::string_view key = text.substr(0, cpp);
    const std::vector<std::string_view> words = Words(text.substr(cpp));
    if (words.size() % 2 != 0) {
      Fail(i, "colour line needs key and value pairs");
    }
    bool found = false;
    std::uint32_t argb = 0;
    for (std::size_t w = 0; w < words.size(); w += 2) {
      if (words[w] == "c") {
        argb = ParseColour(words[w + 1], i);
        found = true;
      }
    }
    if (!found) {
      Fail(i, "colour line has no \"c\" value");
    }
    if (!palette.emplace(key, argb).second) {
      Fail(i, "colour key used twice: " + std::string(key));
    }
  }

  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.argb.reserve(static_cast<std::size_t>(width) * height);
  const std::size_t rowLength = static_cast<std::size_t>(width) * cpp;
  for (std::size_t i = 1 + colours; i < expected; ++i) {
    const std::string_view row = lines[i] != nullptr ? lines[i] : "";
    if (row.size() != rowLength) {
      Fail(i, "row has " + std::to_string(row.size()) + " characters, expected " +
                  std::to_string(rowLength));
    }
    for (std::size_t x = 0; x < rowLength; x += cpp) {
      const auto found = palette.find(row.substr(x, cpp));
      if (found == palette.end()) {
        Fail(i, "undefined colour key: " + std::string(row.substr(x, cpp)));
      }
      picture.argb.push_back(found->second);
    }
  }
  return picture;
}

}  // namespace keldo::art
