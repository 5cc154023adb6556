#pragma once

#include <cstdint>
#include <vector>

namespace keldo::art {

// A picture as every backend receives it: row-major from the top-left pixel,
// 0xAARRGGBB per pixel. Alpha is 0 (transparent, the mask) or 255 (opaque).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;

  std::uint32_t At(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
};

// The program's artwork, drawn once in the source and turned into each
// backend's bitmaps.
enum class PictureId {
  MainIcon,      // 16 x 16: a computer beside a desk terminal (main window, application)
  ConfigIcon,    // 16 x 16: a computer tower (configuration dialog)
  StateRun,      // 110 x 110: monitor joined to two desk terminals, green play sign
  StatePause,    // 110 x 110: the same, pause bars
  StateStop,     // 110 x 110: the same, red square
  ButtonPlay,    // 20 x 20: green triangle pointing right on black
  ButtonPause,   // 20 x 20: two green horizontal bars on black
  ButtonStop,    // 20 x 20: red square on black
  ButtonConfig,  // 16 x 16: a cable connector with a blue and a red lead
  ButtonClose,   // 36 x 18: an open door and its grey copy, side by side
  ButtonSave,    // 20 x 20: a diskette
  TrayRun,       // 16 x 16: grey computer case, dark-green triangle overlay
  TrayStop,      // 16 x 16: the same case, red square overlay
  TrayPause,     // 16 x 16: the same case, black pause bars overlay
};

const Picture& GetPicture(PictureId id);

}  // namespace keldo::art
