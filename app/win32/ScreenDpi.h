#pragma once

// The dots per inch a window is shown at, and its outer size for a client size at a given dpi:
// per monitor where the system knows monitors of their own density (Windows 10 1607 on), the
// system's one density before that. Window thread.

struct HWND__;

namespace app {

struct OuterSize {
  int width = 0;
  int height = 0;
};

// The density of the monitor that `window` is on.
int WindowDpi(HWND__* window);

// The full size, border and title bar included, of a window of `style` and `extendedStyle`
// (without a menu) whose client area is `clientWidth` × `clientHeight` at `dpi`.
OuterSize OuterSizeFor(int clientWidth, int clientHeight, unsigned long style, unsigned long extendedStyle, int dpi);

}  // namespace app
