#include "tests/app/win32/LaunchRequest.h"

#include <windows.h>

extern "C" {
// The program's imports of the two functions.
extern void* __imp_GetStartupInfoW;
extern void* __imp_ShowWindow;
}

namespace windowtest {

namespace {

using GetStartupInfoFunction = VOID(WINAPI*)(LPSTARTUPINFOW);
using ShowWindowFunction = BOOL(WINAPI*)(HWND, int);

GetStartupInfoFunction systemGetStartupInfo = nullptr;
ShowWindowFunction systemShowWindow = nullptr;
int requested = SW_SHOWNORMAL;
bool firstShowPending = false;

VOID WINAPI StartupInfoWithRequest(LPSTARTUPINFOW startup) {
  systemGetStartupInfo(startup);
  startup->dwFlags |= STARTF_USESHOWWINDOW;
  startup->wShowWindow = static_cast<WORD>(requested);
}

bool IsCaptionedTopLevel(HWND window) {
  return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION &&
         ::GetAncestor(window, GA_PARENT) == ::GetDesktopWindow();
}

BOOL WINAPI ShowWindowAsWindowsDoes(HWND window, int command) {
  if (firstShowPending && IsCaptionedTopLevel(window)) {
    firstShowPending = false;
    command = requested;
  }
  if (command == SW_SHOWDEFAULT) command = requested;
  return systemShowWindow(window, command);
}

}  // namespace

LaunchRequest::LaunchRequest(int showCommand)
    : startupInfo_(&__imp_GetStartupInfoW, reinterpret_cast<void*>(&StartupInfoWithRequest)),
      showWindow_(&__imp_ShowWindow, reinterpret_cast<void*>(&ShowWindowAsWindowsDoes)) {
  systemGetStartupInfo = reinterpret_cast<GetStartupInfoFunction>(startupInfo_.Original());
  systemShowWindow = reinterpret_cast<ShowWindowFunction>(showWindow_.Original());
  requested = showCommand;
  firstShowPending = true;
}

LaunchRequest::~LaunchRequest() { firstShowPending = false; }

ShownAs ShownAsOf(HWND window) {
  if (::IsWindowVisible(window) == FALSE) return ShownAs::Hidden;
  if (::IsIconic(window) != FALSE) return ShownAs::Minimised;
  if (::IsZoomed(window) != FALSE) return ShownAs::Maximised;
  return ShownAs::Normal;
}

}  // namespace windowtest
