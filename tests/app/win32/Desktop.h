#pragma once

// What the window tests look at and do on the window thread's desktop, for test files that also
// use the port layer (whose emulation names the same types as the system's headers, so those
// files cannot include them).

#include <string>
#include <vector>

struct HWND__;

namespace windowtest {

// The main window of the calling thread (class "TForm1") while it is visible, or none.
HWND__* VisibleMainWindow();
// The main window of the calling thread, shown or not, or none.
HWND__* MainWindow();

// An open message box of the calling thread.
struct Box {
  HWND__* handle = nullptr;
  std::string caption;
  std::string text;
  bool errorIcon = false;
  bool okOnly = false;
};
std::vector<Box> OpenBoxes();
// Presses OK as the user would.
void PressOk(const Box& box);

std::string WindowText(HWND__* window);
// The log control in a main window.
HWND__* LogOf(HWND__* mainWindow);

// A window's full rectangle, frame included, on the desktop.
struct Place {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};
Place OuterPlace(HWND__* window);
// The size of the whole desktop.
int DesktopWidth();
int DesktopHeight();
void PostClose(HWND__* window);
// The system tells the window that the session ends.
void SendEndSession(HWND__* window);
bool IsVisible(HWND__* window);

// Handles the calling thread's messages until none is left; true when WM_QUIT was among them.
bool HandlePendingMessages();

}  // namespace windowtest
