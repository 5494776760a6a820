#pragma once

// bass-firmware --list-ports on Linux: the ports of the MIDI systems the program would use, through
// the program's own transport and numbering, on standard output. No window is made.

namespace app {

// Returns the exit status: 0.
int ListPortsCommand();

}  // namespace app
