#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <map>
#include <memory>

#include "shell/art/picture.h"
#include "shell/toolkit/types.h"
#include "shell/toolkit/win32/gdi.h"

namespace keldo::ui::win32 {

COLORREF ToColorRef(Color color);

// Draws the columns [srcX, srcX + width) of picture with its top-left corner
// at (x, y). Transparent pixels (alpha 0, and with keyed the colour of the
// picture's bottom-left pixel) show background. width < 0: to the right edge.
void DrawPicture(HDC dc, const art::Picture& picture, int x, int y, COLORREF background, bool keyed,
                 int srcX = 0, int width = -1);

// A grey copy for a disabled button that has no picture of its own for it;
// the key colour stays as it is, so it stays transparent.
art::Picture GreyedPicture(const art::Picture& picture);

// An icon with the picture's colours and its alpha as the mask; empty for an
// empty picture. EOutOfResources when the system makes none.
OwnedIcon CreateIconFromPicture(const art::Picture& picture);

// The native icons of shared pictures, made once per picture. An entry
// whose picture has gone is made again, so a new picture at an old address
// never gets the old icon.
class IconCache {
 public:
  // nullptr for an empty icon.
  HICON Get(const Icon& icon);

 private:
  struct Entry {
    std::weak_ptr<const art::Picture> picture;
    OwnedIcon handle;
  };
  std::map<const art::Picture*, Entry> entries_;
};

}  // namespace keldo::ui::win32
