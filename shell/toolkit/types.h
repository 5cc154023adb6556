#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "shell/art/picture.h"

namespace keldo::ui {

// Geometry in pixels at 96 dots per inch. A control's bounds are relative to
// its parent's client area (the form's, or a group box's).
struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Bounds&, const Bounds&) = default;
};

// A colour: either fixed RGB or one of the platform's system colours, which
// each backend resolves (and follows when the user changes the theme).
struct Color {
  enum class System : std::uint8_t { None, ButtonFace, Window, WindowText };

  System system = System::None;
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  static constexpr Color Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Color{System::None, r, g, b};
  }
  static constexpr Color ButtonFace() { return Color{System::ButtonFace, 0, 0, 0}; }
  static constexpr Color Window() { return Color{System::Window, 0, 0, 0}; }
  static constexpr Color WindowText() { return Color{System::WindowText, 0, 0, 0}; }

  friend bool operator==(const Color&, const Color&) = default;
};

enum class Charset : std::uint8_t { Default, Ansi };

// A regular font. height is the character height in pixels (13 for the
// program's windows: font height -13 in Win32 terms). A backend that lacks
// the face uses a metric-compatible one.
struct Font {
  std::string name;
  int height = 13;
  Charset charset = Charset::Default;
  friend bool operator==(const Font&, const Font&) = default;
};

enum class Alignment : std::uint8_t { Left, Right, Center };
enum class VerticalLayout : std::uint8_t { Top, Center, Bottom };

// An icon as the notification area and windows take it; empty means "no
// image". Shared and immutable, so copying one is cheap and a backend may
// cache its native bitmap by the pointer.
using Icon = std::shared_ptr<const art::Picture>;

inline Icon MakeIcon(const art::Picture& picture) {
  return std::make_shared<const art::Picture>(picture);
}

// Names a platform window toward the notification area and message sending:
// an HWND on Windows, an object address elsewhere. 0 is none.
using WindowHandle = std::uintptr_t;

// A window message in the Windows vocabulary (see messages.h). Result is the
// answer a handler writes; it starts at 0.
struct Message {
  unsigned Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// Event handlers receive the object that raised the event first.
using NotifyEvent = std::function<void(void* Sender)>;
// Setting CanClose to false refuses the close request.
using CloseQueryEvent = std::function<void(void* Sender, bool& CanClose)>;

// The lower-case access key a caption marks with "&" ("&&" is a literal
// ampersand), or 0 when it marks none.
char AccessKeyOf(const std::string& caption);

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

}  // namespace keldo::ui
