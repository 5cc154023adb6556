// Stands in for the artwork where it is not built: blank pictures of the
// sizes the windows expect, each of its own colour so tests can tell them apart.
#include <map>
#include <utility>

#include "shell/art/picture.h"

namespace keldo::art {

namespace {

Picture Blank(int width, int height, std::uint32_t argb) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.argb.assign(static_cast<std::size_t>(width) * height, argb);
  return picture;
}

std::pair<int, int> SizeOf(PictureId id) {
  switch (id) {
    case PictureId::StateRun:
    case PictureId::StatePause:
    case PictureId::StateStop:
      return {110, 110};
    case PictureId::ButtonPlay:
    case PictureId::ButtonPause:
    case PictureId::ButtonStop:
    case PictureId::ButtonSave:
      return {20, 20};
    case PictureId::ButtonClose:
      return {36, 18};
    default:
      return {16, 16};
  }
}

}  // namespace

const Picture& GetPicture(PictureId id) {
  static std::map<PictureId, Picture> pictures;
  auto it = pictures.find(id);
  if (it == pictures.end()) {
    const auto [width, height] = SizeOf(id);
    const auto shade = static_cast<std::uint32_t>(id) * 16;
    it = pictures.emplace(id, Blank(width, height, 0xFF000000u | shade)).first;
  }
  return it->second;
}

}  // namespace keldo::art
