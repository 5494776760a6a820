#pragma once

// The main window's stored layout, the one description both window systems build from: its font,
// its place, its size and the log's place in it. Lengths are in pixels for a font whose text comes
// out kStoredTextHeight pixels high; LayoutScale (WindowGeometry.h) scales them to the font on
// the screen.

#include <string>

#include "app/Version.h"
#include "app/WindowGeometry.h"

namespace app {

struct LayoutRect {
  int left;
  int top;
  int width;
  int height;
};

inline constexpr int kStoredTextHeight = 13;
// Where this face is not installed, the system's nearest sans-serif face stands in.
inline constexpr const char* kFontFace = "Tahoma";
inline constexpr int kFontPixels = 11;  // 8 points at 96 dots per inch

// Where the window is made; the window's creation centres it before it is first shown.
inline constexpr int kStoredLeft = 1084;
inline constexpr int kStoredTop = 685;
inline constexpr int kClientWidth = 279;
inline constexpr int kClientHeight = 370;

// The log, in the window's client area.
inline constexpr LayoutRect kMemo1{16, 16, 249, 337};

inline LayoutRect Scaled(const LayoutScale& scale, const LayoutRect& rect) {
  return {scale(rect.left), scale(rect.top), scale(rect.width), scale(rect.height)};
}

inline std::string WindowCaption() { return std::string("Bass Firmware ") + kVersion; }

}  // namespace app
