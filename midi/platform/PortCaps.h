#pragma once

// Capability records and open flags, shared by both directions of the emulation.

#include "midi/platform/Transport.h"

namespace platform {

// The name of the default output (MIDI_MAPPER), which stands for output 0.
inline constexpr const char* kDefaultOutputName = "Default MIDI Output";

// A port's record, its name cut to the record's room (or to Windows', where that switch is on).
MIDIINCAPSA InputCapsOf(const PortInfo& info);
MIDIOUTCAPSA OutputCapsOf(const PortInfo& info, WORD technology);

// Only function callbacks (or none) are offered.
MMRESULT CheckCallbackKind(DWORD flags);
MIDICALLBACK CallbackOf(DWORD_PTR callback, DWORD flags);

}  // namespace platform
