#include "shell/toolkit/win32/fonts.h"

#include <cstring>
#include <string>

namespace keldo::ui::win32 {

namespace {

struct Substitute {
  const char* face;
  const char* compatible;
};

// Same advance widths and heights as the face they stand for.
constexpr Substitute kSubstitutes[] = {
    {"Courier New", "Liberation Mono"},
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
};

OwnedFont Make(const Font& font, const char* face) {
  return OwnedFont(::CreateFontA(-font.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 font.charset == Charset::Ansi ? ANSI_CHARSET : DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, face));
}

// The face the font mapper really chose for font.
std::string ChosenFace(HFONT font) {
  const ScreenDc screen;
  const Selected selected(screen.Get(), font);
  char face[LF_FACESIZE] = {};
  ::GetTextFaceA(screen.Get(), sizeof face, face);
  return face;
}

}  // namespace

OwnedFont CreateFontFor(const Font& font) {
  OwnedFont handle = Make(font, font.name.c_str());
  if (!handle || _stricmp(ChosenFace(handle.get()).c_str(), font.name.c_str()) == 0) {
    return handle;
  }
  for (const Substitute& substitute : kSubstitutes) {
    if (_stricmp(substitute.face, font.name.c_str()) != 0) {
      continue;
    }
    OwnedFont compatible = Make(font, substitute.compatible);
    if (compatible && _stricmp(ChosenFace(compatible.get()).c_str(), substitute.compatible) == 0) {
      return compatible;
    }
  }
  return handle;
}

}  // namespace keldo::ui::win32
