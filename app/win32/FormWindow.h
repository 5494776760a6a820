#pragma once

// The main window as Win32 draws it: a top-level window of the stored layout (WindowLayout.h) with
// the log, a multi-line edit control, in it; its font, its scaling to the screen's density and the
// font, and its place on the desktop. Apart from the window's MIDI side, so that no file includes
// both the system's headers and the port layer's (whose emulation names the same types). Window
// thread only.

#include <functional>
#include <memory>
#include <string>

#include "app/NativeWindow.h"

struct HWND__;
struct HFONT__;

namespace app {

class FormWindow : public NativeWindow {
 public:
  // Builds the window, hidden, at its stored place, with its log, scaled to the screen it is on.
  // `onSessionEnd` runs when the session ends, just before the window is destroyed: the system
  // may end the process as soon as the window has handled that. Throws framework::Exception
  // when the system gives no window.
  explicit FormWindow(std::function<void()> onSessionEnd);
  // Destroys the window, if a close request has not, without ending the event loop.
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // The window; none once a close request or the session's end destroyed it (which ends the
  // thread's event loop).
  HWND__* Handle() const;
  HWND__* Log() const;
  // The font of the window and its log, and the height its text comes out on this screen.
  HFONT__* Font() const;
  int TextHeight() const;

  void CentreOnDesktop() override;
  void AppendLogLines(const std::string& lines) override;
  // Shows the window with a ShowWindow command (SW_SHOWNORMAL …).
  void Show(int showCommand);
  void Close() override;

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace app
