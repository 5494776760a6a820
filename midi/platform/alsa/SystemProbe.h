#pragma once

// Asks the ALSA sequencer whether it is running, through its own library and with that library's
// messages silenced, so that a sequencer that is absent costs nothing and prints nothing. (JACK is
// asked the same way by opening the watch's client.)

namespace platform {

// True when the ALSA sequencer can be opened.
bool AlsaSequencerAnswers();

}  // namespace platform
