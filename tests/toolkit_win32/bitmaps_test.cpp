#include "shell/toolkit/win32/bitmaps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace keldo::test {
namespace {

using ui::win32::DrawPicture;

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kClear = 0x00000000;

// Two glyphs side by side, 2 x 2 each, on the key colour black (bottom left).
art::Picture TwoGlyphs() {
  return {4, 2, {kRed, kBlack, kGreen, kClear, kBlack, kBlack, kBlack, kGreen}};
}

// Draws into a memory bitmap filled with white and reads it back.
class Canvas {
 public:
  Canvas() : dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = -4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                 nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    std::fill(bits_, bits_ + 32, 0xFFFFFFu);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC Dc() const { return dc_; }
  std::uint32_t At(int x, int y) const {
    ::GdiFlush();
    return bits_[y * 8 + x] & 0xFFFFFF;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

TEST(Win32Bitmaps, KeyedPicturesShowTheBackgroundWhereTheKeyColourIs) {
  const COLORREF face = RGB(0x12, 0x34, 0x56);
  Canvas keyed;
  DrawPicture(keyed.Dc(), TwoGlyphs(), 0, 0, face, true, 0, 2);
  EXPECT_EQ(keyed.At(0, 0), 0xFF0000u);
  EXPECT_EQ(keyed.At(1, 0), 0x123456u) << "the key colour is transparent";
  EXPECT_EQ(keyed.At(0, 1), 0x123456u);
  EXPECT_EQ(keyed.At(2, 0), 0xFFFFFFu) << "only the first glyph's columns";

  // The second glyph (a disabled button's): its transparent pixel shows the
  // background too.
  Canvas second;
  DrawPicture(second.Dc(), TwoGlyphs(), 0, 0, face, true, 2, 2);
  EXPECT_EQ(second.At(0, 0), 0x00FF00u);
  EXPECT_EQ(second.At(1, 0), 0x123456u);
  EXPECT_EQ(second.At(1, 1), 0x00FF00u);

  // Unkeyed (a picture control): black stays black.
  Canvas plain;
  DrawPicture(plain.Dc(), TwoGlyphs(), 0, 0, face, false);
  EXPECT_EQ(plain.At(1, 0), 0x000000u);
  EXPECT_EQ(plain.At(3, 0), 0x123456u) << "alpha 0 is transparent";
}

TEST(Win32Bitmaps, IconMaskFollowsTheAlpha) {
  const ui::win32::OwnedIcon icon = ui::win32::CreateIconFromPicture(TwoGlyphs());
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
  BITMAP mask{};
  ::GetObjectA(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 4);
  const ui::win32::Bitmap maskBitmap(info.hbmMask);
  const ui::win32::Bitmap colorBitmap(info.hbmColor);
  HDC dc = ::CreateCompatibleDC(nullptr);
  {
    const ui::win32::Selected selected(dc, maskBitmap.get());
    EXPECT_EQ(::GetPixel(dc, 3, 0), RGB(255, 255, 255)) << "transparent";
    EXPECT_EQ(::GetPixel(dc, 1, 0), RGB(0, 0, 0)) << "black is opaque in an icon";
  }
  ::DeleteDC(dc);
  EXPECT_EQ(ui::win32::CreateIconFromPicture({}), nullptr);
}

TEST(Win32Bitmaps, IconCacheMakesANewIconForANewPicture) {
  ui::win32::IconCache cache;
  ui::Icon first = ui::MakeIcon(TwoGlyphs());
  HICON handle = cache.Get(first);
  EXPECT_NE(handle, nullptr);
  EXPECT_EQ(cache.Get(first), handle);
  EXPECT_EQ(cache.Get(nullptr), nullptr);
  ui::Icon second = ui::MakeIcon(TwoGlyphs());
  EXPECT_NE(cache.Get(second), handle);
}

}  // namespace
}  // namespace keldo::test
