// The program's icon as Windows loads it from an executable's resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/art/picture.h"
#include "shell/art/picture_scale.h"

namespace keldo::art {
namespace {

constexpr int kIconResource = 1;  // written by tests/CMakeLists.txt

struct Bitmaps {
  std::vector<std::uint32_t> colour;  // 0xAARRGGBB, top row first
  std::vector<std::uint32_t> mask;    // non-zero where the icon is transparent
};

std::vector<std::uint32_t> Bits(HBITMAP bitmap, int side) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = side;
  info.bmiHeader.biHeight = -side;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> bits(static_cast<std::size_t>(side) * side);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, side, bits.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(lines, side);
  return bits;
}

Bitmaps LoadProgramIcon(int side) {
  HICON icon =
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource),
                                    IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
  EXPECT_NE(icon, nullptr) << GetLastError();
  Bitmaps result;
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) {
    return result;
  }
  result.colour = Bits(info.hbmColor, side);
  result.mask = Bits(info.hbmMask, side);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  return result;
}

TEST(ProgramIconResource, LoadsWithTheMainIconsPixels) {
  for (const int side : {16, 24, 32, 48}) {
    SCOPED_TRACE(side);
    const Picture expected = ScaleForDpi(GetPicture(PictureId::MainIcon), side * 6);
    const Bitmaps icon = LoadProgramIcon(side);
    ASSERT_EQ(icon.colour.size(), expected.argb.size());
    for (std::size_t i = 0; i < expected.argb.size(); ++i) {
      const std::uint32_t want = expected.argb[i];
      if ((want >> 24) == 0) {
        EXPECT_NE(icon.mask[i] & 0xFFFFFF, 0u) << "pixel " << i << " should be transparent";
      } else {
        EXPECT_EQ(icon.mask[i] & 0xFFFFFF, 0u) << "pixel " << i << " should be opaque";
        EXPECT_EQ(icon.colour[i] & 0xFFFFFF, want & 0xFFFFFF) << "pixel " << i;
      }
    }
  }
}

}  // namespace
}  // namespace keldo::art
