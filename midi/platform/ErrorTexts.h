#pragma once

#include "midi/platform/MmSystem.h"

namespace platform {

// The emulation's text for a result code it can return, or none for any other code.
const char* ErrorTextOf(MMRESULT code);

// Copies the text of `code` into `text` (at most `textSize` characters with the NUL), as
// midiInGetErrorTextA and midiOutGetErrorTextA do.
MMRESULT CopyErrorText(MMRESULT code, LPSTR text, UINT textSize);

}  // namespace platform
