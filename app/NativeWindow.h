#pragma once

// What only the window system can do for the main window: the window of the stored layout
// (WindowLayout.h) with its log view in it, built by qt/FormWindow or win32/FormWindow. Window
// thread only.

#include <string>

namespace app {

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  // Moves the window to the middle of the desktop.
  virtual void CentreOnDesktop() = 0;
  // `lines` (UTF-8, joined by "\n", without a final line end) become the log's last lines, as
  // the log view's append rule puts them; once the window is gone, nowhere.
  virtual void AppendLogLines(const std::string& lines) = 0;
  // Asks the window to close, as its close box does.
  virtual void Close() = 0;
};

}  // namespace app
