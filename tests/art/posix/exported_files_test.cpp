// The build's icon files and the XPM sources, read back by Qt's own decoders,
// must show exactly the pixels the program draws.
#include <gtest/gtest.h>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "shell/art/picture.h"
#include "shell/art/picture_scale.h"

namespace keldo::art {
namespace {

namespace fs = std::filesystem;

const fs::path kArtDir = KELDO_ART_DIR;
const fs::path kSourceDir = KELDO_ART_SOURCE_DIR;

std::string Hex(std::uint32_t argb) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(argb));
  return text;
}

testing::AssertionResult SamePixels(const QImage& read, const Picture& expected) {
  if (read.isNull()) {
    return testing::AssertionFailure() << "not decoded";
  }
  if (read.width() != expected.width || read.height() != expected.height) {
    return testing::AssertionFailure() << read.width() << " x " << read.height() << " instead of "
                                       << expected.width << " x " << expected.height;
  }
  const QImage argb = read.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      const std::uint32_t want = expected.At(x, y);
      const std::uint32_t got = argb.pixel(x, y);
      // Transparent pixels carry no colour worth comparing.
      if ((want >> 24) == 0 ? (got >> 24) != 0 : got != want) {
        return testing::AssertionFailure()
               << "pixel " << x << "," << y << " is " << Hex(got) << " instead of " << Hex(want);
      }
    }
  }
  return testing::AssertionSuccess();
}

// The icon at `side` pixels is the 16 x 16 one scaled by the high-dpi rule.
Picture MainIconAt(int side) {
  return ScaleForDpi(GetPicture(PictureId::MainIcon), side * 6);
}

TEST(ExportedArt, XpmSourcesDecodeAlikeInQt) {
  const std::pair<PictureId, const char*> sources[] = {
      {PictureId::MainIcon, "main_icon"},         {PictureId::ConfigIcon, "config_icon"},
      {PictureId::StateRun, "state_run"},         {PictureId::StatePause, "state_pause"},
      {PictureId::StateStop, "state_stop"},       {PictureId::ButtonPlay, "button_play"},
      {PictureId::ButtonPause, "button_pause"},   {PictureId::ButtonStop, "button_stop"},
      {PictureId::ButtonConfig, "button_config"}, {PictureId::ButtonClose, "button_close"},
      {PictureId::ButtonSave, "button_save"},     {PictureId::TrayRun, "tray_run"},
      {PictureId::TrayStop, "tray_stop"},         {PictureId::TrayPause, "tray_pause"},
  };
  for (const auto& [id, name] : sources) {
    SCOPED_TRACE(name);
    const fs::path file = kSourceDir / (std::string(name) + ".xpm");
    EXPECT_TRUE(SamePixels(QImage(QString::fromStdString(file.string()), "XPM"), GetPicture(id)));
  }
}

TEST(ExportedArt, WindowsIconHoldsEverySizeOfTheMainIcon) {
  QImageReader reader(QString::fromStdString((kArtDir / "keldo-link.ico").string()), "ICO");
  ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
  ASSERT_GE(reader.imageCount(), 3);
  std::set<int> sides;
  for (int i = 0; i < reader.imageCount(); ++i) {
    ASSERT_TRUE(reader.jumpToImage(i));
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << i << ": " << reader.errorString().toStdString();
    SCOPED_TRACE(image.width());
    EXPECT_TRUE(SamePixels(image, MainIconAt(image.width())));
    sides.insert(image.width());
  }
  for (const int side : {16, 24, 32, 48}) {
    EXPECT_EQ(sides.count(side), 1u) << side;
  }
}

TEST(ExportedArt, DesktopIconsAreTheMainIcon) {
  int found = 0;
  for (const auto& entry : fs::directory_iterator(kArtDir / "hicolor")) {
    const std::string folder = entry.path().filename().string();  // "NxN"
    const int side = std::stoi(folder);
    ASSERT_EQ(folder, std::to_string(side) + "x" + std::to_string(side));
    SCOPED_TRACE(folder);
    const fs::path png = entry.path() / "apps" / "keldo-link.png";
    EXPECT_TRUE(SamePixels(QImage(QString::fromStdString(png.string()), "PNG"), MainIconAt(side)));
    ++found;
  }
  EXPECT_GE(found, 4);
}

}  // namespace
}  // namespace keldo::art
