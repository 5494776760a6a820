#pragma once

// Which of the machine's MIDI systems a transport uses. The program uses every one that runs; a
// test uses only the one it made its ports on, so that it never reaches a device that happens to
// be attached to the machine.

namespace platform {

enum class MidiSystems { Every, AlsaSequencer, Jack };

}  // namespace platform
