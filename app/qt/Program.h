#pragma once

// The program from start to end, on the window thread of a QApplication that the caller made.

#include <memory>

#include "midi/platform/Transport.h"

namespace app {

// Installs `transport` for the run (none keeps the one installed, so with none at all the tool
// finds no ports and waits), builds the window, runs FormCreate, shows the window and runs the
// event loop until the window is closed: by the user, or by SIGTERM or SIGINT. The window's
// destruction closes the ports; the transport that was installed before comes back.
// Returns the exit status: 0 after the window has been closed, 1 when it could not be built (the
// user has then seen the "Application Error" box).
int RunProgram(std::unique_ptr<platform::Transport> transport);

}  // namespace app
