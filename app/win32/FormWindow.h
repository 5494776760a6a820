#pragma once

// The main window as Win32 draws it: a top-level window of the stored layout (WindowLayout.h) with
// the log, a multi-line edit control, in it; its font, its scaling to the screen's density and the
// font, and its place on the desktop. Its elements are built and drawn in FormWindow.cpp alone.
// Apart from the window's MIDI side, so that no file includes both the system's headers and the
// port layer's (whose emulation names the same types). Window thread only.

#include <functional>
#include <memory>

#include "app/NativeWindow.h"

struct HWND__;
struct HFONT__;

namespace app {

class FormWindow : public NativeWindow {
 public:
  // Builds the window, hidden, at its stored place, with its log, scaled to the screen it is on.
  // `onSessionEnd` runs when the session ends, just before the window is destroyed: the system
  // may end the process as soon as the window has handled that. Throws framework::Exception
  // when the system gives no window. Destroying it destroys the window, if a close request has
  // not, without ending the event loop.
  static std::unique_ptr<FormWindow> Make(std::function<void()> onSessionEnd);

  // The window; none once a close request or the session's end destroyed it (which ends the
  // thread's event loop).
  virtual HWND__* Handle() const = 0;
  virtual HWND__* Log() const = 0;
  // The font of the window and its log, and the height its text comes out on this screen.
  virtual HFONT__* Font() const = 0;
  virtual int TextHeight() const = 0;

  // Shows the window with a ShowWindow command (SW_SHOWNORMAL …).
  virtual void Show(int showCommand) = 0;
};

}  // namespace app
