#include "shell/toolkit/win32/bitmaps.h"

#include "shell/toolkit/errors.h"

#include <cstdint>
#include <map>
#include <vector>

namespace keldo::ui::win32 {

namespace {

bool Opaque(std::uint32_t argb) {
  return (argb >> 24) != 0;
}

// A top-down 32-bit DIB header for width x height.
BITMAPINFO DibInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

COLORREF ToColorRef(Color color) {
  switch (color.system) {
    case Color::System::ButtonFace:
      return ::GetSysColor(COLOR_BTNFACE);
    case Color::System::Window:
      return ::GetSysColor(COLOR_WINDOW);
    case Color::System::WindowText:
      return ::GetSysColor(COLOR_WINDOWTEXT);
    case Color::System::None:
      break;
  }
  return RGB(color.red, color.green, color.blue);
}

void DrawPicture(HDC dc, const art::Picture& picture, int x, int y, COLORREF background, bool keyed,
                 int srcX, int width) {
  if (picture.width <= 0 || picture.height <= 0 || srcX < 0 || srcX >= picture.width) {
    return;
  }
  if (width < 0 || srcX + width > picture.width) {
    width = picture.width - srcX;
  }
  const std::uint32_t key = picture.At(0, picture.height - 1);
  const std::uint32_t back =
      (GetRValue(background) << 16) | (GetGValue(background) << 8) | GetBValue(background);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * picture.height);
  for (int row = 0; row < picture.height; ++row) {
    for (int col = 0; col < width; ++col) {
      const std::uint32_t argb = picture.At(srcX + col, row);
      const bool clear = !Opaque(argb) || (keyed && argb == key);
      pixels[static_cast<std::size_t>(row) * width + col] = clear ? back : (argb & 0xFFFFFF);
    }
  }
  BITMAPINFO info = DibInfo(width, picture.height);
  ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(picture.height), 0, 0,
                      0, static_cast<UINT>(picture.height), pixels.data(), &info, DIB_RGB_COLORS);
}

art::Picture GreyedPicture(const art::Picture& picture) {
  art::Picture grey = picture;
  if (picture.argb.empty()) {
    return grey;
  }
  const std::uint32_t key = picture.At(0, picture.height - 1);
  for (std::uint32_t& pixel : grey.argb) {
    if (!Opaque(pixel) || pixel == key) {
      continue;
    }
    const std::uint32_t r = (pixel >> 16) & 0xFF;
    const std::uint32_t g = (pixel >> 8) & 0xFF;
    const std::uint32_t b = pixel & 0xFF;
    // Lightened luminance: a faded copy that still shows the shape.
    const std::uint32_t level = 96 + (r * 30 + g * 59 + b * 11) / 100 * 128 / 255;
    pixel = 0xFF000000u | (level << 16) | (level << 8) | level;
  }
  return grey;
}

OwnedIcon CreateIconFromPicture(const art::Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) {
    return nullptr;
  }
  BITMAPINFO info = DibInfo(picture.width, picture.height);
  void* bits = nullptr;
  const Bitmap color(
      ::CreateDIBSection(ScreenDc().Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!color) {
    throw EOutOfResources("cannot create an icon's bitmap");
  }
  auto* out = static_cast<std::uint32_t*>(bits);
  // The AND mask: one bit per pixel, rows padded to 16 bits, 1 = transparent.
  const int stride = ((picture.width + 15) / 16) * 2;
  std::vector<BYTE> mask(static_cast<std::size_t>(stride) * picture.height, 0);
  for (int row = 0; row < picture.height; ++row) {
    for (int col = 0; col < picture.width; ++col) {
      const std::uint32_t argb = picture.At(col, row);
      const bool opaque = Opaque(argb);
      out[static_cast<std::size_t>(row) * picture.width + col] = opaque ? argb : 0;
      if (!opaque) {
        mask[static_cast<std::size_t>(row) * stride + col / 8] |=
            static_cast<BYTE>(0x80 >> (col % 8));
      }
    }
  }
  const Bitmap maskBitmap(::CreateBitmap(picture.width, picture.height, 1, 1, mask.data()));
  ICONINFO iconInfo{};
  iconInfo.fIcon = TRUE;
  iconInfo.hbmMask = maskBitmap.get();
  iconInfo.hbmColor = color.get();
  OwnedIcon icon(::CreateIconIndirect(&iconInfo));
  if (!icon) {
    throw EOutOfResources("cannot create an icon");
  }
  return icon;
}

HICON IconCache::Get(const Icon& icon) {
  if (!icon) {
    return nullptr;
  }
  const auto found = entries_.find(icon.get());
  if (found != entries_.end() && found->second.picture.lock() == icon) {
    return found->second.handle.get();
  }
  // Pictures that have gone give their icons back, also one that stood at
  // this address before.
  std::erase_if(entries_, [](const auto& entry) { return entry.second.picture.expired(); });
  OwnedIcon made = CreateIconFromPicture(*icon);
  HICON handle = made.get();
  entries_[icon.get()] = Entry{icon, std::move(made)};
  return handle;
}

}  // namespace keldo::ui::win32
