#include "shell/art/picture.h"

#include <array>
#include <cstddef>
#include <span>

#include "shell/art/xpm.h"

namespace keldo::art {
namespace {

#include "shell/art/pictures/button_close.xpm"
#include "shell/art/pictures/button_config.xpm"
#include "shell/art/pictures/button_pause.xpm"
#include "shell/art/pictures/button_play.xpm"
#include "shell/art/pictures/button_save.xpm"
#include "shell/art/pictures/button_stop.xpm"
#include "shell/art/pictures/config_icon.xpm"
#include "shell/art/pictures/main_icon.xpm"
#include "shell/art/pictures/state_pause.xpm"
#include "shell/art/pictures/state_run.xpm"
#include "shell/art/pictures/state_stop.xpm"
#include "shell/art/pictures/tray_pause.xpm"
#include "shell/art/pictures/tray_run.xpm"
#include "shell/art/pictures/tray_stop.xpm"

constexpr std::size_t kPictureCount = static_cast<std::size_t>(PictureId::TrayPause) + 1;

std::span<const char* const> Source(PictureId id) {
  switch (id) {
    case PictureId::MainIcon:
      return main_icon_xpm;
    case PictureId::ConfigIcon:
      return config_icon_xpm;
    case PictureId::StateRun:
      return state_run_xpm;
    case PictureId::StatePause:
      return state_pause_xpm;
    case PictureId::StateStop:
      return state_stop_xpm;
    case PictureId::ButtonPlay:
      return button_play_xpm;
    case PictureId::ButtonPause:
      return button_pause_xpm;
    case PictureId::ButtonStop:
      return button_stop_xpm;
    case PictureId::ButtonConfig:
      return button_config_xpm;
    case PictureId::ButtonClose:
      return button_close_xpm;
    case PictureId::ButtonSave:
      return button_save_xpm;
    case PictureId::TrayRun:
      return tray_run_xpm;
    case PictureId::TrayStop:
      return tray_stop_xpm;
    case PictureId::TrayPause:
      return tray_pause_xpm;
  }
  throw EXpmError("no picture for this identifier");
}

}  // namespace

const Picture& GetPicture(PictureId id) {
  // Decoded on first use, once: about 150 kB of pixels that a program
  // without a window never pays for.
  static const std::array<Picture, kPictureCount> pictures = [] {
    std::array<Picture, kPictureCount> decoded;
    for (std::size_t i = 0; i < kPictureCount; ++i) {
      decoded[i] = DecodeXpm(Source(static_cast<PictureId>(i)));
    }
    return decoded;
  }();
  return pictures.at(static_cast<std::size_t>(id));
}

}  // namespace keldo::art
