#include "shell/toolkit/image_list.h"

namespace keldo::ui {

int ImageList::Add(const art::Picture& picture) {
  images_.push_back(MakeIcon(picture));
  return Count() - 1;
}

Icon ImageList::GetIcon(int index) const {
  if (index < 0 || index >= Count()) {
    return nullptr;
  }
  return images_[static_cast<std::size_t>(index)];
}

}  // namespace keldo::ui
