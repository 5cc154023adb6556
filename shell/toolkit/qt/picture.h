#pragma once

#include <QIcon>
#include <QImage>

#include "shell/art/picture.h"
#include "shell/toolkit/types.h"

namespace keldo::ui::qt {

// The picture as a 32-bit image with its alpha.
QImage ToImage(const art::Picture& picture);

// The notification area's icon. An empty Icon becomes a fully transparent
// image of the given size: Qt refuses to show an icon without one.
QIcon ToTrayIcon(const Icon& icon, int size = 16);

// A button's glyphs: `glyphs` images of equal width side by side, the first
// for the enabled state, the second (if any) for the disabled one. Every
// pixel of the bottom-left pixel's colour becomes transparent.
QIcon ToGlyphIcon(const art::Picture& picture, int glyphs);

}  // namespace keldo::ui::qt
