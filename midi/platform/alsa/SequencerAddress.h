#pragma once

// Where a listed port of the ALSA sequencer is, and whether it is still the one listed: the
// listing names a port "client:port C:P" (as RtMidi does), C:P being its address. Asking for one
// address takes two calls; going through every port of the sequencer, as a listing does, takes
// two for each port, which on a sequencer with many clients costs more than a block's send.

#include <alsa/asoundlib.h>

#include <optional>
#include <string>

namespace platform {

// The address at the end of a listed name; none when the name carries no valid one.
std::optional<snd_seq_addr_t> SequencerAddressOf(const std::string& listedName);

// The name the listing gives the port at `address` now; empty when there is none. Compared with
// the name a port was opened by, it refuses a port that went away and one that took its address.
std::string ListedNameAt(snd_seq_t* sequencer, snd_seq_addr_t address);

}  // namespace platform
