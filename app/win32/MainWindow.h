#pragma once

// The program's one window, Form1, on Win32: the form of every system (MainForm) in a Win32
// window (FormWindow), which ends the session's programmer when the system ends the session.
// Window thread only.

#include "app/MainForm.h"
#include "app/win32/FormWindow.h"

struct HWND__;

namespace app {

class TForm1 : public MainForm {
 public:
  // Builds the window hidden.
  TForm1();

  FormWindow& Window() { return static_cast<FormWindow&>(Native()); }
  // The log, with every line written so far in it.
  HWND__* Memo1();
  // Shows the window with a ShowWindow command, every line written so far in the log.
  void Show(int showCommand);
};

}  // namespace app
