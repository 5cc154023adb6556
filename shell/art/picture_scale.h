#pragma once

#include "shell/art/picture.h"

namespace keldo::art {

// Pictures are drawn for 96 dpi. ScaleForDpi returns `picture` for a screen of
// `dpi` pixels per inch, round(size * dpi / 96) on each side, by nearest
// neighbour: destination pixel d takes source pixel floor((d + 0.5) * size /
// scaled size). No pixel is blended, so colours, the 0/255 alpha and the
// bottom-left background survive, and lines stay sharp:
// - 192 dpi (2x) draws every pixel as a 2 x 2 block;
// - 144 dpi (1.5x) draws even-numbered rows and columns once and odd-numbered
//   ones twice, so a one-pixel line comes out one or two pixels wide.
// The build's icon files (16 x 16 at 24, 32, 48, ...) follow the same rule.
// Throws std::invalid_argument for a dpi below 1.
Picture ScaleForDpi(const Picture& picture, int dpi);

}  // namespace keldo::art
