#pragma once

#include <span>
#include <stdexcept>

#include "shell/art/picture.h"

namespace keldo::art {

// Raised for source text that is not a picture this decoder reads; the message
// names the line.
class EXpmError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Decodes the strings of an XPM array: the values line ("width height colours
// characters-per-pixel", hot spot ignored), one line per colour, one per row.
// Colours are given with the "c" key as "#RRGGBB" or "None" (transparent);
// other keys are skipped. Anything else, extensions included, is refused.
Picture DecodeXpm(std::span<const char* const> lines);

}  // namespace keldo::art
