#pragma once

#include <vector>

#include "shell/art/picture.h"
#include "shell/toolkit/component.h"
#include "shell/toolkit/types.h"

namespace keldo::ui {

// A list of same-sized pictures handed out as icons. Portable: every backend
// turns an Icon into its own bitmap where it shows one.
class ImageList : public Component {
 public:
  ImageList(int width, int height) : width_(width), height_(height) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return static_cast<int>(images_.size()); }

  // Returns the new image's index. A picture of another size is taken as it
  // is; backends draw it at the list's size from the top-left corner.
  int Add(const art::Picture& picture);
  void Clear() { images_.clear(); }

  // The image at index as an icon; an index outside the list gives an empty
  // icon, never an error.
  Icon GetIcon(int index) const;

 private:
  int width_;
  int height_;
  std::vector<Icon> images_;
};

}  // namespace keldo::ui
