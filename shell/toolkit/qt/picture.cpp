#include "shell/toolkit/qt/picture.h"

#include <QPixmap>

namespace keldo::ui::qt {

QImage ToImage(const art::Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < picture.width; ++x) {
      line[x] = picture.At(x, y);
    }
  }
  return image;
}

QIcon ToTrayIcon(const Icon& icon, int size) {
  if (!icon || icon->width <= 0 || icon->height <= 0) {
    QImage blank(size, size, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    return QIcon(QPixmap::fromImage(blank));
  }
  return QIcon(QPixmap::fromImage(ToImage(*icon)));
}

QIcon ToGlyphIcon(const art::Picture& picture, int glyphs) {
  if (picture.width <= 0 || picture.height <= 0) {
    return {};
  }
  QImage image = ToImage(picture);
  const QRgb key = image.pixel(0, image.height() - 1);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] == key) {
        line[x] = qRgba(0, 0, 0, 0);
      }
    }
  }
  const int count = glyphs > 1 ? glyphs : 1;
  const int width = image.width() / count;
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(image.copy(0, 0, width, image.height())), QIcon::Normal);
  if (count > 1) {
    // Without a second glyph Qt greys the first itself.
    icon.addPixmap(QPixmap::fromImage(image.copy(width, 0, width, image.height())),
                   QIcon::Disabled);
  }
  return icon;
}

}  // namespace keldo::ui::qt
