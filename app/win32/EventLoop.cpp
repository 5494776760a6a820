#include "app/win32/EventLoop.h"

#include <windows.h>

namespace app {

namespace {

// A multi-line edit control takes a tab as text; in the log it moves the focus to the next element
// of the keyboard order, which is the log itself.
bool IsTabInTheLog(const MSG& message, HWND mainWindow) {
  return message.message == WM_CHAR && message.wParam == L'\t' && ::GetParent(message.hwnd) == mainWindow;
}

}  // namespace

int RunEventLoop(HWND mainWindow) {
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsTabInTheLog(message, mainWindow)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

int StartupShowCommand() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  return StartupShowCommand(startup.dwFlags, startup.wShowWindow);
}

// SW_SHOWDEFAULT applies the request on any system, also where the first call is not overridden
// (wine), so the window passes through the same state everywhere.
void UseUpStartupShowRequest(HWND window) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  if ((startup.dwFlags & STARTF_USESHOWWINDOW) != 0) ::ShowWindow(window, SW_SHOWDEFAULT);
}

int StartupShowCommand(unsigned long startupFlags, unsigned short requestedShow) {
  if ((startupFlags & STARTF_USESHOWWINDOW) == 0) return SW_SHOWNORMAL;
  if (requestedShow == SW_SHOWMAXIMIZED) return SW_SHOWMAXIMIZED;
  if (requestedShow == SW_SHOWMINNOACTIVE) return SW_SHOWMINNOACTIVE;
  return SW_SHOWNORMAL;
}

}  // namespace app
