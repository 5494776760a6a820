#pragma once

// bass-firmware.exe --list-ports: the ports of the MIDI services the program is linked with (the
// system's winmm in the program), numbered as discovery numbers them, on standard output. No
// window is made.

namespace app {

// Returns the exit status: 0.
int ListPortsCommand();

}  // namespace app
