#pragma once

// The program from start to end, on the calling thread, which becomes the window thread.

namespace app {

// Builds the window, runs FormCreate, shows the window as the program's start-up request asks
// and runs the event loop until the window is closed: by the user, by WM_CLOSE, by the end of the
// session, or by the closing of the program's console (or Ctrl+C or Ctrl+Break there, when the
// console is the program's own: ConsoleCloseRequests.h). The window's destruction closes the
// ports. The MIDI services are whichever the program was linked with. Returns the exit status: 0
// after the window has been closed, 1 when it could not be built (the user has then seen the
// "Application Error" box).
int RunProgram();

}  // namespace app
