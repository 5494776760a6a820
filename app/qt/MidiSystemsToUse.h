#pragma once

// Which MIDI systems the program uses: every one that runs. A build with the generated
// development table is only ever run by the tests and the demo, on ports they made themselves; so
// that such a run never reaches a device attached to the machine, there alone the variable
// BASS_FIRMWARE_TEST_MIDI_SYSTEM (jack or alsa) limits the program to that system. A build with
// the device's real table never reads it: it is no setting of the program.

#include <optional>

#include "midi/platform/MidiSystems.h"

namespace app {

inline constexpr const char* kTestMidiSystemVariable = "BASS_FIRMWARE_TEST_MIDI_SYSTEM";

// The systems for a build with or without the development table and the variable's value (null
// when unset); none for a value the development build does not know.
std::optional<platform::MidiSystems> MidiSystemsFor(bool developmentTable, const char* variable);

// The systems for this build and environment. A development build given an unknown value says so
// on standard error and ends with status 2, as for an unknown argument, rather than use every
// system the run did not mean to.
platform::MidiSystems MidiSystemsToUse();

}  // namespace app
