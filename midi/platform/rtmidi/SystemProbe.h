#pragma once

// Asks a MIDI system whether it is running, through its own library and with that library's
// messages silenced, so that a system that is absent costs nothing and prints nothing.

#include <jack/jack.h>

#include <string>

namespace platform {

// True when the ALSA sequencer can be opened.
bool AlsaSequencerAnswers();

// A client of the running JACK server (the one JACK_DEFAULT_SERVER names, if set), or null when
// none answers; never starts a server.
jack_client_t* OpenJackClient(const std::string& name);

}  // namespace platform
