#pragma once

// The window thread's event loop and how the program's window is first shown.

struct HWND__;

namespace app {

// Handles the thread's messages until WM_QUIT, which the main window posts when it is destroyed;
// gives WM_QUIT's exit code. `mainWindow` is the window whose log is the only element of the
// keyboard order.
int RunEventLoop(HWND__* mainWindow);

// The ShowWindow command the program's start-up request asks for: maximised, or minimised without
// activation, when asked for, normal otherwise.
int StartupShowCommand();
// The same for STARTUPINFO's dwFlags and wShowWindow.
int StartupShowCommand(unsigned long startupFlags, unsigned short requestedShow);

// Windows applies the launching program's show request to the first ShowWindow of the program's
// first captioned top-level window, whatever that call asks for: a launcher asking for hidden
// would leave an invisible program holding the device's ports, and a minimised or inactive
// request would be taken as asked. This shows `window` as the launcher asked, which uses the
// request up, so that the show that follows is the window's own. Nothing when none was given.
void UseUpStartupShowRequest(HWND__* window);

}  // namespace app
